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

// The date of each position of a recording, read in file order. A ZDA
// sentence sets the date; RMC sentences set it as long as no ZDA was seen.
// When the time of day goes back by more than half a day (23:59:59, then
// 00:00:01), midnight was crossed and the date moves to the next day; a
// smaller step back is a time going backwards and keeps the date.
class TFixDateClock {
public:
    static constexpr int kHalfDayMs = 12 * 3600 * 1000;

    // A date sentence with its time of day (-1 when it has none).
    void Zda(const TCivilDate& date, int timeOfDayMs);
    void Rmc(const TCivilDate& date, int timeOfDayMs);
    // A position at timeOfDayMs (-1 when it has none): the date that holds
    // for it, invalid while no date is known.
    TCivilDate At(int timeOfDayMs);
    // Midnights crossed so far, dated or not.
    int Midnights() const { return m_midnights; }

private:
    void Take(const TCivilDate& date, int timeOfDayMs);

    TCivilDate m_date;
    int m_lastMs = -1;
    bool m_zdaSeen = false;
    int m_midnights = 0;
};
