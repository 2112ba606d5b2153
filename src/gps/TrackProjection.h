#pragma once

#include "gps/TrackSummary.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <cstdint>
#include <vector>

// The track on a flat map: an equirectangular projection around the track's
// centre (x east, y north, in metres), and the view onto it (scale and
// centre) that the track view zooms and pans. Longitudes are unwrapped from
// point to point, so a track across the date line stays in one piece.
class TTrackProjection {
public:
    void Build(const std::vector<TTrackPoint>& points);
    size_t Size() const { return m_x.size(); }
    // Projected position of point i in metres.
    QPointF Metres(size_t i) const { return {m_x[i], m_y[i]}; }
    QRectF Bounds() const { return m_bounds; }

    // Shows the whole track in a view of size, with margin pixels around it.
    void Fit(const QSizeF& size, double margin);
    // Zooms by factor, keeping what is under pixel at its place.
    void ZoomAt(const QPointF& pixel, double factor);
    void Pan(const QPointF& pixels);
    // Puts point i in the middle of the view.
    void CentreOn(size_t i);

    QPointF ToScreen(size_t i) const { return ToScreen(Metres(i)); }
    QPointF ToScreen(const QPointF& metres) const;
    double MetresPerPixel() const { return 1.0 / m_scale; }

    // The point nearest to pixel within radius pixels; -1 when none.
    long long Nearest(const QPointF& pixel, double radius) const;
    // The points to draw in a view of size: a point closer than a pixel and
    // a half to the last kept one is merged into it, and stretches outside
    // the view are reduced to where they leave and enter, so a frame draws
    // less than one segment per pixel of track length, whatever the number
    // of points. First and last point and both ends of a gap are kept.
    std::vector<size_t> Decimate(const QSizeF& size, const std::vector<TTrackPoint>& points) const;

private:
    std::vector<double> m_x, m_y;
    QRectF m_bounds;
    QSizeF m_size{1, 1};
    double m_scale = 1.0;  // pixels per metre
    QPointF m_centre;      // metres at the middle of the view
};

// A round length for a scale bar near targetMetres: 1, 2 or 5 times a power of ten.
double ScaleBarMetres(double targetMetres);
// "500 m", "2 km", "0.5 m", "5000 km": no exponent.
QString ScaleBarText(double metres);
// A step of 1, 2 or 5 times a power of ten that divides span into at most
// about ticks parts (axis ticks).
double TickStep(double span, int ticks);
// The same for a time axis: 1 s, 2 s, 5 s, ... 1 min, ... 1 h, ... 1 d, 1 week.
int64_t TimeTickMs(int64_t spanMs, int ticks);
