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

void TFixDateClock::Take(const TCivilDate& date, int timeOfDayMs)
{
    m_date = date;
    m_lastMs = timeOfDayMs;
}

void TFixDateClock::Zda(const TCivilDate& date, int timeOfDayMs)
{
    m_zdaSeen = true;
    Take(date, timeOfDayMs);
}

void TFixDateClock::Rmc(const TCivilDate& date, int timeOfDayMs)
{
    if (!m_zdaSeen)
        Take(date, timeOfDayMs);
}

TCivilDate TFixDateClock::At(int timeOfDayMs)
{
    if (timeOfDayMs < 0)
        return m_date;
    if (m_lastMs >= 0 && timeOfDayMs < m_lastMs - kHalfDayMs) {
        ++m_midnights;
        if (m_date.Valid())
            m_date = m_date.NextDay();
    }
    m_lastMs = timeOfDayMs;
    return m_date;
}
