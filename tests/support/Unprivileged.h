#pragma once

#include <QByteArray>

#include <cstddef>
#include <functional>
#include <optional>

// Permission bits do not stop root. To see how the program fares as an
// ordinary user, a test runs the code under test through RunUnprivileged:
// as root it runs in a forked child that has dropped to the user "nobody"
// (uid/gid 65534); otherwise it runs right here.
//
// fn puts its result into buf (at most size bytes) and returns the length.
// In the child it runs between fork and _exit: unless the process has a
// single thread at that moment, fn must stick to async-signal-safe calls.
using TUnprivilegedFn = std::function<std::size_t(char* buf, std::size_t size)>;

bool RunningAsRoot();
// The result, or nothing when the child could not be started or could not
// drop its privileges.
std::optional<QByteArray> RunUnprivileged(const TUnprivilegedFn& fn);
