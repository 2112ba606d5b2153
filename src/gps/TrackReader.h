#pragma once

#include "gps/FixDate.h"
#include "gps/NmeaFields.h"

#include <cstdint>
#include <limits>
#include <string_view>

#include <deque>

// The position fixes of an NMEA recording, as the track view, the summary
// and the GPX export see them. The GGA sentences of every talker give the
// fixes, ZDA and RMC sentences of any talker the date. A sentence may stand
// after other bytes on its line (receivers that mix binary and NMEA output).
// (MapPoint, Kartex and MagicMaps keep their own reading of $GPGGA alone.)
//
// The sentences a receiver sends for one moment share its time of day: they
// form an epoch. A date sentence dates its whole epoch, also the fixes that
// came before it; the GGA sentences of several satellite systems in one
// epoch give one fix, the combined one ($GN) where there is one, else the
// first. So the reader holds back the epochs still open (a few at most) and
// gives out each fix once its epoch is complete. The fixes before the first
// date of a recording are held back until it comes (up to kLeadInFixes of
// them) and dated back from it.

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
    // The digits after the seconds' point of the time field as written
    // (at most kFractionDigits of them).
    static constexpr int kFractionDigits = 9;
    char fraction[kFractionDigits] = {};
    unsigned char fractionDigits = 0;
    bool combined = false;  // from a $GN sentence
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
    // GGA fixes of a further satellite system in an epoch that has its fix.
    int64_t merged = 0;
    int64_t skipped[kSkipReasons] = {};
    int64_t Skipped(TSkipReason reason) const { return skipped[static_cast<int>(reason)]; }
    int64_t SkippedTotal() const { return skipped[0] + skipped[1] + skipped[2]; }
};

// The sentence type of field 0 ("$GNGGA" -> "GGA") when it is a sentence of
// a two-letter talker (not a proprietary "$P..." one); empty otherwise.
std::string_view TalkerSentence(std::string_view field0);
// Where the NMEA sentence of a line starts: at its last "$" that is followed
// by a talker and sentence name and a comma (so "$$GNGGA,..." and binary
// bytes before a sentence are passed over); npos when there is none.
size_t SentenceStart(std::string_view line);
// True when the line carries no checksum, or one that matches: "*" and two
// hexadecimal digits at its end, the XOR of the bytes between "$" and "*".
bool ChecksumMatches(std::string_view line);

// Reads a recording line by line.
class TTrackReader {
public:
    // At most this many epochs are held back at a time.
    static constexpr size_t kOpenEpochs = 8;
    // At most this many fixes wait for the recording's first date.
    static constexpr size_t kLeadInFixes = 4096;

    // One line and its split (SplitFields with "," and kMaxFields).
    void Read(std::string_view line, const TFields& fields);
    // The end of the recording: the epochs still held back are complete.
    void Finish();
    // The next complete fix, in file order; false while there is none.
    bool Next(TTrackFix& fix);
    const TReadCounts& Counts() const { return m_counts; }

private:
    struct TEpoch {
        int timeOfDayMs = -1;  // -1: a fix without time, an epoch of its own
        unsigned talkers = 0;  // bit set of the talkers in it
        int primary = 0;       // the talker that opened it
        bool hasFix = false;
        TTrackFix fix;
        TCivilDate date;  // from its date sentences
        bool dateFromZda = false;
    };

    void Skip(TSkipReason reason) { ++m_counts.skipped[static_cast<int>(reason)]; }
    int Talker(std::string_view field0);
    // The open epoch of a timed sentence of talker, opened when needed.
    TEpoch& EpochAt(int talker, int timeOfDayMs);
    // Completes the first count open epochs.
    void Close(size_t count);
    void Gga(const TFields& f, int talker);
    // Dates the fixes held back, from the first dated epoch.
    void DateLeadIn(long long day, int timeOfDayMs);

    TFixDateClock m_clock;
    std::deque<TEpoch> m_open;
    std::deque<TTrackFix> m_ready;
    unsigned short m_talkerCodes[TFixDateClock::kTalkers] = {};
    int m_talkers = 0;
    TFields m_fields;  // the split of a sentence that does not start its line
    TReadCounts m_counts;
    bool m_holding = true;                                        // no date known yet
    long long m_lastDay = std::numeric_limits<long long>::min();  // of the last dated fix
    TCivilDate m_lastDate;
};
