#include "gps/TrackSummary.h"

#include "gps/NmeaStream.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int64_t kDayMs = 86400000;

double Radians(double degrees) { return degrees * kPi / 180.0; }

QString DateText(const TCivilDate& d) { return QString::asprintf("%04d-%02d-%02d", d.year, d.month, d.day); }

QString KmText(double metres) { return QString::number(metres / 1000.0, 'f', 3) + QStringLiteral(" km"); }

QString KmhText(double mps) { return QString::number(mps * 3.6, 'f', 1) + QStringLiteral(" km/h"); }

// Altitudes and HDOP as the receiver gave them: no more decimals than needed.
QString ShortText(double value)
{
    std::string s;
    AppendShortest(s, value);
    return QString::fromStdString(s);
}

QJsonValue OptionalJson(double value) { return std::isnan(value) ? QJsonValue(QJsonValue::Null) : QJsonValue(value); }

QJsonValue TimeJson(const TTrackFix& fix)
{
    return fix.HasTime() ? QJsonValue(FixTimeText(fix)) : QJsonValue(QJsonValue::Null);
}

}  // namespace

double HaversineM(double lat1, double lon1, double lat2, double lon2)
{
    const double dLat = Radians(lat2 - lat1);
    const double dLon = Radians(lon2 - lon1);
    const double s = std::sin(dLat / 2);
    const double t = std::sin(dLon / 2);
    const double a = std::min(1.0, s * s + std::cos(Radians(lat1)) * std::cos(Radians(lat2)) * t * t);
    return 2.0 * kEarthRadiusM * std::asin(std::sqrt(a));
}

// --- stats --------------------------------------------------------------------

double TTrackStats::Add(const TTrackFix& fix)
{
    double speed = TTrackFix::kNone;
    if (fixes > 0) {
        const double d = HaversineM(last.lat, last.lon, fix.lat, fix.lon);
        distanceM += d;
        if (last.HasTime() && fix.HasTime() && last.Dated() == fix.Dated()) {
            const int64_t dt = fix.timeMs - last.timeMs;
            if (dt < 0) {
                ++backwardSteps;
            } else if (dt > kGapMs) {
                gaps.push_back({fixes, last, fix});
            } else if (dt > 0) {
                speed = d / (dt / 1000.0);
                if (maxSpeedIndex < 0 || speed > maxSpeedMps) {
                    maxSpeedMps = speed;
                    maxSpeedIndex = fixes;
                }
                if (speed >= kMovingMps) {
                    movingMs += dt;
                    movingDistanceM += d;
                }
            }
        }
    } else {
        first = fix;
    }
    if (!std::isnan(fix.altitude)) {
        if (std::isnan(minAltitude) || fix.altitude < minAltitude) {
            minAltitude = fix.altitude;
            minAltitudeIndex = fixes;
        }
        if (std::isnan(maxAltitude) || fix.altitude > maxAltitude) {
            maxAltitude = fix.altitude;
            maxAltitudeIndex = fixes;
        }
    }
    if (fix.satellites >= 0) {
        minSatellites = minSatellites < 0 ? fix.satellites : std::min(minSatellites, fix.satellites);
        maxSatellites = std::max(maxSatellites, fix.satellites);
    }
    if (!std::isnan(fix.hdop)) {
        minHdop = std::isnan(minHdop) ? fix.hdop : std::min(minHdop, fix.hdop);
        maxHdop = std::isnan(maxHdop) ? fix.hdop : std::max(maxHdop, fix.hdop);
    }
    if (fix.HasTime()) {
        // A recording that gets its date late is measured from its first dated fix.
        if (!anyTimed || (fix.Dated() && !firstTimed.Dated()))
            firstTimed = fix;
        lastTimed = fix;
        anyTimed = true;
    } else {
        ++untimedFixes;
    }
    if (fix.Dated() && std::find(dates.begin(), dates.end(), fix.date) == dates.end())
        dates.push_back(fix.date);
    last = fix;
    ++fixes;
    return speed;
}

double TTrackStats::MeanSpeedMps() const
{
    return movingMs > 0 ? movingDistanceM / (movingMs / 1000.0) : TTrackFix::kNone;
}

int64_t TTrackStats::SpanMs() const
{
    if (!anyTimed || firstTimed.Dated() != lastTimed.Dated())
        return -1;
    return lastTimed.timeMs - firstTimed.timeMs;
}

// --- texts ----------------------------------------------------------------------

QString FixTimeText(const TTrackFix& fix)
{
    if (!fix.HasTime())
        return QStringLiteral("--");
    const int s = fix.timeOfDayMs / 1000;
    const QString clock = QString::asprintf("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    if (fix.Dated())
        return DateText(fix.date) + QLatin1Char(' ') + clock;
    const int64_t day = fix.timeMs / kDayMs;
    return day > 0 ? clock + QStringLiteral(" +%1 d").arg(day) : clock;
}

QString DurationText(int64_t ms)
{
    const int64_t s = ms / 1000;
    const QString clock = QString::asprintf("%d:%02d:%02d", int(s / 3600 % 24), int(s / 60 % 60), int(s % 60));
    return s >= 86400 ? QStringLiteral("%1 d ").arg(s / 86400) + clock : clock;
}

QStringList SummaryLines(const TTrackSummary& summary)
{
    const TReadCounts& c = summary.counts;
    const TTrackStats& s = summary.stats;
    QStringList lines;
    lines << QCoreApplication::translate("TrackSummary", "Fixes: %1").arg(s.fixes);
    lines
        << QCoreApplication::translate("TrackSummary", "Sentences read: %1 of %2 lines").arg(c.sentences).arg(c.lines);
    lines << QCoreApplication::translate("TrackSummary", "Lines skipped: %1 (checksum %2, no fix %3, unreadable %4)")
                 .arg(c.SkippedTotal())
                 .arg(c.Skipped(TSkipReason::Checksum))
                 .arg(c.Skipped(TSkipReason::NoFix))
                 .arg(c.Skipped(TSkipReason::Unreadable));
    if (s.fixes == 0) {
        lines << (c.lines == 0 ? QCoreApplication::translate("TrackSummary", "Empty file: no fix recorded")
                               : QCoreApplication::translate("TrackSummary", "No fix recorded"));
        return lines;
    }
    if (!s.anyTimed) {
        lines << QCoreApplication::translate("TrackSummary", "Time: no time recorded");
    } else {
        const int64_t span = s.SpanMs();
        lines << QCoreApplication::translate("TrackSummary", "Time: %1 to %2 UTC%3")
                     .arg(FixTimeText(s.firstTimed), FixTimeText(s.lastTimed),
                          span >= 0 ? QStringLiteral(" (") + DurationText(span) + QLatin1Char(')') : QString());
    }
    QStringList days;
    for (const TCivilDate& d : s.dates)
        days << DateText(d);
    lines << QCoreApplication::translate("TrackSummary", "Dates: %1")
                 .arg(days.isEmpty() ? QCoreApplication::translate("TrackSummary", "none recorded") : days.join(", "));
    lines << QCoreApplication::translate("TrackSummary", "Distance: %1").arg(KmText(s.distanceM));
    lines << QCoreApplication::translate("TrackSummary", "Moving time: %1").arg(DurationText(s.movingMs));
    if (s.maxSpeedIndex < 0)
        lines << QCoreApplication::translate("TrackSummary", "Speed: no two timed fixes to measure by");
    else
        lines << QCoreApplication::translate("TrackSummary", "Speed: max %1, mean %2")
                     .arg(KmhText(s.maxSpeedMps),
                          std::isnan(s.MeanSpeedMps()) ? QStringLiteral("--") : KmhText(s.MeanSpeedMps()));
    lines << (std::isnan(s.minAltitude) ? QCoreApplication::translate("TrackSummary", "Altitude: none recorded")
                                        : QCoreApplication::translate("TrackSummary", "Altitude: %1 m to %2 m")
                                              .arg(ShortText(s.minAltitude), ShortText(s.maxAltitude)));
    lines << (s.minSatellites < 0 ? QCoreApplication::translate("TrackSummary", "Satellites: none recorded")
                                  : QCoreApplication::translate("TrackSummary", "Satellites: %1 to %2")
                                        .arg(s.minSatellites)
                                        .arg(s.maxSatellites));
    lines << (std::isnan(s.minHdop) ? QCoreApplication::translate("TrackSummary", "HDOP: none recorded")
                                    : QCoreApplication::translate("TrackSummary", "HDOP: %1 to %2")
                                          .arg(ShortText(s.minHdop), ShortText(s.maxHdop)));
    if (s.backwardSteps > 0)
        lines << QCoreApplication::translate("TrackSummary", "Times going backwards: %1").arg(s.backwardSteps);
    if (s.untimedFixes > 0)
        lines << QCoreApplication::translate("TrackSummary", "Fixes without time: %1").arg(s.untimedFixes);
    lines << QCoreApplication::translate("TrackSummary", "Gaps over 60 s: %1").arg(s.gaps.size());
    for (const TTrackGap& g : s.gaps)
        lines
            << QStringLiteral("  %1 to %2 (%3)").arg(FixTimeText(g.before), FixTimeText(g.after), DurationText(g.Ms()));
    return lines;
}

QByteArray SummaryJson(const TTrackSummary& summary)
{
    const TReadCounts& c = summary.counts;
    const TTrackStats& s = summary.stats;
    QJsonObject o;
    o["lines"] = double(c.lines);
    o["sentences"] = double(c.sentences);
    o["fixes"] = double(s.fixes);
    o["skipped"] = QJsonObject{{"checksum", double(c.Skipped(TSkipReason::Checksum))},
                               {"no_fix", double(c.Skipped(TSkipReason::NoFix))},
                               {"unreadable", double(c.Skipped(TSkipReason::Unreadable))}};
    QJsonArray days;
    for (const TCivilDate& d : s.dates)
        days.append(DateText(d));
    o["dates"] = days;
    const bool any = s.fixes > 0;
    o["start"] = any && s.anyTimed ? TimeJson(s.firstTimed) : QJsonValue(QJsonValue::Null);
    o["end"] = any && s.anyTimed ? TimeJson(s.lastTimed) : QJsonValue(QJsonValue::Null);
    o["span_s"] = s.SpanMs() >= 0 ? QJsonValue(s.SpanMs() / 1000.0) : QJsonValue(QJsonValue::Null);
    o["distance_m"] = s.distanceM;
    o["moving_s"] = s.movingMs / 1000.0;
    o["max_speed_kmh"] = s.maxSpeedIndex >= 0 ? QJsonValue(s.maxSpeedMps * 3.6) : QJsonValue(QJsonValue::Null);
    o["mean_speed_kmh"] = OptionalJson(s.MeanSpeedMps() * 3.6);
    o["altitude_m"] = QJsonObject{{"min", OptionalJson(s.minAltitude)}, {"max", OptionalJson(s.maxAltitude)}};
    o["satellites"] =
        QJsonObject{{"min", s.minSatellites < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(s.minSatellites)},
                    {"max", s.maxSatellites < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(s.maxSatellites)}};
    o["hdop"] = QJsonObject{{"min", OptionalJson(s.minHdop)}, {"max", OptionalJson(s.maxHdop)}};
    o["times_backwards"] = double(s.backwardSteps);
    QJsonArray gaps;
    for (const TTrackGap& g : s.gaps)
        gaps.append(QJsonObject{{"from", FixTimeText(g.before)}, {"to", FixTimeText(g.after)}, {"s", g.Ms() / 1000.0}});
    o["gaps"] = gaps;
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

// --- points and loading -----------------------------------------------------------

TTrackFix TTrackPoint::AsFix() const
{
    TTrackFix f;
    f.lat = lat;
    f.lon = lon;
    f.altitude = altitude;
    f.hdop = hdop;
    f.satellites = satellites;
    f.timeMs = timeMs;
    if (hasTime)
        f.timeOfDayMs = int(((timeMs % kDayMs) + kDayMs) % kDayMs);
    if (dated) {
        // Back from days since 1970 (Howard Hinnant's civil_from_days).
        const int64_t z = (timeMs >= 0 ? timeMs : timeMs - kDayMs + 1) / kDayMs + 719468;
        const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
        const int64_t doe = z - era * 146097;
        const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const int64_t mp = (5 * doy + 2) / 153;
        const int d = int(doy - (153 * mp + 2) / 5 + 1);
        const int m = int(mp < 10 ? mp + 3 : mp - 9);
        f.date = {int(yoe + era * 400 + (m <= 2 ? 1 : 0)), m, d};
    }
    return f;
}

QString PointText(const TTrackPoint& p)
{
    QStringList lines;
    lines << FixTimeText(p.AsFix());
    lines << QString::number(p.lat, 'f', 7) + QStringLiteral(", ") + QString::number(p.lon, 'f', 7);
    lines << (std::isnan(p.altitude) ? QCoreApplication::translate("TrackSummary", "altitude --")
                                     : QCoreApplication::translate("TrackSummary", "altitude ") + ShortText(p.altitude)
                                           + QStringLiteral(" m"));
    lines << (std::isnan(p.speedMps) ? QCoreApplication::translate("TrackSummary", "speed --")
                                     : QCoreApplication::translate("TrackSummary", "speed ") + KmhText(p.speedMps));
    lines << (p.satellites < 0 ? QCoreApplication::translate("TrackSummary", "satellites --")
                               : QCoreApplication::translate("TrackSummary", "%1 satellites").arg(p.satellites));
    return lines.join(QLatin1Char('\n'));
}

int LoadTrack(const QString& fileName, TTrack& track, bool keepPoints)
{
    track = TTrack();
    TLineReader reader;
    if (const int error = reader.Open(fileName))
        return error;
    TTrackReader fixes;
    TFields fields;
    std::string_view line;
    while (reader.Next(line)) {
        SplitFields(line, kFieldSeparator, kMaxFields, fields);
        if (!fixes.Read(line, fields))
            continue;
        const TTrackFix& f = fixes.Fix();
        const size_t gaps = track.summary.stats.gaps.size();
        const double speed = track.summary.stats.Add(f);
        if (keepPoints)
            track.points.push_back({f.lat, f.lon, f.timeMs, float(f.altitude), float(speed), float(f.hdop),
                                    int16_t(std::min(f.satellites, 32767)), f.HasTime(), f.Dated(),
                                    track.summary.stats.gaps.size() != gaps});
    }
    track.summary.counts = fixes.Counts();
    const int error = reader.Error();
    reader.Close();
    return error;
}
