#pragma once

#include <array>
#include <string>
#include <string_view>

// Field and number rules of the NMEA converter. Everything here works on the
// bytes of a line as read from the file (one byte per character, Latin-1),
// without locale and without widgets.

// The field slots a line is split into; slot 30 is never filled.
constexpr int kFieldSlots = 31;
// What the converters split with: "," and at most 20 fields.
constexpr char kFieldSeparator = ',';
constexpr int kMaxFields = 20;

// Fields of one line: views into the line, valid as long as the line is.
// Unfilled slots are empty.
struct TFields {
    std::array<std::string_view, kFieldSlots> slot{};
    std::string_view operator[](int i) const { return slot[static_cast<size_t>(i)]; }
};

// Splits text at every separator into fields 0, 1, ... From the field
// maxFields - 1 on, the rest of the text, separators included, stays in that
// last field. Nothing is trimmed; adjacent separators give an empty field.
// maxFields is taken within 1 .. 30.
void SplitFields(std::string_view text, char separator, int maxFields, TFields& fields);

// A floating-point number with "." as the decimal separator, whatever the
// locale: an optional sign, digits, an optional fraction and exponent, and
// nothing else. Anything else (empty, "-", letters, "0x10", "nan", "inf", a
// value beyond the double range such as "1e999") reads as 0.
double ReadNumber(std::string_view text);
// The same, telling whether text was a number at all.
bool TryReadNumber(std::string_view text, double& value);

// A plain decimal integer: an optional sign and digits within the 32-bit
// range ("08" gives 8); anything else ("545.4", "", "0x10") reads as 0.
int ReadInteger(std::string_view text);
bool TryReadInteger(std::string_view text, int& value);

// The number of "-" + value when hemisphere is exactly negativeMark ("S" for
// a latitude, "W" for a longitude; case matters), else of value alone.
double ReadSignedCoordinate(std::string_view value, std::string_view hemisphere, std::string_view negativeMark);

// NMEA degrees x 100 + minutes to decimal degrees; the sign is kept
// (-4807.038 gives -48.1173).
double NmeaToDegrees(double value);

// The time field cut before its first "." (the fraction of seconds dropped).
std::string_view TimeText(std::string_view field);

// Up to count characters from pos (0-based); shorter or empty where the text
// ends first.
std::string_view Mid(std::string_view text, size_t pos, size_t count);

// Appends value the way C's printf("%<width>.<precision>f") writes it in the
// C locale, with decimalSeparator in place of ".": rounded exactly, padded
// with leading blanks to width, never cut.
void AppendFixed(std::string& out, double value, int width, int precision, char decimalSeparator);

// Appends the shortest text without exponent that reads back as value
// ("112", "1.2", "-3.25").
void AppendShortest(std::string& out, double value);
