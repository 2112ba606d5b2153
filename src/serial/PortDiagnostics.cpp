#include "serial/PortDiagnostics.h"

#include "serial/NetPort.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

TPortProblem openErrorProblem(int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
        return TPortProblem::PermissionDenied;
    case EBUSY:
        return TPortProblem::Busy;
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
        return TPortProblem::NoSuchDevice;
    case EIO:  // not set up yet, hung up, locked, or a node without its hardware
        return TPortProblem::IoError;
    default:
        return TPortProblem::Other;
    }
}

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

}  // namespace

TPortDiagnosis ProbeSerialDevice(const char* path)
{
    TPortDiagnosis d;
    if (path == nullptr || *path == '\0') {
        d.problem = TPortProblem::NoSuchDevice;
        d.error = ENOENT;
        return d;
    }
    struct stat st {};
    if (::stat(path, &st) != 0) {
        d.error = errno;
        d.problem = openErrorProblem(d.error);
        return d;
    }
    if (!S_ISCHR(st.st_mode)) {
        d.problem = TPortProblem::NotSerial;
        d.error = ENOTTY;
        return d;
    }
    const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        d.error = errno;
        d.problem = openErrorProblem(d.error);
        return d;
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        d.error = errno;
        d.problem = (d.error == ENOTTY || d.error == EINVAL) ? TPortProblem::NotSerial : openErrorProblem(d.error);
    }
    ::close(fd);
    return d;
}

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

TPortDiagnosis DiagnosePort(const QString& devicePath, int serialError)
{
    // A network port: the connection's own finding (a TNetProblem).
    if (LooksLikeNetAddress(devicePath))
        return TPortDiagnosis{serialError ? TPortProblem::Network : TPortProblem::None, serialError, 0};
    TPortDiagnosis d = ProbeSerialDevice(QFile::encodeName(devicePath).constData());
    if (d.problem == TPortProblem::None || d.problem == TPortProblem::Busy) {
        if (const long long pid = PortLockHolder(devicePath)) {
            d.problem = TPortProblem::Busy;
            d.holder = pid;
            return d;
        }
    }
    if (d.problem != TPortProblem::None)
        return d;
    // The device itself opens; what the serial port layer saw decides.
    switch (QSerialPort::SerialPortError(serialError)) {
    case QSerialPort::NoError:
        break;
    case QSerialPort::PermissionError:  // its lock is taken (in a place not looked at)
        d.problem = TPortProblem::Busy;
        break;
    case QSerialPort::DeviceNotFoundError:
        d.problem = TPortProblem::NoSuchDevice;
        break;
    case QSerialPort::UnsupportedOperationError:
        d.problem = TPortProblem::NotSerial;
        break;
    default:
        d.problem = TPortProblem::Other;
        break;
    }
    return d;
}

QString PortProblemText(const QString& devicePath, const TPortDiagnosis& d)
{
    const QString head = devicePath + QStringLiteral(": ");
    switch (d.problem) {
    case TPortProblem::None:
        return QString();
    case TPortProblem::Network:
        return NetProblemText(devicePath, TNetProblem(d.error));
    case TPortProblem::NoSuchDevice:
        return head
               + QCoreApplication::translate("PortDiagnostics",
                                             "kein solches Gerät - den Adapter einstecken oder den Eintrag unter "
                                             "[Ports] in der Einstellungsdatei prüfen");
    case TPortProblem::PermissionDenied:
        return head
               + QCoreApplication::translate("PortDiagnostics",
                                             "keine Berechtigung - den Benutzer in die Gruppe dialout aufnehmen "
                                             "(sudo usermod -aG dialout $USER) und neu anmelden");
    case TPortProblem::Busy: {
        QString who;
        if (d.holder > 0) {
            const QString name = processName(d.holder);
            who = QCoreApplication::translate("PortDiagnostics", " (%1Prozess %2)")
                      .arg(name.isEmpty() ? QString() : name + QStringLiteral(", "))
                      .arg(d.holder);
        }
        return head + QCoreApplication::translate("PortDiagnostics", "belegt - ein anderes Programm benutzt sie") + who
               + QCoreApplication::translate("PortDiagnostics", "; dort zuerst schließen");
    }
    case TPortProblem::NotSerial:
        return head
               + QCoreApplication::translate("PortDiagnostics", "keine serielle Schnittstelle - den Eintrag unter "
                                                                "[Ports] in der Einstellungsdatei prüfen");
    case TPortProblem::IoError:
        return head
               + QCoreApplication::translate("PortDiagnostics",
                                             "Ein-/Ausgabefehler beim Öffnen - das Gerät ist noch nicht bereit, "
                                             "gesperrt oder ohne Hardware dahinter");
    case TPortProblem::Other:
        break;
    }
    return head + QCoreApplication::translate("PortDiagnostics", "lässt sich nicht öffnen")
           + (d.error ? QStringLiteral(" (") + qt_error_string(d.error) + QLatin1Char(')') : QString());
}
