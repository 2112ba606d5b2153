// MS-MapPoint: semicolon-separated located points in decimal degrees.
#include "gps/NmeaExport.h"
#include "gps/NmeaStream.h"

namespace {

class TMapPointExport : public TNmeaExport {
public:
    void Header(TLineWriter& out) override
    {
        // Latin-1: "ä" and "ö" are the single bytes E4 and F6.
        out.Line("Datum;Breitengrad;L\xE4ngengrad;H\xF6he;AnzSat");
    }

    void Record(std::string_view, const TFields& f, TLineWriter& out) override
    {
        m_date.TakeZda(f);
        // A driver's name line takes the place of a position line: its
        // values after the first comma are read like those of $GPGGA.
        const bool driver = f[0].find("Fahrer ") != std::string_view::npos;
        if (f[0] != "$GPGGA" && !driver)
            return;
        const double lon = NmeaToDegrees(ReadSignedCoordinate(f[4], f[5], "W"));
        if (lon == 0.0)
            return;
        const double lat = NmeaToDegrees(ReadSignedCoordinate(f[2], f[3], "S"));

        std::string& r = m_record;
        r.clear();
        if (driver)
            r.append(f[0]);
        else
            m_date.AppendDotted(r);
        const std::string_view time = TimeText(f[1]);
        r += '-';
        r.append(Mid(time, 0, 2));
        r += ':';
        r.append(Mid(time, 2, 2));
        r += ':';
        r.append(Mid(time, 4, 2));
        r += ';';
        AppendFixed(r, lat, 7, 7, ',');
        r += ';';
        AppendFixed(r, lon, 7, 7, ',');
        r += ';';
        r.append(std::to_string(ReadInteger(f[9])));
        r += ';';
        r.append(std::to_string(ReadInteger(f[7])));
        out.Line(r);
    }

private:
    TDateTexts m_date;
    std::string m_record;
};

}  // namespace

std::unique_ptr<TNmeaExport> MakeMapPointExport() { return std::make_unique<TMapPointExport>(); }
