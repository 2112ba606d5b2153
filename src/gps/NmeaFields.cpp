#include "gps/NmeaFields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

void SplitFields(std::string_view text, char separator, int maxFields, TFields& fields)
{
    fields.slot.fill(std::string_view());
    if (text.empty())
        return;
    const size_t last = static_cast<size_t>(std::clamp(maxFields, 1, kFieldSlots - 1) - 1);
    // One pass over the bytes: the fields of a sentence are short, a search
    // call per field would cost more than it saves.
    const char* const p = text.data();
    const size_t n = text.size();
    size_t index = 0;
    size_t start = 0;
    if (index < last) {
        for (size_t i = 0; i < n; ++i) {
            if (p[i] != separator)
                continue;
            fields.slot[index] = text.substr(start, i - start);
            start = i + 1;
            if (++index == last)
                break;
        }
    }
    // The last field keeps the rest, its separators included.
    fields.slot[index] = text.substr(start);
}

namespace {

// from_chars takes no "+": steps over one. A sign after it makes the text no
// number (false).
bool skipPlus(const char*& begin, const char* end)
{
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-')
            return false;
    }
    return true;
}

}  // namespace

double ReadNumber(std::string_view text)
{
    double value = 0.0;
    return TryReadNumber(text, value) ? value : 0.0;
}

namespace {

// The plain decimals of NMEA ("5130.1234", "-12.5", "112"): when the digits
// fit 2^53 and the fraction has at most 22 digits, the quotient of two exact
// doubles is rounded exactly like from_chars rounds; false for anything
// else, which from_chars then reads.
bool TryPlainDecimal(std::string_view text, double& value)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++i;
    uint64_t mantissa = 0;
    int digits = 0, fraction = -1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (++digits > 15)
                return false;
            mantissa = mantissa * 10 + uint64_t(c - '0');
            if (fraction >= 0)
                ++fraction;
        } else if (c == '.' && fraction < 0) {
            fraction = 0;
        } else {
            return false;
        }
    }
    // Digits on both sides of a point are not needed by from_chars either
    // ("5." and ".5" are numbers), but at least one digit is.
    if (digits == 0)
        return false;
    const double v = double(mantissa) / kPowers[fraction > 0 ? fraction : 0];
    value = negative ? -v : v;
    return true;
}

}  // namespace

bool TryReadNumber(std::string_view text, double& value)
{
    value = 0.0;
    if (TryPlainDecimal(text, value))
        return true;
    const char* begin = text.data();
    const char* const end = begin + text.size();
    if (!skipPlus(begin, end))
        return false;
    double read = 0.0;
    const auto [stop, error] = std::from_chars(begin, end, read, std::chars_format::general);
    if (error != std::errc() || stop != end || begin == end || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

int ReadInteger(std::string_view text)
{
    int value = 0;
    return TryReadInteger(text, value) ? value : 0;
}

bool TryReadInteger(std::string_view text, int& value)
{
    value = 0;
    const char* begin = text.data();
    const char* const end = begin + text.size();
    if (!skipPlus(begin, end))
        return false;
    int read = 0;
    const auto [stop, error] = std::from_chars(begin, end, read, 10);
    if (error != std::errc() || stop != end || begin == end)
        return false;
    value = read;
    return true;
}

double ReadSignedCoordinate(std::string_view value, std::string_view hemisphere, std::string_view negativeMark)
{
    if (hemisphere != negativeMark)
        return ReadNumber(value);
    // "-" + value: no number when value is empty or brings its own sign.
    if (value.empty() || value.front() == '-' || value.front() == '+')
        return 0.0;
    return -ReadNumber(value);
}

double NmeaToDegrees(double value)
{
    const double v = value / 100.0;
    const double d = std::trunc(v);
    return (v - d) / 0.6 + d;
}

std::string_view TimeText(std::string_view field) { return field.substr(0, field.find('.')); }

std::string_view Mid(std::string_view text, size_t pos, size_t count)
{
    if (pos >= text.size())
        return std::string_view();
    return text.substr(pos, count);
}

namespace {

constexpr double kTens[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// "-" when negative, then digits of the whole number units with a point
// before the last decimals of them.
size_t WriteScaled(char* buffer, bool negative, uint64_t units, int decimals, char separator)
{
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + units % 10);
        units /= 10;
    } while (units != 0 || n <= decimals);
    size_t length = 0;
    if (negative)
        buffer[length++] = '-';
    for (int i = n - 1; i >= 0; --i) {
        buffer[length++] = digits[i];
        if (i == decimals && decimals > 0)
            buffer[length++] = separator;
    }
    return length;
}

// The value rounded to decimals places as whole units of 10^-decimals, when
// the product is far enough from a half to be rounded exactly like the
// binary value itself; false otherwise.
bool ScaledExactly(double value, int decimals, uint64_t& units)
{
    const double x = std::fabs(value) * kTens[decimals];
    if (!(x < 1e15))
        return false;
    const double whole = std::floor(x);
    const double rest = x - whole;
    // The product is off by at most an ulp of x; keep well clear of the half.
    if (std::fabs(rest - 0.5) <= x * 1e-15 + 1e-300)
        return false;
    units = uint64_t(whole) + (rest > 0.5 ? 1 : 0);
    return true;
}

}  // namespace

void AppendFixed(std::string& out, double value, int width, int precision, char decimalSeparator)
{
    // The common case at a fraction of to_chars' cost, to the same digits.
    uint64_t units = 0;
    if (precision >= 0 && precision <= 9 && ScaledExactly(value, precision, units)) {
        char buffer[40];
        const size_t length = WriteScaled(buffer, std::signbit(value), units, precision, decimalSeparator);
        if (width > 0 && length < static_cast<size_t>(width))
            out.append(static_cast<size_t>(width) - length, ' ');
        out.append(buffer, length);
        return;
    }
    // Room for the largest double written in full (309 digits) and the fraction.
    char buffer[400 + 64];
    precision = std::clamp(precision, 0, 60);
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    const size_t length = static_cast<size_t>(result.ptr - buffer);
    if (decimalSeparator != '.') {
        if (char* dot = static_cast<char*>(std::memchr(buffer, '.', length)))
            *dot = decimalSeparator;
    }
    if (width > 0 && length < static_cast<size_t>(width))
        out.append(static_cast<size_t>(width) - length, ' ');
    out.append(buffer, length);
}

void AppendShortest(std::string& out, double value)
{
    // Values of a few decimals (altitudes, HDOP): the fewest decimals that
    // read back as the value are the shortest text, and with so few there
    // is only one such text.
    if (std::fabs(value) < 1e9) {
        for (int decimals = 0; decimals <= 4; ++decimals) {
            const double x = std::fabs(value) * kTens[decimals];
            const double whole = std::nearbyint(x);
            if (whole / kTens[decimals] != std::fabs(value))
                continue;
            char buffer[40];
            out.append(buffer, WriteScaled(buffer, std::signbit(value), uint64_t(whole), decimals, '.'));
            return;
        }
    }
    // Fixed notation (no exponent), so the text is also an xsd:decimal.
    char buffer[400 + 64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    out.append(buffer, static_cast<size_t>(result.ptr - buffer));
}
