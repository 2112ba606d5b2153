// A pseudo-terminal has no modem lines: setting DTR on one fails. Linked into
// a test program (by naming PtyModemLines), this gives the slave sides of
// pseudo-terminals the lines a serial adapter has, so that a test can see
// what the program set them to. Every other ioctl goes to the C library.
#include "support/ModemLinesHook.h"

#include <QFile>

#include <cstdarg>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

std::mutex g_mutex;
std::map<dev_t, int> g_lines;  // modem line bits of each slave device

bool isPtySlave(int fd, dev_t& device)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    device = st.st_rdev;
    // Unix 98 pseudo-terminal slaves have the majors 136 to 143.
    return major(device) >= 136 && major(device) <= 143;
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) __THROW
{
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    using Real = int (*)(int, unsigned long, void*);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "ioctl"));
    dev_t device = 0;
    if ((request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET || request == TIOCMGET) && arg
        && isPtySlave(fd, device)) {
        std::lock_guard<std::mutex> lock(g_mutex);
        int& lines = g_lines[device];
        int* bits = static_cast<int*>(arg);
        if (request == TIOCMBIS)
            lines |= *bits;
        else if (request == TIOCMBIC)
            lines &= ~*bits;
        else if (request == TIOCMSET)
            lines = *bits;
        else
            *bits = lines;
        return 0;
    }
    return real(fd, request, arg);
}

int PtyModemLines(const QString& slavePath)
{
    struct stat st {};
    if (::stat(QFile::encodeName(slavePath).constData(), &st) != 0)
        return -1;
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto it = g_lines.find(st.st_rdev);
    return it == g_lines.end() ? 0 : it->second;
}
