// GPX 1.1: one track, one segment, a point per fix of the track reader
// (GGA sentences with a fix from every satellite system's talker).
#include "gps/NmeaExport.h"
#include "gps/NmeaStream.h"
#include "gps/TrackReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

void AppendTwoDigits(std::string& out, int value)
{
    out += char('0' + value / 10);
    out += char('0' + value % 10);
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

    // The reader holds back the epoch still open, so a fix is written once
    // its epoch is complete (a date sentence after it dates it too).
    void Record(std::string_view line, const TFields& f, TLineWriter& out) override
    {
        m_reader.Read(line, f);
        WriteReady(out);
    }

    void Footer(TLineWriter& out) override
    {
        m_reader.Finish();
        WriteReady(out);
        out.Line("    </trkseg>");
        out.Line("  </trk>");
        out.Line("</gpx>");
    }

private:
    void WriteReady(TLineWriter& out)
    {
        while (m_reader.Next(m_fix))
            Write(m_fix, out);
    }

    void Write(const TTrackFix& fix, TLineWriter& out)
    {
        // GPX takes longitudes below 180 only: one that would round to 180
        // is written as the last value below it.
        constexpr double kLastBelow180 = 179.9999999;

        std::string& r = m_record;
        r.assign("      <trkpt lat=\"");
        AppendFixed(r, fix.lat, 0, 7, '.');
        r.append("\" lon=\"");
        AppendFixed(r, std::min(fix.lon, kLastBelow180), 0, 7, '.');
        // The point's lines go out as one.
        r.append("\">");
        if (!std::isnan(fix.altitude)) {
            r.append("\r\n        <ele>");
            AppendShortest(r, fix.altitude);
            r.append("</ele>");
        }
        if (fix.Dated()) {
            r.append("\r\n        <time>");
            // The date text is made once a day.
            if (!(fix.date == m_isoDay)) {
                char iso[16];
                std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", fix.date.year, fix.date.month, fix.date.day);
                m_isoDate = iso;
                m_isoDay = fix.date;
            }
            r.append(m_isoDate);
            const int s = fix.timeOfDayMs / 1000;
            r += 'T';
            AppendTwoDigits(r, s / 3600);
            r += ':';
            AppendTwoDigits(r, s / 60 % 60);
            r += ':';
            AppendTwoDigits(r, s % 60);
            if (fix.fractionDigits > 0) {
                r += '.';
                r.append(fix.fraction, fix.fractionDigits);
            }
            r.append("Z</time>");
        }
        if (fix.satellites >= 0) {
            char digits[16];
            const auto end = std::to_chars(digits, digits + sizeof digits, fix.satellites).ptr;
            r.append("\r\n        <sat>");
            r.append(digits, size_t(end - digits));
            r.append("</sat>");
        }
        if (!std::isnan(fix.hdop)) {
            r.append("\r\n        <hdop>");
            AppendShortest(r, fix.hdop);
            r.append("</hdop>");
        }
        r.append("\r\n      </trkpt>");
        out.Line(r);
    }

    TTrackReader m_reader;
    TTrackFix m_fix;
    std::string m_record;
    TCivilDate m_isoDay;
    std::string m_isoDate;
};

}  // namespace

std::unique_ptr<TNmeaExport> MakeGpxExport() { return std::make_unique<TGpxExport>(); }
