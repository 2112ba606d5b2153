#include "support/TtyFaults.h"

#include <QFile>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The master side of the pseudo-terminal whose slave is slavePath, among the
// descriptors of this process; -1 when none.
int masterOf(const QString& slavePath)
{
    bool ok = false;
    const int number = slavePath.section(u'/', -1).toInt(&ok);
    if (!ok)
        return -1;
    for (int fd = 0; fd < 1024; ++fd) {
        int n = -1;
        if (::ioctl(fd, TIOCGPTN, &n) == 0 && n == number)
            return fd;
    }
    return -1;
}

}  // namespace

bool LockPty(const QString& slavePath, bool locked)
{
    const int master = masterOf(slavePath);
    int on = locked ? 1 : 0;
    return master >= 0 && ::ioctl(master, TIOCSPTLCK, &on) == 0;
}

bool HangUpTty(const QString& slavePath, bool locked)
{
    const int fd = ::open(QFile::encodeName(slavePath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool done = (!locked || LockPty(slavePath, true)) && ::ioctl(fd, TIOCVHANGUP) == 0;
    ::close(fd);
    return done;
}
