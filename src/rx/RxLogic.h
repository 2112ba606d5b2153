#pragma once

#include "rx/LogFiles.h"

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <utility>

// Line assembly and dispatch decisions of the receive side, free of widgets.

// Prefix of received lines in the log while the marker is on.
inline const QString kRxMarker = QStringLiteral("       <--- ");
// Longest reflected value text and identification reply kept.
constexpr int kRxFieldLimit = 1000;

// The line under assembly. It holds at most one piece of a line: once the
// characters would make a logged line longer than TLogFiles::kLineLimit, the
// piece so far is taken (logged and captured) and the line goes on in the next
// piece, behind TLogFiles::kContinued in the log. So a line that never ends
// costs no more than two pieces: the one on hand and the line's first, which
// the dispatch decisions see in place of the whole line.
class TRxLine {
public:
    // The characters of the piece on hand.
    const QString& Text() const { return m_text; }
    operator const QString&() const { return m_text; }
    qsizetype size() const { return m_text.size(); }
    bool isEmpty() const { return m_text.isEmpty() && !m_continued; }
    // Forgets the line, taken pieces included.
    void clear()
    {
        m_text.clear();
        m_first.clear();
        m_continued = false;
    }

    // True once a piece of the line has been taken.
    bool Continued() const { return m_continued; }
    // The characters of the line's first piece (once Continued()).
    const QString& First() const { return m_first; }
    // Characters the piece on hand may hold, with prefixSize characters in
    // front of the line's first piece in the log.
    qsizetype Room(qsizetype prefixSize) const
    {
        return TLogFiles::kLineLimit - (m_continued ? TLogFiles::kContinued.size() : prefixSize);
    }
    void Append(QChar c) { m_text += c; }
    // Hands out the piece on hand; the line goes on in the next one.
    QString TakePiece()
    {
        QString piece = std::exchange(m_text, QString());
        if (!m_continued)
            m_first = piece;
        m_continued = true;
        return piece;
    }

private:
    QString m_text;
    QString m_first;
    bool m_continued = false;
};

// Feeds received characters into the line under assembly. CR and '/' end a
// line (onEnd(endChar) is called with line still holding the text); characters
// of code 32 and above are appended and become lastChar; other control
// characters are dropped. A character that finds the piece on hand full
// (prefixSize as for TRxLine::Room) first calls onFull(), which takes it.
template <typename OnEnd, typename OnFull>
void AssembleRx(QStringView chunk, TRxLine& line, QChar& lastChar, qsizetype prefixSize, OnEnd&& onEnd, OnFull&& onFull)
{
    for (QChar c : chunk) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('/')) {
            onEnd(c);
        } else if (c.unicode() >= 32) {
            if (line.size() >= line.Room(prefixSize))
                onFull();
            line.Append(c);
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
