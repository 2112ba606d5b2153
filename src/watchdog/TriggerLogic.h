#pragma once

#include <QString>

// Arithmetic of the seconds counter and the cyclic watchdog trigger.

// Above one million seconds the counter jumps to, and stays at, ten million.
constexpr int kSecondsSaturated = 10000000;
inline int NextSecondsCount(int seconds)
{
    return seconds + 1 > 1000000 ? kSecondsSaturated : seconds + 1;
}

// One second less until the next trigger; -1 (off) once it passes 0.
inline int NextCountdown(int countdown)
{
    return countdown - 1 < 0 ? -1 : countdown - 1;
}

// The counter of a timed trigger wraps after 20 bits.
constexpr int kTimedTriggerMax = 0xFFFFF;
inline int NextTimedTrigger(int state)
{
    return state + 1 > kTimedTriggerMax ? 0 : state + 1;
}

// Trigger interval that a retrigger time gives: half of it, rounded up.
inline int TriggerIntervalFor(int retriggerTime)
{
    return (retriggerTime + 1) / 2;
}

// "{1}TRIG=" + value + CR.
inline QString TriggerCommand(int value)
{
    return QStringLiteral("{1}TRIG=") + QString::number(value) + QLatin1Char('\r');
}
