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

namespace {

// Bins of 1/16 of a power of two for the steps up to a minute (2^16 ms).
constexpr int kSubBins = 16;
constexpr size_t kShortBins = 17 * kSubBins;

size_t ShortBin(int64_t ms)
{
    const int e = 63 - __builtin_clzll(uint64_t(ms));
    const int64_t sub = e >= 4 ? (ms >> (e - 4)) & 15 : (ms << (4 - e)) & 15;
    return size_t(e * kSubBins + sub);
}

}  // namespace

TTrackStats::TTrackStats() : m_shortLengths(kShortBins), m_shortShortest(kShortBins)
{
    // Steps over a minute in bins of about 1/16 of their length, up to 35
    // years.
    // Whole seconds, so that the gap length reads well.
    for (int64_t edge = kMinGapMs; edge < (int64_t(1) << 40); edge += std::max<int64_t>(1000, edge / 16000 * 1000))
        m_edges.push_back(edge);
    m_long.resize(m_edges.size());
}

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
            } else if (dt > 0) {
                speed = d / (dt / 1000.0);
                AddStep(fix, dt, d, speed);
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
    if (fix.Dated() && (dates.empty() || !(dates.back() == fix.date))) {
        if (m_days.insert(fix.date.DaysSinceEpoch()).second)
            dates.push_back(fix.date);
    }
    last = fix;
    ++fixes;
    return speed;
}

void TTrackStats::AddStep(const TTrackFix& fix, int64_t ms, double metres, double mps)
{
    const bool isShort = ms <= kMinGapMs;
    size_t longBin = 0;
    if (isShort) {
        const size_t i = ShortBin(ms);
        if (m_shortLengths[i]++ == 0 || ms < m_shortShortest[i])
            m_shortShortest[i] = ms;
    } else {
        longBin = size_t(std::lower_bound(m_edges.begin(), m_edges.end(), ms) - m_edges.begin()) - 1;
    }
    TBin& b = isShort ? m_short : m_long[longBin];
    if (b.steps++ == 0 || ms < b.shortestMs)
        b.shortestMs = ms;
    if (mps >= kMovingMps) {
        b.movingMs += ms;
        b.movingM += metres;
    }
    if (mps > b.rawMaxMps) {
        b.rawMaxMps = mps;
        b.rawMaxIndex = fixes;
    }
    // The plausible maximum, against the last step it kept (at first
    // standing still at the first fix).
    if (!m_refSet || m_refDated != fix.Dated()) {
        m_refSet = true;
        m_refDated = fix.Dated();
        m_refMps = 0.0;
        m_refMs = last.timeMs;
    }
    const bool clearSky = !(last.hdop > kPlausibleHdop) && !(fix.hdop > kPlausibleHdop);
    if (clearSky && mps <= m_refMps + kPlausibleAccelMps2 * double(fix.timeMs - m_refMs) / 1000.0) {
        m_refMps = mps;
        m_refMs = fix.timeMs;
        if (mps > b.maxMps) {
            b.maxMps = mps;
            b.maxIndex = fixes;
        }
    }
    if (!isShort && b.first.size() < kListedGaps)
        b.first.push_back({fixes, last, fix});
}

void TTrackStats::Finish()
{
    steps = m_short.steps;
    for (const TBin& b : m_long)
        steps += b.steps;
    usualStepMs = -1;
    gapMs = kMinGapMs;
    size_t firstGapBin = 0;
    if (steps > 0) {
        // The median step, as the top of its bin.
        const int64_t half = (steps + 1) / 2;
        int64_t seen = 0;
        for (size_t i = 0; i < kShortBins && usualStepMs < 0; ++i)
            if ((seen += m_shortLengths[i]) >= half)
                usualStepMs = m_shortShortest[i];
        for (size_t j = 0; j < m_long.size() && usualStepMs < 0; ++j)
            if ((seen += m_long[j].steps) >= half)
                usualStepMs = m_long[j].shortestMs;
        // The gap length: an edge of the long bins, so that each bin is a gap
        // or not as a whole.
        if (usualStepMs * kGapSteps > kMinGapMs) {
            firstGapBin =
                size_t(std::lower_bound(m_edges.begin(), m_edges.end(), usualStepMs * kGapSteps) - m_edges.begin());
            firstGapBin = std::min(firstGapBin, m_edges.size() - 1);
            gapMs = m_edges[firstGapBin];
        }
    }
    movingMs = 0;
    movingDistanceM = 0.0;
    maxSpeedMps = rawMaxSpeedMps = 0.0;
    maxSpeedIndex = rawMaxSpeedIndex = -1;
    gapCount = 0;
    gaps.clear();
    const auto take = [this](const TBin& b) {
        movingMs += b.movingMs;
        movingDistanceM += b.movingM;
        if (b.rawMaxIndex >= 0 && (rawMaxSpeedIndex < 0 || b.rawMaxMps > rawMaxSpeedMps)) {
            rawMaxSpeedMps = b.rawMaxMps;
            rawMaxSpeedIndex = b.rawMaxIndex;
        }
        if (b.maxIndex >= 0 && (maxSpeedIndex < 0 || b.maxMps > maxSpeedMps)) {
            maxSpeedMps = b.maxMps;
            maxSpeedIndex = b.maxIndex;
        }
    };
    take(m_short);
    for (size_t j = 0; j < m_long.size(); ++j) {
        if (j < firstGapBin) {
            take(m_long[j]);
            continue;
        }
        gapCount += m_long[j].steps;
        gaps.insert(gaps.end(), m_long[j].first.begin(), m_long[j].first.end());
    }
    std::sort(gaps.begin(), gaps.end(), [](const TTrackGap& a, const TTrackGap& b) { return a.index < b.index; });
    if (gaps.size() > kListedGaps)
        gaps.resize(kListedGaps);
    // Every step was left out of the plausible maximum: the raw one stands.
    if (maxSpeedIndex < 0) {
        maxSpeedMps = rawMaxSpeedMps;
        maxSpeedIndex = rawMaxSpeedIndex;
    }
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

QString StepText(int64_t ms)
{
    if (ms >= 3600000)
        return DurationText(ms);
    return QString::number(ms / 1000.0, 'f', ms % 1000 == 0 ? 0 : ms % 100 == 0 ? 1 : 3) + QStringLiteral(" s");
}

namespace {

// A list cut after its first count items: "a, b, c and 7 more".
QString ShortList(const QStringList& items, qsizetype count)
{
    if (items.size() <= count)
        return items.join(QStringLiteral(", "));
    return QCoreApplication::translate("TrackSummary", "%1 und %2 weitere")
        .arg(items.mid(0, count).join(QStringLiteral(", ")))
        .arg(items.size() - count);
}

constexpr qsizetype kListedDates = 10;

}  // namespace

QStringList SummaryLines(const TTrackSummary& summary)
{
    const TReadCounts& c = summary.counts;
    const TTrackStats& s = summary.stats;
    QStringList lines;
    lines << QCoreApplication::translate("TrackSummary", "Positionen: %1").arg(s.fixes);
    lines
        << QCoreApplication::translate("TrackSummary", "Sätze gelesen: %1 von %2 Zeilen").arg(c.sentences).arg(c.lines);
    lines << QCoreApplication::translate("TrackSummary",
                                         "Zeilen übersprungen: %1 (Prüfsumme %2, ohne Fix %3, unlesbar %4)")
                 .arg(c.SkippedTotal())
                 .arg(c.Skipped(TSkipReason::Checksum))
                 .arg(c.Skipped(TSkipReason::NoFix))
                 .arg(c.Skipped(TSkipReason::Unreadable));
    if (c.merged > 0)
        lines << QCoreApplication::translate(
                     "TrackSummary", "GGA weiterer Satellitensysteme zur Position ihrer Epoche zusammengefasst: %1")
                     .arg(c.merged);
    if (s.fixes == 0) {
        lines << (c.lines == 0
                      ? QCoreApplication::translate("TrackSummary", "Leere Datei: keine Position aufgezeichnet")
                      : QCoreApplication::translate("TrackSummary", "Keine Position aufgezeichnet"));
        return lines;
    }
    if (!s.anyTimed) {
        lines << QCoreApplication::translate("TrackSummary", "Zeit: keine Zeit aufgezeichnet");
    } else {
        const int64_t span = s.SpanMs();
        lines << QCoreApplication::translate("TrackSummary", "Zeit: %1 bis %2 UTC%3")
                     .arg(FixTimeText(s.firstTimed), FixTimeText(s.lastTimed),
                          span >= 0 ? QStringLiteral(" (") + DurationText(span) + QLatin1Char(')') : QString());
    }
    QStringList days;
    for (const TCivilDate& d : s.dates)
        days << DateText(d);
    lines << QCoreApplication::translate("TrackSummary", "Tage: %1")
                 .arg(days.isEmpty() ? QCoreApplication::translate("TrackSummary", "keine aufgezeichnet")
                                     : ShortList(days, kListedDates));
    lines << QCoreApplication::translate("TrackSummary", "Strecke: %1").arg(KmText(s.distanceM));
    lines << QCoreApplication::translate("TrackSummary", "Zeit in Bewegung: %1").arg(DurationText(s.movingMs));
    if (s.maxSpeedIndex < 0)
        lines << QCoreApplication::translate("TrackSummary",
                                             "Geschwindigkeit: keine zwei Positionen mit Zeit zum Messen");
    else
        lines << QCoreApplication::translate("TrackSummary", "Geschwindigkeit: max %1 (ungefiltert %2), Mittel %3")
                     .arg(KmhText(s.maxSpeedMps), KmhText(s.rawMaxSpeedMps),
                          std::isnan(s.MeanSpeedMps()) ? QStringLiteral("--") : KmhText(s.MeanSpeedMps()));
    lines << (std::isnan(s.minAltitude) ? QCoreApplication::translate("TrackSummary", "Höhe: keine aufgezeichnet")
                                        : QCoreApplication::translate("TrackSummary", "Höhe: %1 m bis %2 m")
                                              .arg(ShortText(s.minAltitude), ShortText(s.maxAltitude)));
    lines << (s.minSatellites < 0 ? QCoreApplication::translate("TrackSummary", "Satelliten: keine aufgezeichnet")
                                  : QCoreApplication::translate("TrackSummary", "Satelliten: %1 bis %2")
                                        .arg(s.minSatellites)
                                        .arg(s.maxSatellites));
    lines << (std::isnan(s.minHdop) ? QCoreApplication::translate("TrackSummary", "HDOP: keine aufgezeichnet")
                                    : QCoreApplication::translate("TrackSummary", "HDOP: %1 bis %2")
                                          .arg(ShortText(s.minHdop), ShortText(s.maxHdop)));
    if (s.backwardSteps > 0)
        lines << QCoreApplication::translate("TrackSummary", "Zeit rückwärts: %1").arg(s.backwardSteps);
    if (s.untimedFixes > 0)
        lines << QCoreApplication::translate("TrackSummary", "Positionen ohne Zeit: %1").arg(s.untimedFixes);
    if (s.usualStepMs > 0)
        lines << QCoreApplication::translate("TrackSummary", "Üblicher Abstand: %1").arg(StepText(s.usualStepMs));
    lines << QCoreApplication::translate("TrackSummary", "Lücken über %1: %2").arg(StepText(s.gapMs)).arg(s.gapCount);
    for (const TTrackGap& g : s.gaps)
        lines << QCoreApplication::translate("TrackSummary", "  %1 bis %2 (%3)")
                     .arg(FixTimeText(g.before), FixTimeText(g.after), DurationText(g.Ms()));
    if (s.gapCount > qsizetype(s.gaps.size()))
        lines << QCoreApplication::translate("TrackSummary", "  und %1 weitere")
                     .arg(s.gapCount - qsizetype(s.gaps.size()));
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
    o["merged_gga"] = double(c.merged);
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
    o["raw_max_speed_kmh"] =
        s.rawMaxSpeedIndex >= 0 ? QJsonValue(s.rawMaxSpeedMps * 3.6) : QJsonValue(QJsonValue::Null);
    o["mean_speed_kmh"] = OptionalJson(s.MeanSpeedMps() * 3.6);
    o["altitude_m"] = QJsonObject{{"min", OptionalJson(s.minAltitude)}, {"max", OptionalJson(s.maxAltitude)}};
    o["satellites"] =
        QJsonObject{{"min", s.minSatellites < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(s.minSatellites)},
                    {"max", s.maxSatellites < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(s.maxSatellites)}};
    o["hdop"] = QJsonObject{{"min", OptionalJson(s.minHdop)}, {"max", OptionalJson(s.maxHdop)}};
    o["times_backwards"] = double(s.backwardSteps);
    o["fixes_without_time"] = double(s.untimedFixes);
    o["usual_step_s"] = s.usualStepMs > 0 ? QJsonValue(s.usualStepMs / 1000.0) : QJsonValue(QJsonValue::Null);
    o["gap_over_s"] = s.gapMs / 1000.0;
    o["gap_count"] = double(s.gapCount);
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
    if (dated)
        f.date = DateFromDays((timeMs >= 0 ? timeMs : timeMs - kDayMs + 1) / kDayMs);
    return f;
}

QString PointText(const TTrackPoint& p)
{
    QStringList lines;
    lines << FixTimeText(p.AsFix());
    lines << QString::number(p.lat, 'f', 6) + QStringLiteral(", ") + QString::number(p.lon, 'f', 6);
    lines << (std::isnan(p.altitude)
                  ? QCoreApplication::translate("TrackSummary", "Höhe --")
                  : QCoreApplication::translate("TrackSummary", "Höhe %1 m").arg(double(p.altitude), 0, 'f', 1));
    lines << (std::isnan(p.speedMps)
                  ? QCoreApplication::translate("TrackSummary", "Geschwindigkeit --")
                  : QCoreApplication::translate("TrackSummary", "Geschwindigkeit %1").arg(KmhText(p.speedMps)));
    lines << (p.satellites < 0 ? QCoreApplication::translate("TrackSummary", "Satelliten --")
                               : QCoreApplication::translate("TrackSummary", "%1 Satelliten").arg(p.satellites));
    return lines.join(QLatin1Char('\n'));
}

int LoadTrack(const QString& fileName, TTrack& track, bool keepPoints)
{
    track = TTrack();
    TLineReader reader;
    if (const int error = reader.Open(fileName))
        return error;
    TTrackReader fixes;
    TTrackStats& stats = track.summary.stats;
    TTrackFix f;
    const auto take = [&] {
        while (fixes.Next(f)) {
            const double speed = stats.Add(f);
            if (keepPoints)
                track.points.push_back({f.lat, f.lon, f.timeMs, float(f.altitude), float(speed), float(f.hdop),
                                        int16_t(std::min(f.satellites, 32767)), f.HasTime(), f.Dated(), false});
        }
    };
    TFields fields;
    std::string_view line;
    while (reader.Next(line)) {
        SplitFields(line, kFieldSeparator, kMaxFields, fields);
        fixes.Read(line, fields);
        take();
    }
    fixes.Finish();
    take();
    stats.Finish();
    track.summary.counts = fixes.Counts();
    // The gaps by the recording's own rhythm, known now.
    for (size_t i = 1; i < track.points.size(); ++i) {
        TTrackPoint& p = track.points[i];
        const TTrackPoint& q = track.points[i - 1];
        if (p.hasTime && q.hasTime && p.dated == q.dated && stats.IsGap(p.timeMs - q.timeMs)) {
            p.gapBefore = true;
            p.speedMps = NAN;
        }
    }
    const int error = reader.Error();
    reader.Close();
    return error;
}
