// GPX 1.1: one track, one segment, a point per fix of the track reader
// (GGA sentences with a fix from every satellite system's talker).
#include "gps/NmeaExport.h"
#include "gps/NmeaStream.h"
#include "gps/TrackReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// "Thh:mm:ss[.f]Z" from the time field hhmmss[.f] of a fix that has a time.
void AppendIsoTime(std::string& out, std::string_view field)
{
    const size_t dot = field.find('.');
    const std::string_view whole = field.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : field.substr(dot + 1);
    out += 'T';
    out.append(whole.substr(0, 2)).append(":").append(whole.substr(2, 2)).append(":").append(whole.substr(4, 2));
    if (!fraction.empty())
        out.append(".").append(fraction);
    out += 'Z';
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

    void Record(std::string_view line, const TFields& f, TLineWriter& out) override
    {
        if (!m_reader.Read(line, f))
            return;
        const TTrackFix& fix = m_reader.Fix();
        // GPX takes longitudes below 180 only: one that would round to 180
        // is written as the last value below it.
        constexpr double kLastBelow180 = 179.9999999;

        std::string& r = m_record;
        r.assign("      <trkpt lat=\"");
        AppendFixed(r, fix.lat, 0, 7, '.');
        r.append("\" lon=\"");
        AppendFixed(r, std::min(fix.lon, kLastBelow180), 0, 7, '.');
        r.append("\">");
        out.Line(r);
        if (!std::isnan(fix.altitude)) {
            r.assign("        <ele>");
            AppendShortest(r, fix.altitude);
            r.append("</ele>");
            out.Line(r);
        }
        if (fix.Dated()) {
            char iso[16];
            std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", fix.date.year, fix.date.month, fix.date.day);
            r.assign("        <time>");
            r.append(iso);
            AppendIsoTime(r, f[1]);
            r.append("</time>");
            out.Line(r);
        }
        if (fix.satellites >= 0) {
            r.assign("        <sat>");
            r.append(std::to_string(fix.satellites));
            r.append("</sat>");
            out.Line(r);
        }
        if (!std::isnan(fix.hdop)) {
            r.assign("        <hdop>");
            AppendShortest(r, fix.hdop);
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
    TTrackReader m_reader;
    std::string m_record;
};

}  // namespace

std::unique_ptr<TNmeaExport> MakeGpxExport() { return std::make_unique<TGpxExport>(); }
