// GPX 1.1: one track, one segment, a point per $GPGGA line with a fix.
#include "gps/FixDate.h"
#include "gps/NmeaExport.h"
#include "gps/NmeaStream.h"

#include <algorithm>
#include <cstdio>

namespace {

// "Thh:mm:ss[.f]Z" from the time field hhmmss[.f]; false when it is no time of day.
bool AppendIsoTime(std::string& out, std::string_view field)
{
    if (TimeOfDayMs(field) < 0)
        return false;
    const size_t dot = field.find('.');
    const std::string_view whole = field.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : field.substr(dot + 1);
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
            m_clock.Zda(DateFromZda(f[2], f[3], f[4]), TimeOfDayMs(f[1]));
            return;
        }
        // A void RMC may carry the receiver's unset clock; only a valid one dates.
        if (f[0] == "$GPRMC") {
            if (f[2] == "A")
                m_clock.Rmc(DateFromRmc(f[9]), TimeOfDayMs(f[1]));
            return;
        }
        if (f[0] != "$GPGGA")
            return;
        // Every timed position counts for the midnight test, with a fix or not.
        const TCivilDate date = m_clock.At(TimeOfDayMs(f[1]));
        // The fix quality tells whether there is a position; the equator and
        // the prime meridian are places like any other. Coordinates that are
        // no numbers, or a position no map has, would make the file invalid.
        double value = 0.0;
        if (ReadInteger(f[6]) <= 0 || !TryReadNumber(f[2], value) || !TryReadNumber(f[4], value))
            return;
        const double lat = NmeaToDegrees(ReadSignedCoordinate(f[2], f[3], "S"));
        double lon = NmeaToDegrees(ReadSignedCoordinate(f[4], f[5], "W"));
        if (!(lat >= -90.0 && lat <= 90.0 && lon >= -180.0 && lon <= 180.0))
            return;
        // GPX takes longitudes below 180 only: one that would round to 180
        // is written as the last value below it.
        constexpr double kLastBelow180 = 179.9999999;
        lon = std::min(lon, kLastBelow180);

        std::string& r = m_record;
        r.assign("      <trkpt lat=\"");
        AppendFixed(r, lat, 0, 7, '.');
        r.append("\" lon=\"");
        AppendFixed(r, lon, 0, 7, '.');
        r.append("\">");
        out.Line(r);
        if (TryReadNumber(f[9], value)) {
            r.assign("        <ele>");
            AppendShortest(r, value);
            r.append("</ele>");
            out.Line(r);
        }
        if (date.Valid()) {
            char iso[16];
            std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", date.year, date.month, date.day);
            r.assign("        <time>");
            r.append(iso);
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
    TFixDateClock m_clock;
    std::string m_record;
};

}  // namespace

std::unique_ptr<TNmeaExport> MakeGpxExport() { return std::make_unique<TGpxExport>(); }
