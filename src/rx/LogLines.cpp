#include "rx/LogLines.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kSpoolPrefix[] = "velmor-log-";
// Lines a search decodes in one go.
constexpr qint64 kSearchLines = 8192;

// Where the line holding position pos of a block of LF-ended lines starts.
qsizetype lineStartOf(const QString& block, qsizetype pos)
{
    return pos <= 0 ? 0 : block.lastIndexOf(QLatin1Char('\n'), pos - 1) + 1;
}

}  // namespace

TLogLines::TLogLines(const QString& spoolDir, qsizetype chunkBytes)
    : m_dir(spoolDir), m_chunk(qMax<qsizetype>(chunkBytes, 1))
{
    m_retryAt = m_chunk;
    RemoveOrphans(m_dir);
    openSpool();
}

TLogLines::~TLogLines()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString TLogLines::DefaultSpoolDir()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable())
        return runtime;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    QDir().mkpath(cache);
    return cache;
}

bool TLogLines::openSpool()
{
    if (m_fd >= 0)
        return true;
    QByteArray name = QFile::encodeName(m_dir) + '/' + kSpoolPrefix + "XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        fail(errno);
        return false;
    }
    // Locked while this run lives, so that a starting run can tell its
    // spool from one left behind; gone from the folder at once.
    ::flock(fd, LOCK_EX | LOCK_NB);
    ::fchmod(fd, S_IRUSR | S_IWUSR);
    ::unlink(name.constData());
    m_fd = fd;
    return true;
}

int TLogLines::RemoveOrphans(const QString& dir)
{
    int removed = 0;
    const QStringList names = QDir(dir).entryList({QString::fromLatin1(kSpoolPrefix) + QLatin1Char('*')}, QDir::Files);
    for (const QString& name : names) {
        const QByteArray path = QFile::encodeName(QDir(dir).filePath(name));
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid())
            continue;
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

void TLogLines::fail(int error)
{
    if (m_failing)
        return;
    m_failing = true;
    if (OnSpoolError)
        OnSpoolError(error);
}

qint64 TLogLines::start(qint64 index) const { return m_bases[size_t(index >> kBlockShift)] + m_offsets[size_t(index)]; }

void TLogLines::Append(QStringView line)
{
    const QByteArray text = line.toUtf8();
    if ((m_count & ((1 << kBlockShift) - 1)) == 0)
        m_bases.push_back(m_total);
    m_offsets.push_back(quint32(m_total - m_bases.back()));
    ++m_count;
    m_tail += text;
    m_tail += '\n';
    m_total += text.size() + 1;
    m_longest = qMax<qint64>(m_longest, text.size());
    if (m_tail.size() >= m_retryAt)
        Flush();
}

bool TLogLines::Flush()
{
    if (m_tail.isEmpty())
        return true;
    if (!openSpool()) {
        m_retryAt = m_tail.size() + m_chunk;
        return false;
    }
    qsizetype done = 0;
    int error = 0;
    while (done < m_tail.size()) {
        const ssize_t n = ::pwrite(m_fd, m_tail.constData() + done, size_t(m_tail.size() - done), m_spooled + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += n;
    }
    m_spooled += done;
    m_tail.remove(0, done);
    if (error != 0) {
        // The rest stays here; the next try comes after another chunk.
        m_retryAt = m_tail.size() + m_chunk;
        fail(error);
        return false;
    }
    if (m_tail.capacity() > 4 * m_chunk)
        m_tail.squeeze();
    m_retryAt = m_chunk;
    if (m_failing) {
        m_failing = false;
        if (OnSpoolRecovered)
            OnSpoolRecovered();
    }
    return true;
}

void TLogLines::Clear()
{
    m_bases = {};
    m_offsets = {};
    m_count = 0;
    m_total = 0;
    m_spooled = 0;
    m_tail = QByteArray();
    m_longest = 0;
    m_retryAt = m_chunk;
    if (m_fd >= 0 && ::ftruncate(m_fd, 0) != 0) {
        // A spool that cannot be emptied is replaced by a new one.
        ::close(m_fd);
        m_fd = -1;
    }
    // Nothing waits for the spool any more.
    if (openSpool() && m_failing) {
        m_failing = false;
        if (OnSpoolRecovered)
            OnSpoolRecovered();
    }
}

QByteArray TLogLines::bytes(qint64 from, qint64 to) const
{
    QByteArray out;
    if (to <= from)
        return out;
    out.resize(to - from);
    qint64 at = from;
    char* dst = out.data();
    while (at < to && at < m_spooled) {
        const ssize_t n = ::pread(m_fd, dst, size_t(qMin(to, m_spooled) - at), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return QByteArray();
        at += n;
        dst += n;
    }
    if (at < to)
        std::memcpy(dst, m_tail.constData() + (at - m_spooled), size_t(to - at));
    return out;
}

QString TLogLines::Line(qint64 index) const
{
    if (index < 0 || index >= m_count)
        return QString();
    return QString::fromUtf8(bytes(start(index), end(index) - 1));
}

QStringList TLogLines::Lines(qint64 first, qint64 count) const
{
    const qint64 last = qMin(m_count, first + qMax<qint64>(count, 0));
    first = qMax<qint64>(first, 0);
    QStringList out;
    if (first >= last)
        return out;
    const QByteArray text = bytes(start(first), end(last - 1));
    out.reserve(last - first);
    const qint64 base = start(first);
    for (qint64 i = first; i < last; ++i) {
        const qint64 a = start(i) - base;
        const qint64 b = end(i) - 1 - base;
        out.append(b <= text.size() ? QString::fromUtf8(text.constData() + a, b - a) : QString());
    }
    return out;
}

TLogLines::TMatch TLogLines::Find(const QString& text, TPos from, bool backwards) const
{
    TMatch result;
    if (text.isEmpty() || m_count == 0 || text.contains(QLatin1Char('\n')))
        return result;
    from.line = qBound<qint64>(0, from.line, m_count - 1);
    // Searches lines [first, last) of the log, starting at column column of
    // line startLine (forwards: at or after it; backwards: before it).
    auto search = [&](qint64 first, qint64 last, TPos at) -> std::optional<TPos> {
        if (!backwards) {
            for (qint64 a = first; a < last; a += kSearchLines) {
                const qint64 b = qMin(last, a + kSearchLines);
                const QString block = QString::fromUtf8(bytes(start(a), end(b - 1)));
                qsizetype offset = 0;
                if (at.line == a)
                    offset = qMin<qsizetype>(at.column, block.indexOf(QLatin1Char('\n')));
                const qsizetype hit = block.indexOf(text, offset, Qt::CaseInsensitive);
                if (hit < 0)
                    continue;
                const qsizetype lineStart = lineStartOf(block, hit);
                return TPos{a + QStringView(block).left(hit).count(QLatin1Char('\n')), hit - lineStart};
            }
        } else {
            for (qint64 b = last; b > first; b -= kSearchLines) {
                const qint64 a = qMax(first, b - kSearchLines);
                const QString block = QString::fromUtf8(bytes(start(a), end(b - 1)));
                // A match has to start before the column.
                qsizetype before = block.size() - 1;
                if (at.line == b - 1) {
                    const qsizetype lineStart = lineStartOf(block, block.size() - 1);
                    before = lineStart + qMin<qsizetype>(at.column, block.size() - 1 - lineStart) - 1;
                }
                const qsizetype hit = before < 0 ? -1 : block.lastIndexOf(text, before, Qt::CaseInsensitive);
                if (hit < 0)
                    continue;
                const qsizetype lineStart = lineStartOf(block, hit);
                return TPos{a + QStringView(block).left(hit).count(QLatin1Char('\n')), hit - lineStart};
            }
        }
        return std::nullopt;
    };
    std::optional<TPos> hit;
    if (!backwards) {
        hit = search(from.line, m_count, from);
        if (!hit) {
            hit = search(0, from.line + 1, TPos{0, 0});
            result.wrapped = true;
        }
    } else {
        hit = search(0, from.line + 1, from);
        if (!hit) {
            hit = search(from.line, m_count, TPos{m_count, 0});
            result.wrapped = true;
        }
    }
    if (!hit)
        return TMatch{};
    result.found = true;
    result.at = *hit;
    return result;
}

int TLogLines::SaveAs(const QString& path) const
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return out.error() == QFileDevice::PermissionsError ? EACCES : (errno != 0 ? errno : EIO);
    for (qint64 a = 0; a < m_count; a += kSearchLines) {
        const qint64 b = qMin(m_count, a + kSearchLines);
        const QByteArray raw = bytes(start(a), end(b - 1));
        if (raw.isEmpty()) {
            out.remove();
            return EIO;
        }
        QByteArray piece = QString::fromUtf8(raw).toLatin1();
        piece.replace('\n', "\r\n");
        if (out.write(piece) != piece.size()) {
            out.remove();
            return ENOSPC;
        }
    }
    if (!out.flush()) {
        out.remove();
        return ENOSPC;
    }
    out.close();
    if (out.error() != QFileDevice::NoError) {
        out.remove();
        return EIO;
    }
    return 0;
}
