#pragma once

#include "gps/TrackReader.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// The numbers a technician checks a GPS recording by, gathered fix by fix in
// one pass, and the points the track view draws.

// Mean earth radius for great-circle distances (IUGG), in metres.
constexpr double kEarthRadiusM = 6371008.8;
// Great-circle distance by the haversine formula on a sphere of that radius.
double HaversineM(double lat1, double lon1, double lat2, double lon2);

// A stretch of more than TTrackStats::kGapMs without a fix.
struct TTrackGap {
    int64_t index = 0;  // of the fix after the gap
    TTrackFix before, after;
    int64_t Ms() const { return after.timeMs - before.timeMs; }
};

// Totals, ranges and gaps over the fixes of a recording, in file order.
// Speeds come from positions and times (distance over time between
// consecutive fixes), not from the receiver's speed field.
class TTrackStats {
public:
    static constexpr int64_t kGapMs = 60000;
    // Slower than this between two fixes counts as standing still.
    static constexpr double kMovingMps = 0.5;

    // Takes the next fix; returns the speed since the previous one in m/s,
    // NaN when the times do not allow one (no time, same time, backwards,
    // across a gap).
    double Add(const TTrackFix& fix);

    int64_t fixes = 0;
    double distanceM = 0.0;        // sum over all consecutive fixes
    double movingDistanceM = 0.0;  // over the steps counted as moving
    int64_t movingMs = 0;
    double maxSpeedMps = 0.0;
    int64_t maxSpeedIndex = -1;  // the fix the fastest step ends at
    double minAltitude = TTrackFix::kNone, maxAltitude = TTrackFix::kNone;
    int64_t minAltitudeIndex = -1, maxAltitudeIndex = -1;
    int minSatellites = -1, maxSatellites = -1;
    double minHdop = TTrackFix::kNone, maxHdop = TTrackFix::kNone;
    int64_t backwardSteps = 0;  // times that went back (not across midnight)
    int64_t untimedFixes = 0;
    std::vector<TTrackGap> gaps;
    std::vector<TCivilDate> dates;  // the recording's days, as they come
    TTrackFix first, last;          // valid when fixes > 0
    TTrackFix firstTimed, lastTimed;
    bool anyTimed = false;

    double MeanSpeedMps() const;
    // From the first to the last timed fix, -1 when they cannot be compared.
    int64_t SpanMs() const;
};

struct TTrackSummary {
    TReadCounts counts;
    TTrackStats stats;
};

// The summary as lines of text, the same for the window and the command line.
QStringList SummaryLines(const TTrackSummary& summary);
// The summary as a JSON object (indented, ending with a line feed).
QByteArray SummaryJson(const TTrackSummary& summary);
// "2021-03-14 10:15:30" for a dated fix, "10:15:30" (and "+1 d" after a
// midnight) otherwise, "--" without time.
QString FixTimeText(const TTrackFix& fix);
// "1:02:03" or "2 d 1:02:03".
QString DurationText(int64_t ms);

// A point of the track as the view keeps it.
struct TTrackPoint {
    double lat = 0.0, lon = 0.0;
    int64_t timeMs = 0;
    float altitude = 0.0f;  // NaN when not given
    float speedMps = 0.0f;  // since the previous point, NaN when none
    float hdop = 0.0f;      // NaN when not given
    int16_t satellites = -1;
    bool hasTime = false, dated = false;
    bool gapBefore = false;  // more than a minute since the previous point
    TTrackFix AsFix() const;
};

// What the view's tooltip shows of a point: time, position, altitude, speed
// and satellites, one a line.
QString PointText(const TTrackPoint& point);

// A recording read once: its points and its summary.
struct TTrack {
    std::vector<TTrackPoint> points;
    TTrackSummary summary;
};

// Reads fileName; 0 or the error number of the failed open or read. With
// keepPoints false only the summary is gathered (flat memory).
int LoadTrack(const QString& fileName, TTrack& track, bool keepPoints = true);
