// MagicMaps: a 2D path of scaled raw NMEA coordinates behind a point count.
#include "gps/NmeaExport.h"
#include "gps/NmeaStream.h"

namespace {

class TMagicMapsExport : public TNmeaExport {
public:
    bool CountsFirst() const override { return true; }

    // The count takes every line with "$GP" in it, not only the positions.
    void Count(std::string_view line) override
    {
        if (line.find("$GP") != std::string_view::npos)
            ++m_points;
    }

    void Header(TLineWriter& out) override
    {
        out.Line("# Path2D file format V1.0 - MagicMaps");
        out.Line("Pathsize: " + std::to_string(m_points));
        out.Line("selectedPoint: " + std::to_string(m_points - 1));
    }

    // Every $GPGGA line gives a point, with or without a fix.
    void Record(std::string_view, const TFields& f, TLineWriter& out) override
    {
        if (f[0] != "$GPGGA")
            return;
        m_record.clear();
        AppendFixed(m_record, ReadSignedCoordinate(f[2], f[3], "S") * 1000.0, 10, 2, '.');
        m_record.append(" \t ");
        AppendFixed(m_record, ReadSignedCoordinate(f[4], f[5], "W") * 100.0, 10, 2, '.');
        out.Line(m_record);
    }

private:
    long long m_points = 0;
    std::string m_record;
};

}  // namespace

std::unique_ptr<TNmeaExport> MakeMagicMapsExport() { return std::make_unique<TMagicMapsExport>(); }
