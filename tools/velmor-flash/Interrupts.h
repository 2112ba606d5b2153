#pragma once

#include <QThread>

#include <atomic>
#include <functional>

// The signals that end a call, as the process received them: SIGINT and
// SIGTERM are counted (the first lets the transfers under way finish, the
// second cuts them), SIGHUP (the terminal went) cuts them at once. The
// counters are set by the signal handler and read by the showing thread.
struct TInterrupts {
    std::atomic<int> stops{0};
    std::atomic<bool> hangUp{false};

    // No new transfer is to start.
    bool Ending() const { return stops > 0 || hangUp; }
    // The transfers under way are to end at once.
    bool Cutting() const { return stops > 1 || hangUp; }
};

// Routes SIGINT, SIGTERM and SIGHUP of the whole process into interrupts
// (which must outlive the process's run) and ignores SIGPIPE and SIGXFSZ,
// so that a closed terminal or pipe, or a report past the file size limit,
// makes writes fail instead of ending the process before the records are
// written.
void CatchInterrupts(TInterrupts& interrupts);

// A thread running work with those signals blocked, so that they reach the
// showing thread only and never break off a job's blocking waits. Started.
QThread* StartJobThread(std::function<void()> work);
