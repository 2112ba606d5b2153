#include "gps/TrackReader.h"

#include <cmath>
#include <cstring>

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

bool IsNameChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// "$" and at least two name characters, then a comma, "*" or the end.
bool SentenceHead(std::string_view text)
{
    size_t i = 1;
    while (i < text.size() && IsNameChar(text[i]))
        ++i;
    return i >= 3 && (i == text.size() || text[i] == ',' || text[i] == '*');
}

}  // namespace

std::string_view TalkerSentence(std::string_view field0)
{
    if (field0.size() != 6 || field0[0] != '$' || field0[1] == 'P' || field0[1] < 'A' || field0[1] > 'Z'
        || field0[2] < 'A' || field0[2] > 'Z')
        return {};
    return field0.substr(3);
}

size_t SentenceStart(std::string_view line)
{
    size_t end = line.size();
    while (end > 0) {
        const void* at = ::memrchr(line.data(), '$', end);
        if (!at)
            return std::string_view::npos;
        const size_t pos = size_t(static_cast<const char*>(at) - line.data());
        if (SentenceHead(line.substr(pos)))
            return pos;
        end = pos;
    }
    return std::string_view::npos;
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
    // Eight bytes at a time, folded at the end.
    uint64_t words = 0;
    size_t i = 1;
    for (; i + 8 <= star; i += 8) {
        uint64_t w;
        std::memcpy(&w, line.data() + i, 8);
        words ^= w;
    }
    unsigned sum = 0;
    for (; i < star; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
    for (int b = 0; b < 8; ++b)
        sum ^= unsigned(words >> (8 * b)) & 0xFF;
    return sum == static_cast<unsigned>(high * 16 + low);
}

int TTrackReader::Talker(std::string_view field0)
{
    const auto code = static_cast<unsigned short>((static_cast<unsigned char>(field0[1]) << 8)
                                                  | static_cast<unsigned char>(field0[2]));
    for (int i = 0; i < m_talkers; ++i)
        if (m_talkerCodes[i] == code)
            return i;
    // More talkers than that share the last clock.
    if (m_talkers == TFixDateClock::kTalkers)
        return m_talkers - 1;
    m_talkerCodes[m_talkers] = code;
    return m_talkers++;
}

void TTrackReader::Read(std::string_view line, const TFields& fields)
{
    ++m_counts.lines;
    if (line.empty())
        return;
    const size_t start = SentenceStart(line);
    if (start == std::string_view::npos && line[0] != '$') {
        Skip(TSkipReason::Unreadable);
        return;
    }
    const TFields* f = &fields;
    std::string_view sentence = line;
    if (start != 0 && start != std::string_view::npos) {
        sentence = line.substr(start);
        SplitFields(sentence, kFieldSeparator, kMaxFields, m_fields);
        f = &m_fields;
    }
    if (!ChecksumMatches(sentence)) {
        Skip(TSkipReason::Checksum);
        return;
    }
    ++m_counts.sentences;
    const std::string_view type = TalkerSentence((*f)[0]);
    if (type.empty())
        return;
    const int talker = Talker((*f)[0]);
    if (type == "GGA") {
        Gga(*f, talker);
        return;
    }
    const bool zda = type == "ZDA";
    if (!zda && type != "RMC")
        return;
    // An empty or invalid date sentence dates nothing; a void RMC may carry
    // the receiver's unset clock, only a valid one dates.
    const int timeOfDayMs = TimeOfDayMs((*f)[1]);
    if (timeOfDayMs < 0)
        return;
    TEpoch& epoch = EpochAt(talker, timeOfDayMs);
    if (zda) {
        const TCivilDate date = DateFromZda((*f)[2], (*f)[3], (*f)[4]);
        if (date.Valid()) {
            epoch.date = date;
            epoch.dateFromZda = true;
        }
    } else if ((*f)[2] == "A" && !epoch.dateFromZda) {
        const TCivilDate date = DateFromRmc((*f)[9]);
        if (date.Valid())
            epoch.date = date;
    }
}

void TTrackReader::Gga(const TFields& f, int talker)
{
    // Every timed GGA belongs to its epoch, with a fix or not.
    const int timeOfDayMs = TimeOfDayMs(f[1]);
    TEpoch* epoch = timeOfDayMs >= 0 ? &EpochAt(talker, timeOfDayMs) : nullptr;
    // The fix quality tells whether there is a position; an empty one with
    // a position is a fix of unknown quality. The equator and the prime
    // meridian are places like any other.
    int quality = -1;
    if (!f[6].empty() && !TryReadInteger(f[6], quality)) {
        Skip(TSkipReason::Unreadable);
        return;
    }
    if (quality == 0 || (f[2].empty() && f[4].empty())) {
        Skip(TSkipReason::NoFix);
        return;
    }
    TTrackFix fix;
    if (quality < -1 || !ReadCoordinate(f[2], f[3], 'N', 'S', 90.0, fix.lat)
        || !ReadCoordinate(f[4], f[5], 'E', 'W', 180.0, fix.lon)) {
        Skip(TSkipReason::Unreadable);
        return;
    }
    fix.quality = quality;
    fix.altitude = OptionalNumber(f[9]);
    fix.hdop = OptionalNumber(f[8]);
    if (!TryReadInteger(f[7], fix.satellites) || fix.satellites < 0)
        fix.satellites = -1;
    fix.timeOfDayMs = timeOfDayMs;
    if (timeOfDayMs >= 0) {
        const size_t dot = f[1].find('.');
        if (dot != std::string_view::npos) {
            const std::string_view digits = f[1].substr(dot + 1, TTrackFix::kFractionDigits);
            std::memcpy(fix.fraction, digits.data(), digits.size());
            fix.fractionDigits = static_cast<unsigned char>(digits.size());
        }
    }
    fix.combined = f[0][1] == 'G' && f[0][2] == 'N';
    if (!epoch) {
        // Without a time the fix is an epoch of its own.
        if (m_open.size() >= kOpenEpochs)
            Close(1);
        m_open.emplace_back();
        m_open.back().hasFix = true;
        m_open.back().fix = fix;
        return;
    }
    if (!epoch->hasFix) {
        epoch->fix = fix;
        epoch->hasFix = true;
        return;
    }
    ++m_counts.merged;
    if (fix.combined && !epoch->fix.combined)
        epoch->fix = fix;
}

TTrackReader::TEpoch& TTrackReader::EpochAt(int talker, int timeOfDayMs)
{
    const unsigned bit = 1u << talker;
    // A talker at another time has left its epoch: that one is complete, and
    // so are the ones opened before it.
    for (size_t i = m_open.size(); i-- > 0;) {
        if ((m_open[i].talkers & bit) && m_open[i].timeOfDayMs != timeOfDayMs) {
            Close(i + 1);
            break;
        }
    }
    for (auto it = m_open.rbegin(); it != m_open.rend(); ++it)
        if (it->timeOfDayMs == timeOfDayMs) {
            it->talkers |= bit;
            return *it;
        }
    if (m_open.size() >= kOpenEpochs)
        Close(1);
    TEpoch& epoch = m_open.emplace_back();
    epoch.timeOfDayMs = timeOfDayMs;
    epoch.talkers = bit;
    epoch.primary = talker;
    return epoch;
}

void TTrackReader::Close(size_t count)
{
    for (; count > 0 && !m_open.empty(); --count) {
        TEpoch& e = m_open.front();
        if (e.timeOfDayMs >= 0) {
            const TFixDateClock::TDay day = m_clock.Epoch(e.timeOfDayMs, e.talkers, e.primary, e.date);
            if (day.dated && m_holding)
                DateLeadIn(day.day, e.timeOfDayMs);
            if (e.hasFix) {
                if (day.dated) {
                    if (day.day != m_lastDay) {
                        m_lastDay = day.day;
                        m_lastDate = DateFromDays(day.day);
                    }
                    e.fix.date = m_lastDate;
                }
                e.fix.timeMs = day.day * kDayMs + e.timeOfDayMs;
            }
        }
        if (e.hasFix) {
            m_ready.push_back(e.fix);
            ++m_counts.fixes;
            // A recording without a date this far will not be dated back.
            if (m_holding && m_ready.size() >= kLeadInFixes)
                m_holding = false;
        }
        m_open.pop_front();
    }
}

void TTrackReader::DateLeadIn(long long day, int timeOfDayMs)
{
    // Back from the first date, with the midnight rule turned round: a time
    // of day more than half a day later than the one after it lies on the
    // day before.
    int after = timeOfDayMs;
    for (auto it = m_ready.rbegin(); it != m_ready.rend(); ++it) {
        if (!it->HasTime())
            continue;
        if (it->timeOfDayMs > after + TFixDateClock::kHalfDayMs)
            --day;
        after = it->timeOfDayMs;
        it->date = DateFromDays(day);
        it->timeMs = day * kDayMs + it->timeOfDayMs;
    }
    m_holding = false;
}

void TTrackReader::Finish()
{
    Close(m_open.size());
    m_holding = false;
}

bool TTrackReader::Next(TTrackFix& fix)
{
    if (m_ready.empty() || m_holding)
        return false;
    fix = m_ready.front();
    m_ready.pop_front();
    return true;
}
