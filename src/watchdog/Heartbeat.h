#pragma once

// The PC heartbeat: every tenth tick of a one-second timer a heartbeat goes
// to the watchdog unit, optionally only while a named program runs, so that
// the unit notices when that program (or the whole PC) has stopped. Between
// heartbeats the countdown is shown: 9, 8, ..., 0 seconds.

#include <QString>

#include <functional>

class THeartbeat {
public:
    static constexpr int kTicksPerHeartbeat = 10;

    // Shows the countdown text.
    std::function<void(const QString&)> ShowCountdown;
    // Sends one heartbeat.
    std::function<void()> Send;
    // Whether the process check is on, and the name of the process to watch.
    std::function<bool()> CheckProcess;
    std::function<QString()> ProcessName;
    // Whether a process of that name runs.
    std::function<bool(const QString&)> ProcessExists;
    // While it holds, a due heartbeat waits and goes at the first tick after.
    std::function<bool()> Hold;

    // The countdown starts again from 10 seconds.
    void Restart() { m_count = 0; }
    int Count() const { return m_count; }

    // One tick of the timer; returns whether a heartbeat went out.
    bool Tick();

    static QString CountdownText(int secondsLeft);

private:
    int m_count = 0;
};
