#include "gps/TrackProjection.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = kEarthRadiusM * kPi / 180.0;
// Points closer than this to the last drawn one are not drawn.
constexpr double kMergePixels = 1.5;
constexpr double kFitMinimumM = 2.0;
constexpr double kEquatorM = 2 * kPi * kEarthRadiusM;

}  // namespace

void TTrackProjection::Build(const std::vector<TTrackPoint>& points)
{
    m_x.assign(points.size(), 0.0);
    m_y.assign(points.size(), 0.0);
    if (points.empty()) {
        m_bounds = QRectF(-1, -1, 2, 2);
        return;
    }
    // Unwrapped longitudes: each step taken the short way round.
    std::vector<double> lon(points.size());
    lon[0] = points[0].lon;
    double minLat = points[0].lat, maxLat = minLat, minLon = lon[0], maxLon = lon[0];
    for (size_t i = 1; i < points.size(); ++i) {
        double step = points[i].lon - points[i - 1].lon;
        step -= 360.0 * std::round(step / 360.0);
        lon[i] = lon[i - 1] + step;
        minLat = std::min(minLat, points[i].lat);
        maxLat = std::max(maxLat, points[i].lat);
        minLon = std::min(minLon, lon[i]);
        maxLon = std::max(maxLon, lon[i]);
    }
    const double lat0 = (minLat + maxLat) / 2, lon0 = (minLon + maxLon) / 2;
    const double xScale = kMetresPerDegree * std::max(0.01, std::cos(lat0 * kPi / 180.0));
    for (size_t i = 0; i < points.size(); ++i) {
        m_x[i] = (lon[i] - lon0) * xScale;
        m_y[i] = (points[i].lat - lat0) * kMetresPerDegree;
    }
    const double w = (maxLon - minLon) * xScale, h = (maxLat - minLat) * kMetresPerDegree;
    m_bounds = QRectF(-w / 2, -h / 2, w, h);
}

void TTrackProjection::Fit(const QSizeF& size, double margin)
{
    m_size = size;
    // A track at one spot is shown 2 m across, so that its jitter shows.
    const double w = std::max(m_bounds.width(), kFitMinimumM), h = std::max(m_bounds.height(), kFitMinimumM);
    m_scale = std::min(std::max(1.0, size.width() - 2 * margin) / w, std::max(1.0, size.height() - 2 * margin) / h);
    m_centre = m_bounds.center();
}

void TTrackProjection::ZoomAt(const QPointF& pixel, double factor)
{
    // From the equator across the view to 1 cm across a pixel.
    const double scale = std::clamp(m_scale * factor, std::max(1.0, m_size.width()) / kEquatorM, 100.0);
    const QPointF offset = pixel - QPointF(m_size.width() / 2, m_size.height() / 2);
    const QPointF metres(offset.x(), -offset.y());
    m_centre += metres / m_scale - metres / scale;
    m_scale = scale;
}

void TTrackProjection::Pan(const QPointF& pixels) { m_centre -= QPointF(pixels.x(), -pixels.y()) / m_scale; }

void TTrackProjection::CentreOn(size_t i) { m_centre = Metres(i); }

QPointF TTrackProjection::ToScreen(const QPointF& metres) const
{
    return {m_size.width() / 2 + (metres.x() - m_centre.x()) * m_scale,
            m_size.height() / 2 - (metres.y() - m_centre.y()) * m_scale};
}

long long TTrackProjection::Nearest(const QPointF& pixel, double radius) const
{
    long long best = -1;
    double bestD = radius * radius;
    for (size_t i = 0; i < m_x.size(); ++i) {
        const QPointF d = ToScreen(i) - pixel;
        const double d2 = d.x() * d.x() + d.y() * d.y();
        if (d2 <= bestD) {
            bestD = d2;
            best = static_cast<long long>(i);
        }
    }
    return best;
}

std::vector<size_t> TTrackProjection::Decimate(const QSizeF& size, const std::vector<TTrackPoint>& points) const
{
    std::vector<size_t> kept;
    const size_t n = std::min(m_x.size(), points.size());
    if (n == 0)
        return kept;
    const QRectF view(-2, -2, size.width() + 4, size.height() + 4);
    QPointF lastKept;
    bool lastInside = false;
    for (size_t i = 0; i < n; ++i) {
        const QPointF p = ToScreen(i);
        const bool inside = view.contains(p);
        const bool forced = i == 0 || i + 1 == n || points[i].gapBefore || (i + 1 < n && points[i + 1].gapBefore);
        if (!forced) {
            // Closer than kMergePixels to the last kept point.
            const QPointF d = p - lastKept;
            if (d.x() * d.x() + d.y() * d.y() < kMergePixels * kMergePixels)
                continue;
            // Outside, and so was the last kept point and the next one: the
            // segments cannot cross the view unless the three span it, so
            // only points where the track leaves or enters are kept.
            const QPointF next = ToScreen(i + 1);
            if (!inside && !lastInside && !view.contains(next)) {
                const QRectF hull = QRectF(lastKept, next).normalized().united(QRectF(p, p));
                if (!hull.intersects(view))
                    continue;
            }
        }
        kept.push_back(i);
        lastKept = p;
        lastInside = inside;
    }
    return kept;
}

double ScaleBarMetres(double targetMetres)
{
    if (!(targetMetres > 0))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(targetMetres)));
    for (double step : {5.0, 2.0, 1.0})
        if (step * power <= targetMetres)
            return step * power;
    return power;
}

QString ScaleBarText(double metres)
{
    // The lengths are 1, 2 or 5 times a power of ten: as many decimals as
    // that needs, never an exponent.
    const bool km = metres >= 1000.0;
    const double value = km ? metres / 1000.0 : metres;
    const int decimals = value >= 1.0 ? 0 : std::min(9, int(std::ceil(-std::log10(value) - 1e-9)));
    return QString::number(value, 'f', decimals) + (km ? QStringLiteral(" km") : QStringLiteral(" m"));
}

double TickStep(double span, int ticks)
{
    if (!(span > 0) || ticks < 1)
        return 1.0;
    const double raw = span / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double step : {1.0, 2.0, 5.0})
        if (step * power >= raw)
            return step * power;
    return 10.0 * power;
}

int64_t TimeTickMs(int64_t spanMs, int ticks)
{
    static constexpr int64_t kSteps[] = {1000,     2000,     5000,     10000,    15000,     30000,    60000,
                                         120000,   300000,   600000,   900000,   1800000,   3600000,  7200000,
                                         10800000, 21600000, 43200000, 86400000, 172800000, 604800000};
    const int64_t raw = spanMs / std::max(1, ticks);
    for (int64_t step : kSteps)
        if (step >= raw)
            return step;
    return (raw / 604800000 + 1) * 604800000;
}
