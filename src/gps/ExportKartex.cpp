// Kartex: numbered $GPGGA records with the raw NMEA coordinates.
#include "gps/NmeaExport.h"
#include "gps/NmeaStream.h"

#include <cstdio>

namespace {

class TKartexExport : public TNmeaExport {
public:
    void Header(TLineWriter& out) override
    {
        out.Line("ID,Format,Zeit,XCoord,YCoord,DOP,NSat,Prec,Hoehe,M,Hoehe1,M,Datum");
    }

    void Record(std::string_view line, const TFields& f, TLineWriter& out) override
    {
        m_date.TakeZda(f);
        // "_20" followed by yyyymmdd anywhere in the line (a file name in the
        // logger's listing) sets the date as well.
        const size_t p = line.find("_20");
        if (p != std::string_view::npos) {
            m_date.year = Mid(line, p + 1, 4);
            m_date.month = Mid(line, p + 5, 2);
            m_date.day = Mid(line, p + 7, 2);
        }
        if (f[0] != "$GPGGA")
            return;
        // Records without time or position do not use up a number.
        const std::string_view time = TimeText(f[1]);
        if (ReadInteger(time) == 0)
            return;
        const double lon = ReadSignedCoordinate(f[4], f[5], "W");
        if (lon == 0.0)
            return;
        const double lat = ReadSignedCoordinate(f[2], f[3], "S");
        if (lat == 0.0)
            return;

        std::string& r = m_record;
        r.clear();
        char id[8];
        std::snprintf(id, sizeof id, "%05d", static_cast<int>(m_number % 100000));
        ++m_number;
        r.append(id);
        r.append(",$GPGGA,");
        r.append(time);
        r += ',';
        AppendFixed(r, lon, 4, 4, '.');
        r += ',';
        AppendFixed(r, lat, 4, 4, '.');
        r += ',';
        r.append(std::to_string(ReadInteger(f[6])));
        r += ',';
        r.append(std::to_string(ReadInteger(f[7])));
        r += ',';
        r.append(f[8]);
        r += ',';
        r.append(f[9]);
        r.append(",M,");
        r.append(f[11]);
        r.append(",M,");
        m_date.AppendDotted(r);
        out.Line(r);
    }

private:
    TDateTexts m_date;
    long long m_number = 1;
    std::string m_record;
};

}  // namespace

std::unique_ptr<TNmeaExport> MakeKartexExport() { return std::make_unique<TKartexExport>(); }
