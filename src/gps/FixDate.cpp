#include "gps/FixDate.h"

#include <algorithm>

namespace {

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int DigitsValue(std::string_view text)
{
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool TCivilDate::Valid() const
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

TCivilDate TCivilDate::NextDay() const
{
    TCivilDate next = *this;
    if (++next.day > DaysInMonth(next.year, next.month)) {
        next.day = 1;
        if (++next.month > 12) {
            next.month = 1;
            ++next.year;
        }
    }
    return next;
}

long long TCivilDate::DaysSinceEpoch() const
{
    // Days from civil, after Howard Hinnant's algorithm.
    const long long y = year - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

TCivilDate DateFromZda(std::string_view day, std::string_view month, std::string_view year)
{
    if (!AllDigits(day) || !AllDigits(month) || !AllDigits(year) || day.size() > 2 || month.size() > 2
        || year.size() != 4)
        return {};
    const TCivilDate date{DigitsValue(year), DigitsValue(month), DigitsValue(day)};
    return date.Valid() ? date : TCivilDate{};
}

TCivilDate DateFromRmc(std::string_view ddmmyy)
{
    if (ddmmyy.size() != 6 || !AllDigits(ddmmyy))
        return {};
    const int yy = DigitsValue(ddmmyy.substr(4, 2));
    const TCivilDate date{yy >= 80 ? 1900 + yy : 2000 + yy, DigitsValue(ddmmyy.substr(2, 2)),
                          DigitsValue(ddmmyy.substr(0, 2))};
    return date.Valid() ? date : TCivilDate{};
}

int TimeOfDayMs(std::string_view field)
{
    const size_t dot = field.find('.');
    const std::string_view whole = field.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : field.substr(dot + 1);
    if (whole.size() != 6 || !AllDigits(whole) || (dot != std::string_view::npos && !AllDigits(fraction)))
        return -1;
    const int h = DigitsValue(whole.substr(0, 2));
    const int m = DigitsValue(whole.substr(2, 2));
    const int s = DigitsValue(whole.substr(4, 2));
    if (h > 23 || m > 59 || s > 59)
        return -1;
    int ms = 0;
    for (size_t i = 0; i < 3; ++i)
        ms = ms * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    return ((h * 60 + m) * 60 + s) * 1000 + ms;
}

TFixDateClock::TDay TFixDateClock::Epoch(int timeOfDayMs, unsigned talkers, int primary, const TCivilDate& date)
{
    TTalkerClock now;
    now.lastMs = timeOfDayMs;
    if (date.Valid()) {
        now.day = {date.DaysSinceEpoch(), true};
        m_lastDated = now;
    } else {
        const TTalkerClock& own = m_talker[primary];
        // Where the talker has no clock yet, the last dated epoch stands in for it.
        const TTalkerClock& from = own.lastMs >= 0 && (own.day.dated || m_lastDated.lastMs < 0) ? own : m_lastDated;
        now.day = from.day;
        if (from.lastMs >= 0 && timeOfDayMs < from.lastMs - kHalfDayMs)
            ++now.day.day;
    }
    for (unsigned rest = talkers; rest != 0; rest &= rest - 1)
        m_talker[__builtin_ctz(rest)] = now;
    m_talker[primary] = now;
    return now.day;
}

TCivilDate DateFromDays(long long days)
{
    // Howard Hinnant's civil_from_days.
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    const long long y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    if (y < 1 || y > 9999)
        return {};
    return {int(y), m, d};
}
