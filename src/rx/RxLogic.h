#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

// Line assembly and dispatch decisions of the receive side, free of widgets.

// Prefix of received lines in the log while the marker is on.
inline const QString kRxMarker = QStringLiteral("       <--- ");
// Longest reflected value text and identification reply kept.
constexpr int kRxFieldLimit = 1000;

// Feeds received characters into the line under assembly. CR and '/' end a
// line (onEnd(endChar) is called with line still holding the text); characters
// of code 32 and above are appended and become lastChar; other control
// characters are dropped.
template <typename OnEnd>
void AssembleRx(QStringView chunk, QString& line, QChar& lastChar, OnEnd&& onEnd)
{
    for (QChar c : chunk) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('/')) {
            onEnd(c);
        } else if (c.unicode() >= 32) {
            line += c;
            lastChar = c;
        }
    }
}

// The part of a line from its first '#', at most 1000 characters; nullopt
// when the line holds no '#'.
std::optional<QString> IdReplyOf(const QString& line);

// One row of the reflection table: a key in a received line sets a field of
// a panel while that panel is on show.
struct TReflection {
    const char* key;
    const char* field;
    const char* panel;
};
extern const TReflection kReflections[11];

// The value a line gives for a key: the text after the key's first occurrence
// to the end of the line (at most 1000 characters) read as a whole decimal
// number. nullopt when the key is absent or the text is no whole number
// ("35s", a second key on the line).
std::optional<int> ReflectedValue(const QString& line, QLatin1String key);

// Local date and time as the capture stamp: short date, a blank, long time
// (at exactly midnight only the date), then ":  ".
QString StampPrefix(const QDateTime& when);
// The clock of the capture stamps: local date and time now, unless a clock
// was set (an empty function restores the system's).
QDateTime StampClockNow();
void SetStampClock(std::function<QDateTime()> clock);
// Date and time in the system's short-date and long-time formats.
QString LocalDateTimeText(const QDateTime& when);
