#include "FlashReport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/falloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

}  // namespace

TFlashReport::~TFlashReport()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString TFlashReport::Open(const QString& path, const TFirmware& firmware, qint64 room)
{
    m_firmware = firmware;
    const QByteArray name = path.toLocal8Bit();
    // Created here or there before: only a file of this call's own is
    // removed when the call is refused.
    bool created = true;
    int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    }
    if (fd < 0)
        return SystemError(errno);
    struct stat st {};
    QString why;
    if (::fstat(fd, &st) != 0) {
        why = SystemError(errno);
    } else if (!S_ISREG(st.st_mode)) {
        why = QStringLiteral("not a regular file");
    } else {
        rlimit limit{};
        if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
            && rlim_t(st.st_size + room) > limit.rlim_cur) {
            why = SystemError(EFBIG);
        } else if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, st.st_size, room) != 0) {
            // Blocks reserved past the end, the size untouched: the lines of
            // another writer are never cut. A file system that cannot
            // reserve is asked for its free room instead.
            const int err = errno;
            struct statvfs vfs {};
            if (err != EOPNOTSUPP && err != ENOSYS)
                why = SystemError(err);
            else if (::fstatvfs(fd, &vfs) == 0 && qint64(vfs.f_bavail) * qint64(vfs.f_frsize) < room)
                why = SystemError(ENOSPC);
        }
    }
    if (!why.isEmpty()) {
        if (created)
            ::unlink(name.constData());
        ::close(fd);
        return why;
    }
    m_fd = fd;
    return QString();
}

QByteArray TFlashReport::Line(const TFlashResult& r, const TFirmware& firmware)
{
    const auto textOrNull = [](const QString& s) { return s.isEmpty() ? QJsonValue() : QJsonValue(s); };
    QJsonObject o;
    o[QStringLiteral("time")] = r.started.toString(Qt::ISODateWithMs);
    o[QStringLiteral("device")] = r.device;
    o[QStringLiteral("path")] = r.path;
    o[QStringLiteral("by_id")] = textOrNull(r.byId);
    o[QStringLiteral("adapter_serial")] = textOrNull(r.adapterSerial);
    o[QStringLiteral("file")] = firmware.file;
    o[QStringLiteral("file_size")] = firmware.size;
    o[QStringLiteral("sha256")] = QString::fromLatin1(firmware.sha256);
    o[QStringLiteral("block_size")] = firmware.blockSize;
    o[QStringLiteral("start_rate")] = firmware.startRate;
    o[QStringLiteral("outcome")] = r.outcome;
    o[QStringLiteral("status")] = r.status;
    if (!r.error.isEmpty())
        o[QStringLiteral("error")] = r.error;
    o[QStringLiteral("duration_s")] = double(r.ms) / 1000.0;
    o[QStringLiteral("bytes")] = r.sent;
    o[QStringLiteral("blocks_repeated")] = r.repeats;
    if (r.identifyAsked)
        o[QStringLiteral("identification")] = r.identification ? QJsonValue(*r.identification) : QJsonValue();
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

qint64 TFlashReport::LineRoom(const QString& device, const QString& path, bool identify, const TFirmware& firmware)
{
    TFlashResult longest;
    longest.device = device;
    longest.path = path;
    longest.byId = QString(160, u'x');
    longest.adapterSerial = QString(64, u'x');
    longest.status = 130;
    longest.outcome = QString(160, u'x');
    longest.error = QString(160, u'x');
    longest.started = QDateTime::currentDateTimeUtc();
    longest.ms = 1000LL * 1000 * 1000;
    longest.sent = longest.total = longest.repeats = 1 << 30;
    longest.identifyAsked = identify;
    // "\u0001" for each of at most 1000 characters.
    if (identify)
        longest.identification = QString(1000 * 6, u'x');
    return Line(longest, firmware).size() + 1;
}

QString TFlashReport::Append(const TFlashResult& result)
{
    if (m_fd < 0)
        return QString();
    const QByteArray line = Line(result, m_firmware) + '\n';
    // Room for the whole line first, so that a full disk refuses the line
    // instead of taking a torn part of it; the size stays untouched, so the
    // lines of another writer are never cut.
    struct stat before {};
    if (::fstat(m_fd, &before) != 0)
        return SystemError(errno);
    if (::fallocate(m_fd, FALLOC_FL_KEEP_SIZE, before.st_size, line.size()) != 0 && errno != EOPNOTSUPP
        && errno != ENOSYS)
        return SystemError(errno);
    // One write, so that lines of several processes on the same file do not
    // interleave.
    ssize_t n;
    do
        n = ::write(m_fd, line.constData(), size_t(line.size()));
    while (n < 0 && errno == EINTR);
    if (n < 0)
        return SystemError(errno);
    if (n != line.size()) {
        // A torn line is taken back where nobody has written behind it.
        struct stat after {};
        const bool back =
            ::fstat(m_fd, &after) == 0 && after.st_size == before.st_size + n && ::ftruncate(m_fd, before.st_size) == 0;
        return QStringLiteral("line written only in part (%1 of %2 bytes)%3")
            .arg(n)
            .arg(line.size())
            .arg(back ? QStringLiteral(", taken back") : QString());
    }
    return QString();
}
