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

TPortDiagnosis DiagnosePort(const QString& devicePath, int serialError)
{
    // A network port: the connection's own finding (a TNetProblem).
    if (LooksLikeNetAddress(devicePath))
        return TPortDiagnosis{serialError ? TPortProblem::Network : TPortProblem::None, serialError, 0};
    TPortDiagnosis d = ProbeSerialDevice(QFile::encodeName(devicePath).constData());
    if (d.problem == TPortProblem::None || d.problem == TPortProblem::Busy) {
        const TPortBusyProbe probe(devicePath);
        if (probe.Busy()) {
            d.problem = TPortProblem::Busy;
            d.holder = probe.Busy().holder;
            d.busyWay = probe.Busy().way;
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
    case TPortProblem::Busy:
        return PortBusyText(devicePath, TPortBusy{d.busyWay, d.holder});
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
