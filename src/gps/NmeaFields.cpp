#include "gps/NmeaFields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

void SplitFields(std::string_view text, char separator, int maxFields, TFields& fields)
{
    fields.slot.fill(std::string_view());
    if (text.empty())
        return;
    const size_t last = static_cast<size_t>(std::clamp(maxFields, 1, kFieldSlots - 1) - 1);
    size_t index = 0;
    size_t start = 0;
    for (;;) {
        if (index == last) {
            // The last field keeps the rest, its separators included.
            fields.slot[index] = text.substr(start);
            return;
        }
        const size_t sep = text.find(separator, start);
        if (sep == std::string_view::npos) {
            fields.slot[index] = text.substr(start);
            return;
        }
        fields.slot[index] = text.substr(start, sep - start);
        start = sep + 1;
        ++index;
    }
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

bool TryReadNumber(std::string_view text, double& value)
{
    value = 0.0;
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

void AppendFixed(std::string& out, double value, int width, int precision, char decimalSeparator)
{
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
    // Fixed notation (no exponent), so the text is also an xsd:decimal.
    char buffer[400 + 64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    out.append(buffer, static_cast<size_t>(result.ptr - buffer));
}
