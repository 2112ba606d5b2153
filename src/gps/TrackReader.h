#pragma once

#include "gps/FixDate.h"
#include "gps/NmeaFields.h"

#include <cstdint>
#include <limits>
#include <string_view>

// The position fixes of an NMEA recording, as the track view, the summary
// and the GPX export see them. GGA sentences of every satellite system's
// talker (GP, GN, GL, GA, BD, GB) give the fixes; ZDA and RMC sentences of
// any of them give the date. (MapPoint, Kartex and MagicMaps keep their own
// reading of $GPGGA alone.)

// One fix.
struct TTrackFix {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

    double lat = 0.0;         // degrees, north positive
    double lon = 0.0;         // degrees, east positive
    double altitude = kNone;  // metres above mean sea level, NaN when not given
    double hdop = kNone;      // NaN when not given
    int satellites = -1;      // -1 when not given
    int quality = -1;         // GGA fix quality 1..; -1 when the field is empty
    int timeOfDayMs = -1;     // UTC, -1 when the time field is no time of day
    TCivilDate date;          // invalid while the recording has given no date
    // Milliseconds on one running clock: since 1970 UTC for a dated fix, since
    // the midnight before the recording's first time otherwise. Two fixes'
    // times compare only when both are dated or both are not.
    int64_t timeMs = 0;
    bool HasTime() const { return timeOfDayMs >= 0; }
    bool Dated() const { return date.Valid() && HasTime(); }
};

// Why a line gave no fix.
enum class TSkipReason {
    Checksum,    // a sentence whose checksum does not match
    NoFix,       // a GGA sentence without a fix (quality 0 or no position)
    Unreadable,  // no NMEA sentence at all, or a GGA whose values are no numbers or out of range
};
constexpr int kSkipReasons = 3;

// What the reader saw.
struct TReadCounts {
    int64_t lines = 0;      // every line, empty ones included
    int64_t sentences = 0;  // NMEA sentences read (checksum right or absent)
    int64_t fixes = 0;
    int64_t skipped[kSkipReasons] = {};
    int64_t Skipped(TSkipReason reason) const { return skipped[static_cast<int>(reason)]; }
    int64_t SkippedTotal() const { return skipped[0] + skipped[1] + skipped[2]; }
};

// The sentence type of field 0 ("$GNGGA" -> "GGA") when it is a sentence of
// one of the satellite systems' talkers; empty otherwise.
std::string_view TalkerSentence(std::string_view field0);
// True when the line carries no checksum, or one that matches: "*" and two
// hexadecimal digits at its end, the XOR of the bytes between "$" and "*".
bool ChecksumMatches(std::string_view line);

// Reads a recording line by line.
class TTrackReader {
public:
    // One line and its split (SplitFields with "," and kMaxFields); true when
    // it gave a fix, which Fix() then holds.
    bool Read(std::string_view line, const TFields& fields);
    const TTrackFix& Fix() const { return m_fix; }
    const TReadCounts& Counts() const { return m_counts; }

private:
    void Skip(TSkipReason reason) { ++m_counts.skipped[static_cast<int>(reason)]; }

    TFixDateClock m_clock;
    TTrackFix m_fix;
    TReadCounts m_counts;
};
