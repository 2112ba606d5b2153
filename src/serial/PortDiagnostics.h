#pragma once

#include "serial/PortBusy.h"

#include <QString>

// Why a serial port could not be opened, found out on the device path itself
// so that the technician can be told what to do about it. Free of widgets.

enum class TPortProblem {
    None,              // the device opens as a terminal; nothing found
    NoSuchDevice,      // path missing, or no hardware behind the device node
    PermissionDenied,  // the user may not open the device
    Busy,              // another program holds the port (exclusive open or lock file)
    NotSerial,         // the path is no terminal device
    IoError,           // the device node is there but does not open yet (EIO)
    Other,             // opening failed for another reason (see error)
    Network,           // a network port did not connect (error: a TNetProblem)
};

struct TPortDiagnosis {
    TPortProblem problem = TPortProblem::None;
    int error = 0;                      // errno of the failing call, where there is one
    long long holder = 0;               // process holding the port, 0 unknown
    TBusyWay busyWay = TBusyWay::None;  // how it holds it, where known
};

// Looks at the device with stat, open (read/write, no controlling terminal,
// non-blocking) and isatty/tcgetattr, and closes it again. Uses only
// async-signal-safe calls and allocates nothing, so it may run in a child
// process between fork and exit.
TPortDiagnosis ProbeSerialDevice(const char* path);

// The whole diagnosis of a port whose open failed: the device probe, whether
// another program holds it (PortBusy.h), and the error the serial port layer reported (a
// QSerialPort::SerialPortError value, 0 for none) where the probe finds
// nothing of its own.
TPortDiagnosis DiagnosePort(const QString& devicePath, int serialError);

// One line for tool tips and the log: the device path, the reason and what
// to do; Latin-1 only, so that it reaches an 8-bit log file whole. Empty for
// TPortProblem::None.
QString PortProblemText(const QString& devicePath, const TPortDiagnosis& diagnosis);
