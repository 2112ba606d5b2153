#include "gps/TrackReader.h"

#include <cmath>

namespace {

constexpr int64_t kDayMs = 86400000;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A coordinate in NMEA form with its hemisphere; false when either is no
// value or the result lies beyond limit degrees.
bool ReadCoordinate(std::string_view value, std::string_view hemisphere, char positive, char negative, double limit,
                    double& degrees)
{
    double raw = 0.0;
    if (!TryReadNumber(value, raw) || hemisphere.size() != 1
        || (hemisphere[0] != positive && hemisphere[0] != negative))
        return false;
    degrees = NmeaToDegrees(hemisphere[0] == negative ? -raw : raw);
    return std::fabs(degrees) <= limit;
}

double OptionalNumber(std::string_view text)
{
    double value = 0.0;
    return TryReadNumber(text, value) ? value : TTrackFix::kNone;
}

}  // namespace

std::string_view TalkerSentence(std::string_view field0)
{
    if (field0.size() != 6 || field0[0] != '$')
        return {};
    const std::string_view talker = field0.substr(1, 2);
    if (talker != "GP" && talker != "GN" && talker != "GL" && talker != "GA" && talker != "BD" && talker != "GB")
        return {};
    return field0.substr(3);
}

bool ChecksumMatches(std::string_view line)
{
    const size_t star = line.rfind('*');
    if (star == std::string_view::npos)
        return true;
    if (line.size() != star + 3 || line.empty() || line[0] != '$')
        return false;
    const int high = HexDigit(line[star + 1]);
    const int low = HexDigit(line[star + 2]);
    if (high < 0 || low < 0)
        return false;
    unsigned sum = 0;
    for (size_t i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
    return sum == static_cast<unsigned>(high * 16 + low);
}

bool TTrackReader::Read(std::string_view line, const TFields& f)
{
    ++m_counts.lines;
    if (line.empty())
        return false;
    const std::string_view type = TalkerSentence(f[0]);
    if (line[0] == '$' && !ChecksumMatches(line)) {
        Skip(TSkipReason::Checksum);
        return false;
    }
    if (f[0].size() < 2 || f[0][0] != '$') {
        Skip(TSkipReason::Unreadable);
        return false;
    }
    ++m_counts.sentences;
    if (type == "ZDA") {
        m_clock.Zda(DateFromZda(f[2], f[3], f[4]), TimeOfDayMs(f[1]));
        return false;
    }
    // A void RMC may carry the receiver's unset clock; only a valid one dates.
    if (type == "RMC") {
        if (f[2] == "A")
            m_clock.Rmc(DateFromRmc(f[9]), TimeOfDayMs(f[1]));
        return false;
    }
    if (type != "GGA")
        return false;

    // Every timed GGA counts for the midnight test, with a fix or not.
    const int timeOfDayMs = TimeOfDayMs(f[1]);
    const TCivilDate date = m_clock.At(timeOfDayMs);
    // The fix quality tells whether there is a position; an empty one with
    // a position is a fix of unknown quality. The equator and the prime
    // meridian are places like any other.
    int quality = -1;
    if (!f[6].empty() && !TryReadInteger(f[6], quality)) {
        Skip(TSkipReason::Unreadable);
        return false;
    }
    if (quality == 0 || (f[2].empty() && f[4].empty())) {
        Skip(TSkipReason::NoFix);
        return false;
    }
    TTrackFix fix;
    if (quality < -1 || !ReadCoordinate(f[2], f[3], 'N', 'S', 90.0, fix.lat)
        || !ReadCoordinate(f[4], f[5], 'E', 'W', 180.0, fix.lon)) {
        Skip(TSkipReason::Unreadable);
        return false;
    }
    fix.quality = quality;
    fix.altitude = OptionalNumber(f[9]);
    fix.hdop = OptionalNumber(f[8]);
    if (!TryReadInteger(f[7], fix.satellites) || fix.satellites < 0)
        fix.satellites = -1;
    fix.timeOfDayMs = timeOfDayMs;
    fix.date = date;
    const int64_t day = date.Valid() ? date.DaysSinceEpoch() : m_clock.Midnights();
    fix.timeMs = day * kDayMs + (timeOfDayMs >= 0 ? timeOfDayMs : 0);
    m_fix = fix;
    ++m_counts.fixes;
    return true;
}
