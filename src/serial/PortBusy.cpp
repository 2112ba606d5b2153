#include "serial/PortBusy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The first line of a lock file as a process id (ASCII, blanks allowed).
long long lockFilePid(const QString& lockFile)
{
    QFile f(lockFile);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray first = f.readLine(64).trimmed();
    bool ok = false;
    const long long pid = first.toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

bool processRuns(long long pid) { return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM); }

// "LCK.." names the device goes by: below /dev with '/' as '_'; a symbolic
// link (a /dev/serial/by-id name) also by the device it points at.
QStringList lockNames(const QString& devicePath)
{
    QStringList paths{devicePath};
    const QString real = QFileInfo(devicePath).canonicalFilePath();
    if (!real.isEmpty() && real != devicePath)
        paths.append(real);
    QStringList names;
    for (QString p : paths) {
        if (p.startsWith(QLatin1String("/dev/")))
            p = p.mid(5);
        while (p.startsWith(QLatin1Char('/')))
            p = p.mid(1);
        if (!p.isEmpty())
            names.append(QStringLiteral("LCK..") + p.replace(QLatin1Char('/'), QLatin1Char('_')));
    }
    return names;
}

QString processName(long long pid)
{
    QFile f(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(f.readAll()).trimmed();
}

// The other processes with the device open (by its device number), found in
// /proc where this process may look: how many, and the one where it is one
// (the exclusive mode does not tell which of several set it).
struct TOthersWithDevice {
    int count = 0;
    long long pid = 0;
};

TOthersWithDevice othersWithDevice(dev_t device)
{
    const QString self = QString::number(::getpid());
    TOthersWithDevice others;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        if (pid == self || !pid.front().isDigit())
            continue;
        const QString fdDir = QStringLiteral("/proc/") + pid + QStringLiteral("/fd");
        for (const QString& fd : QDir(fdDir).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            struct stat st {};
            if (::stat(QFile::encodeName(fdDir + u'/' + fd).constData(), &st) == 0 && S_ISCHR(st.st_mode)
                && st.st_rdev == device) {
                ++others.count;
                others.pid = others.count == 1 ? pid.toLongLong() : 0;
                break;
            }
        }
    }
    return others;
}

// The process holding an flock on the file (by the device and inode of its
// node), from /proc/locks; 0 when none is listed.
long long flockHolder(const struct stat& node)
{
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray id = QByteArray::number(major(node.st_dev), 16).rightJustified(2, '0') + ':'
                          + QByteArray::number(minor(node.st_dev), 16).rightJustified(2, '0') + ':'
                          + QByteArray::number(qulonglong(node.st_ino));
    // "1: FLOCK  ADVISORY  WRITE 1234 00:05:87 0 EOF"
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 6 && f[1] == "FLOCK" && f[5] == id && f[4].toLongLong() != ::getpid())
            return f[4].toLongLong();
    }
    return 0;
}

}  // namespace

long long PortLockHolder(const QString& devicePath)
{
    static const char* const kLockDirs[] = {"/run/lock", "/var/lock", "/var/spool/locks", "/tmp"};
    for (const QString& name : lockNames(devicePath))
        for (const char* dir : kLockDirs) {
            const long long pid = lockFilePid(QLatin1String(dir) + QLatin1Char('/') + name);
            if (processRuns(pid))
                return pid;
        }
    return 0;
}

TPortBusy PortBusyOf(const QString& devicePath, int fd)
{
    TPortBusy busy;
    if (const long long pid = PortLockHolder(devicePath)) {
        busy.way = TBusyWay::LockFile;
        busy.holder = pid;
        return busy;
    }
    struct stat node {};
    if (fd < 0 || ::fstat(fd, &node) != 0)
        return busy;
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive) {
        // The flag outlives the descriptor that set it while the line is
        // held open elsewhere (a line hung up under this program's own
        // port): it means busy only while another program has the device.
        const TOthersWithDevice others = othersWithDevice(node.st_rdev);
        if (others.count > 0) {
            busy.way = TBusyWay::Exclusive;
            busy.holder = others.pid;
        }
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK)
            return busy;
        busy.way = TBusyWay::Flock;
        struct stat st {};
        if (::stat(QFile::encodeName(devicePath).constData(), &st) == 0)
            busy.holder = flockHolder(st);
    } else {
        ::flock(fd, LOCK_UN);
    }
    return busy;
}

TPortBusyProbe::TPortBusyProbe(const QString& devicePath)
{
    if (devicePath.isEmpty())
        return;
    m_fd = ::open(QFile::encodeName(devicePath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0 && errno == EBUSY) {
        // Exclusive mode keeps out everyone but the superuser.
        m_busy = PortBusyOf(devicePath, -1);
        if (!m_busy) {
            m_busy.way = TBusyWay::Exclusive;
            struct stat st {};
            if (::stat(QFile::encodeName(devicePath).constData(), &st) == 0)
                m_busy.holder = othersWithDevice(st.st_rdev).pid;
        }
        return;
    }
    m_busy = PortBusyOf(devicePath, m_fd);
}

TPortBusyProbe::~TPortBusyProbe()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString PortBusyText(const QString& devicePath, const TPortBusy& busy)
{
    QStringList about;
    if (busy.holder > 0) {
        const QString name = processName(busy.holder);
        if (!name.isEmpty())
            about << name;
        about << QCoreApplication::translate("PortBusy", "Prozess %1").arg(busy.holder);
    }
    switch (busy.way) {
    case TBusyWay::LockFile:
        about << QCoreApplication::translate("PortBusy", "Sperrdatei");
        break;
    case TBusyWay::Exclusive:
        about << QCoreApplication::translate("PortBusy", "exklusiv geöffnet");
        break;
    case TBusyWay::Flock:
        about << QCoreApplication::translate("PortBusy", "flock-Sperre");
        break;
    case TBusyWay::None:
        break;
    }
    return (devicePath.isEmpty() ? QString() : devicePath + QStringLiteral(": "))
           + QCoreApplication::translate("PortBusy", "belegt - von einem anderen Programm benutzt")
           + (about.isEmpty() ? QString() : QStringLiteral(" (") + about.join(QStringLiteral(", ")) + u')')
           + QCoreApplication::translate("PortBusy", "; dort zuerst schließen");
}
