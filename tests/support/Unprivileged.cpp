#include "support/Unprivileged.h"

#include <cerrno>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

bool RunningAsRoot() { return ::geteuid() == 0; }

std::optional<QByteArray> RunUnprivileged(const TUnprivilegedFn& fn)
{
    char buf[8192];
    if (!RunningAsRoot())
        return QByteArray(buf, qsizetype(fn(buf, sizeof buf)));

    int out[2];
    if (::pipe(out) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(out[0]);
        const gid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(65534) != 0 || ::geteuid() == 0)
            ::_exit(3);
        const std::size_t n = fn(buf, sizeof buf);
        std::size_t done = 0;
        while (done < n) {
            const ssize_t put = ::write(out[1], buf + done, n - done);
            if (put <= 0)
                ::_exit(4);
            done += std::size_t(put);
        }
        ::_exit(0);
    }
    ::close(out[1]);
    QByteArray result;
    for (;;) {
        const ssize_t got = ::read(out[0], buf, sizeof buf);
        if (got > 0) {
            result.append(buf, got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        break;
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}
