// GPX 1.1: one track, one segment, a point per $GPGGA line with a fix.
#include "gps/NmeaExport.h"
#include "gps/NmeaStream.h"

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

// "YYYY-MM-DD" from the day, month and year fields of $GPZDA; empty when
// they are not a calendar date.
std::string IsoDate(std::string_view day, std::string_view month, std::string_view year)
{
    if (!AllDigits(day) || !AllDigits(month) || year.size() != 4 || !AllDigits(year) || day.size() > 2
        || month.size() > 2)
        return std::string();
    const int d = DigitsValue(day);
    const int m = DigitsValue(month);
    const int y = DigitsValue(year);
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1 || d > kDays[m - 1])
        return std::string();
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (m == 2 && d == 29 && !leap)
        return std::string();
    std::string out(year);
    out += '-';
    out.append(2 - month.size(), '0').append(month);
    out += '-';
    out.append(2 - day.size(), '0').append(day);
    return out;
}

// "Thh:mm:ss[.f]Z" from the time field hhmmss[.f]; false when it is no time of day.
bool AppendIsoTime(std::string& out, std::string_view field)
{
    const size_t dot = field.find('.');
    const std::string_view whole = field.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : field.substr(dot + 1);
    if (whole.size() != 6 || !AllDigits(whole) || (dot != std::string_view::npos && !AllDigits(fraction)))
        return false;
    if (DigitsValue(whole.substr(0, 2)) > 23 || DigitsValue(whole.substr(2, 2)) > 59
        || DigitsValue(whole.substr(4, 2)) > 59)
        return false;
    out += 'T';
    out.append(whole.substr(0, 2)).append(":").append(whole.substr(2, 2)).append(":").append(whole.substr(4, 2));
    if (!fraction.empty())
        out.append(".").append(fraction);
    out += 'Z';
    return true;
}

class TGpxExport : public TNmeaExport {
public:
    void Header(TLineWriter& out) override
    {
        out.Line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
        out.Line("<gpx version=\"1.1\" creator=\"VelmorServiceSoftware\""
                 " xmlns=\"http://www.topografix.com/GPX/1/1\""
                 " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                 " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1"
                 " http://www.topografix.com/GPX/1/1/gpx.xsd\">");
        out.Line("  <trk>");
        out.Line("    <trkseg>");
    }

    void Record(std::string_view, const TFields& f, TLineWriter& out) override
    {
        if (f[0] == "$GPZDA") {
            m_date = IsoDate(f[2], f[3], f[4]);
            return;
        }
        if (f[0] != "$GPGGA" || ReadInteger(f[6]) <= 0)
            return;
        const double lat = NmeaToDegrees(ReadSignedCoordinate(f[2], f[3], "S"));
        const double lon = NmeaToDegrees(ReadSignedCoordinate(f[4], f[5], "W"));
        // No fix, or a position no map has (it would make the file invalid).
        constexpr double kHalfLastDigit = 0.5e-7;
        if (lat == 0.0 || lon == 0.0 || lat < -90.0 || lat > 90.0 || lon < -180.0 || lon >= 180.0 - kHalfLastDigit)
            return;

        std::string& r = m_record;
        r.assign("      <trkpt lat=\"");
        AppendFixed(r, lat, 0, 7, '.');
        r.append("\" lon=\"");
        AppendFixed(r, lon, 0, 7, '.');
        r.append("\">");
        out.Line(r);
        double value = 0.0;
        if (TryReadNumber(f[9], value)) {
            r.assign("        <ele>");
            AppendShortest(r, value);
            r.append("</ele>");
            out.Line(r);
        }
        if (!m_date.empty()) {
            r.assign("        <time>");
            r.append(m_date);
            if (AppendIsoTime(r, f[1])) {
                r.append("</time>");
                out.Line(r);
            }
        }
        int satellites = 0;
        if (TryReadInteger(f[7], satellites) && satellites >= 0) {
            r.assign("        <sat>");
            r.append(std::to_string(satellites));
            r.append("</sat>");
            out.Line(r);
        }
        if (TryReadNumber(f[8], value)) {
            r.assign("        <hdop>");
            AppendShortest(r, value);
            r.append("</hdop>");
            out.Line(r);
        }
        out.Line("      </trkpt>");
    }

    void Footer(TLineWriter& out) override
    {
        out.Line("    </trkseg>");
        out.Line("  </trk>");
        out.Line("</gpx>");
    }

private:
    std::string m_date;  // "YYYY-MM-DD" of the latest $GPZDA line; empty while none
    std::string m_record;
};

}  // namespace

std::unique_ptr<TNmeaExport> MakeGpxExport() { return std::make_unique<TGpxExport>(); }
