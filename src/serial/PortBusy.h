#pragma once

#include <QString>

// Whether another program holds a serial device, found out before the port
// is opened, and the one text every part of the program says about it.
// Three ways of holding a device are looked at: a UUCP lock file
// ("LCK..ttyUSB0" in /run/lock, /var/lock, /var/spool/locks or /tmp) whose
// process still runs, the terminal's exclusive mode (TIOCEXCL, which does not
// stop the superuser from opening the device), and an flock() on it.

enum class TBusyWay { None, LockFile, Exclusive, Flock };

// Plain data, so that it may be handed from a child process as it is.
struct TPortBusy {
    TBusyWay way = TBusyWay::None;
    long long holder = 0;  // its process, 0 where the system does not tell
    explicit operator bool() const { return way != TBusyWay::None; }
};

// Process id in the lock file of the device ("LCK.." + its name below /dev
// with '/' turned into '_') whose process still runs; 0 when there is none.
long long PortLockHolder(const QString& devicePath);

// Looks at the device from outside. fd: a descriptor of the device this
// process has open just to look (-1: none, then the exclusive mode and the
// flock are not looked at).
TPortBusy PortBusyOf(const QString& devicePath, int fd);

// Holds a descriptor of the device open while the port itself is being
// opened, so that looking at the device is never its last close (which
// would hang up the line), and says whether the device is busy.
class TPortBusyProbe {
public:
    explicit TPortBusyProbe(const QString& devicePath);
    ~TPortBusyProbe();
    TPortBusyProbe(const TPortBusyProbe&) = delete;
    TPortBusyProbe& operator=(const TPortBusyProbe&) = delete;

    const TPortBusy& Busy() const { return m_busy; }

private:
    int m_fd = -1;
    TPortBusy m_busy;
};

// "<path>: busy - in use by another program (<name>, process <pid>, lock
// file); close it there first", in the language in force: the holder and
// the way it holds the device where known. Without the path when it is
// empty.
QString PortBusyText(const QString& devicePath, const TPortBusy& busy);
