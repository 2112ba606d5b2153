#pragma once

#include <QString>

// Arithmetic of the seconds counter and the cyclic watchdog trigger. The
// fields read without clamping, so every input may be any int a user can
// type; the sums are taken in 64 bits so that none of them can overflow.

// Above one million seconds the counter jumps to, and stays at, ten million.
constexpr int kSecondsSaturated = 10000000;
constexpr int kSecondsLimit = 1000000;
inline int NextSecondsCount(int seconds)
{
    return qint64(seconds) + 1 > kSecondsLimit ? kSecondsSaturated : seconds + 1;
}

// One second less until the next trigger; -1 (off) once it passes 0.
inline int NextCountdown(int countdown) { return countdown < 1 ? -1 : countdown - 1; }

// The counter of a timed trigger wraps after 20 bits.
constexpr int kTimedTriggerMax = 0xFFFFF;
inline int NextTimedTrigger(int state) { return qint64(state) + 1 > kTimedTriggerMax ? 0 : state + 1; }

// Trigger interval that a retrigger time gives: (t + 1) div 2, i.e. half of
// it rounded up for the positive times the fields hold. The result is 64-bit
// because a typed int maximum would overflow t + 1; the field clamps it.
inline qint64 TriggerIntervalFor(int retriggerTime) { return (qint64(retriggerTime) + 1) / 2; }

// "{1}TRIG=" + value + CR.
inline QString TriggerCommand(int value)
{
    return QStringLiteral("{1}TRIG=") + QString::number(value) + QLatin1Char('\r');
}
