#include "watchdog/Heartbeat.h"

#include <QCoreApplication>

QString THeartbeat::CountdownText(int secondsLeft)
{
    return QCoreApplication::translate("Heartbeat", "Nächster Heartbeat in: %1 Sekunden...").arg(secondsLeft);
}

bool THeartbeat::Tick()
{
    ++m_count;
    if (ShowCountdown)
        ShowCountdown(CountdownText(kTicksPerHeartbeat - m_count));
    if (m_count < kTicksPerHeartbeat)
        return false;
    if (Hold && Hold()) {
        m_count = kTicksPerHeartbeat - 1;
        return false;
    }
    m_count = 0;
    if (CheckProcess && CheckProcess()) {
        const QString name = ProcessName ? ProcessName().trimmed() : QString();
        if (!name.isEmpty() && !(ProcessExists && ProcessExists(name)))
            return false;  // the unit misses this heartbeat
    }
    if (Send)
        Send();
    return true;
}
