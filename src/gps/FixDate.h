#pragma once

#include <string_view>

// Dates and times of day of NMEA sentences, and the date that holds for each
// position of a recording.

// A day of the Gregorian calendar; year 0 and anything that is no calendar
// day are not valid.
struct TCivilDate {
    int year = 0;
    int month = 0;
    int day = 0;

    bool Valid() const;
    TCivilDate NextDay() const;
    // Days since 1970-01-01 (negative before it); only for a valid date.
    long long DaysSinceEpoch() const;
    bool operator==(const TCivilDate&) const = default;
};

// From the day, month and four-digit year fields of a ZDA sentence; an
// invalid date when they are not plain digits or no calendar day.
TCivilDate DateFromZda(std::string_view day, std::string_view month, std::string_view year);
// From the ddmmyy field of an RMC sentence: years 80..99 are 1980..1999,
// 00..79 are 2000..2079 (GPS time starts in 1980).
TCivilDate DateFromRmc(std::string_view ddmmyy);

// Milliseconds since midnight of a time field hhmmss[.fff...] (digits beyond
// the milliseconds are dropped); -1 when it is no time of day.
int TimeOfDayMs(std::string_view field);

// The day of each epoch of a recording, read in file order. Every talker
// (GP, GN, GL, ...) keeps a clock of its own: an epoch with a date sentence
// sets the clocks of the talkers in it; an epoch without one takes the day
// of its first talker, which moves to the next day when that talker's time
// of day goes back by more than half a day (23:59:59, then 00:00:01); a
// smaller step back is a time going backwards and keeps the day. A talker
// that has not been in a dated epoch starts from the last dated epoch of
// any talker. So a talker with an unset or wrong clock never moves the day
// of the others.
class TFixDateClock {
public:
    static constexpr int kHalfDayMs = 12 * 3600 * 1000;
    // Talkers are numbered 0 .. kTalkers - 1 by the caller.
    static constexpr int kTalkers = 32;

    struct TDay {
        long long day = 0;   // since 1970-01-01 when dated, else since the recording's first midnight
        bool dated = false;  // false while no date is known
    };
    // An epoch at timeOfDayMs (0 ..) with the talkers of the bit set
    // talkers, first the talker primary; date is the date its date
    // sentences gave, invalid when none.
    TDay Epoch(int timeOfDayMs, unsigned talkers, int primary, const TCivilDate& date);

private:
    struct TTalkerClock {
        TDay day;
        int lastMs = -1;
    };
    TTalkerClock m_talker[kTalkers];
    TTalkerClock m_lastDated;  // of the last dated epoch, any talker
};

// The date of a day number since 1970-01-01.
TCivilDate DateFromDays(long long days);
