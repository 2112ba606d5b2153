#pragma once

#include "gps/TrackReader.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <set>
#include <vector>

// The numbers a technician checks a GPS recording by, gathered fix by fix in
// one pass, and the points the track view draws.

// Mean earth radius for great-circle distances (IUGG), in metres.
constexpr double kEarthRadiusM = 6371008.8;
// Great-circle distance by the haversine formula on a sphere of that radius.
double HaversineM(double lat1, double lon1, double lat2, double lon2);

// A stretch without a fix longer than the recording's gap length.
struct TTrackGap {
    int64_t index = 0;  // of the fix after the gap
    TTrackFix before, after;
    int64_t Ms() const { return after.timeMs - before.timeMs; }
};

// Totals, ranges and gaps over the fixes of a recording, in file order.
// Speeds come from positions and times (distance over time between
// consecutive fixes), not from the receiver's speed field.
//
// A gap is a step of more than kGapSteps times the recording's usual step
// (the median of its steps), and never of a minute or less, so a logger set
// to one fix a minute or ten minutes shows no false gaps. The steps are
// gathered by their length as they come, so memory stays flat; the gap
// length, the moving time and the maximum speed are settled by Finish().
class TTrackStats {
public:
    static constexpr int64_t kMinGapMs = 60000;
    static constexpr int kGapSteps = 5;
    // Slower than this between two fixes counts as standing still.
    static constexpr double kMovingMps = 0.5;
    // The maximum speed leaves out the steps to or from a fix of an HDOP over
    // kPlausibleHdop, and the steps faster than the last step it kept plus an
    // acceleration of kPlausibleAccelMps2 (about 1 g) since then: the jumps of
    // a receiver still converging, which no vehicle makes.
    static constexpr double kPlausibleHdop = 5.0;
    static constexpr double kPlausibleAccelMps2 = 10.0;
    // The gaps listed one by one; the rest are counted.
    static constexpr size_t kListedGaps = 20;

    TTrackStats();
    // Takes the next fix; returns the speed since the previous one in m/s,
    // NaN when the times do not allow one (no time, same time, backwards).
    double Add(const TTrackFix& fix);
    // After the last fix.
    void Finish();
    // A step of this length between two fixes is a gap (after Finish()).
    bool IsGap(int64_t stepMs) const { return stepMs > gapMs; }

    int64_t fixes = 0;
    double distanceM = 0.0;     // sum over all consecutive fixes
    int64_t backwardSteps = 0;  // times that went back (not across midnight)
    int64_t untimedFixes = 0;
    double minAltitude = TTrackFix::kNone, maxAltitude = TTrackFix::kNone;
    int64_t minAltitudeIndex = -1, maxAltitudeIndex = -1;
    int minSatellites = -1, maxSatellites = -1;
    double minHdop = TTrackFix::kNone, maxHdop = TTrackFix::kNone;
    std::vector<TCivilDate> dates;  // the recording's days, as they come
    TTrackFix first, last;          // valid when fixes > 0
    TTrackFix firstTimed, lastTimed;
    bool anyTimed = false;

    // Settled by Finish():
    int64_t steps = 0;  // between fixes whose times compare, forward
    // The median step (the shortest step of the bin of lengths the median
    // falls in), -1 without steps.
    int64_t usualStepMs = -1;
    int64_t gapMs = kMinGapMs;
    int64_t gapCount = 0;
    std::vector<TTrackGap> gaps;   // the first kListedGaps of them
    double movingDistanceM = 0.0;  // over the steps counted as moving
    int64_t movingMs = 0;
    double maxSpeedMps = 0.0;     // the plausible maximum (see above)
    int64_t maxSpeedIndex = -1;   // the fix the fastest step ends at
    double rawMaxSpeedMps = 0.0;  // over every step but the gaps
    int64_t rawMaxSpeedIndex = -1;

    double MeanSpeedMps() const;
    // From the first to the last timed fix, -1 when they cannot be compared.
    int64_t SpanMs() const;

private:
    // The steps of one range of lengths.
    struct TBin {
        int64_t steps = 0;
        int64_t shortestMs = 0;
        int64_t movingMs = 0;
        double movingM = 0.0;
        double rawMaxMps = -1.0, maxMps = -1.0;
        int64_t rawMaxIndex = -1, maxIndex = -1;
        std::vector<TTrackGap> first;  // the first kListedGaps steps (long bins only)
    };
    void AddStep(const TTrackFix& fix, int64_t ms, double metres, double mps);

    // Steps up to a minute, which are never gaps, in one bin; their lengths
    // for the median in bins of 1/16 of a power of two.
    TBin m_short;
    std::vector<int64_t> m_shortLengths, m_shortShortest;
    // Longer steps: bin j holds the lengths over m_edges[j] up to m_edges[j + 1].
    std::vector<int64_t> m_edges;
    std::vector<TBin> m_long;
    // The last step kept for the maximum: its speed and the time it ends at.
    double m_refMps = 0.0;
    int64_t m_refMs = 0;
    bool m_refDated = false, m_refSet = false;
    std::set<long long> m_days;  // of the dates
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
// "0.5 s", "60 s", "1:30:00" for a step between fixes.
QString StepText(int64_t ms);

// A point of the track as the view keeps it.
struct TTrackPoint {
    double lat = 0.0, lon = 0.0;
    int64_t timeMs = 0;
    float altitude = 0.0f;  // NaN when not given
    float speedMps = 0.0f;  // since the previous point, NaN when none
    float hdop = 0.0f;      // NaN when not given
    int16_t satellites = -1;
    bool hasTime = false, dated = false;
    bool gapBefore = false;  // a gap since the previous point
    TTrackFix AsFix() const;
};

// What the view's tooltip shows of a point: time, position (6 decimals),
// altitude (0.1 m), speed (0.1 km/h) and satellites, one a line.
QString PointText(const TTrackPoint& point);

// A recording read once: its points and its summary.
struct TTrack {
    std::vector<TTrackPoint> points;
    TTrackSummary summary;
};

// Reads fileName; 0 or the error number of the failed open or read. With
// keepPoints false only the summary is gathered (flat memory).
int LoadTrack(const QString& fileName, TTrack& track, bool keepPoints = true);
