// Linked into every test program (and only there): each change of a serial
// line's settings in the test process first lets the device peers take what
// was written at the old rate.
#include "sim/DevicePeer.h"

#include <dlfcn.h>
#include <termios.h>

// Every change of line settings in the test program passes here first (the
// serial port library calls tcsetattr through the dynamic linker, which finds
// this definition before the C library's).
extern "C" int tcsetattr(int fd, int action, const struct termios* t)
{
    using Real = int (*)(int, int, const struct termios*);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "tcsetattr"));
    TDevicePeer::TakeBeforeLineChange(fd);
    return real(fd, action, t);
}
