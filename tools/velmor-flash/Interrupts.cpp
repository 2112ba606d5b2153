#include "Interrupts.h"

#include <csignal>
#include <pthread.h>

namespace {

TInterrupts* g_interrupts = nullptr;

extern "C" void CountInterrupt(int signal)
{
    if (!g_interrupts)
        return;
    if (signal == SIGHUP)
        g_interrupts->hangUp = true;
    else
        ++g_interrupts->stops;
}

sigset_t endingSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

void CatchInterrupts(TInterrupts& interrupts)
{
    static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
    g_interrupts = &interrupts;
    struct sigaction count {};
    count.sa_handler = CountInterrupt;
    sigemptyset(&count.sa_mask);
    count.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &count, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
    // A report past the file size limit: the write fails and says so.
    sigaction(SIGXFSZ, &ignore, nullptr);
}

QThread* StartJobThread(std::function<void()> work)
{
    QThread* thread = QThread::create(std::move(work));
    // The new thread inherits the mask of the one that starts it.
    const sigset_t blocked = endingSignals();
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    thread->start();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
}
