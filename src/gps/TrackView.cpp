#include "gps/TrackView.h"

#include "app/UnitMain.h"
#include "widgets/Dialogs.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFitMargin = 16.0;
constexpr double kHoverRadius = 8.0;
constexpr double kWheelStep = 1.25;  // zoom per notch
// The filter of the recording dialog: the converter's input files.
const char kTrackFilter[] =
    QT_TRANSLATE_NOOP("TrackView", "GPS-Datei(*.txt;*.lst;*.gps)|*.txt;*.lst;*.gps|alle (*.*)|*.*");

}  // namespace

// --- map --------------------------------------------------------------------------

TTrackMap::TTrackMap(const TTrack& track, QWidget* parent) : QWidget(parent), m_track(track)
{
    setObjectName(QStringLiteral("TrackMap"));
    setMouseTracking(true);
    setMinimumSize(200, 150);
    m_projection.Build(track.points);
    // The reddest colour at the 95th percentile of the speeds, so that one
    // wild jump does not paint the rest of the track blue.
    std::vector<float> speeds;
    speeds.reserve(track.points.size());
    for (const TTrackPoint& p : track.points)
        if (!std::isnan(p.speedMps))
            speeds.push_back(p.speedMps);
    if (!speeds.empty()) {
        const size_t k = speeds.size() * 95 / 100;
        std::nth_element(speeds.begin(), speeds.begin() + long(k), speeds.end());
        m_speedTop = std::max(0.5, double(speeds[k]));
    }
}

void TTrackMap::Fit()
{
    m_projection.Fit(size(), kFitMargin);
    m_fitted = true;
    update();
}

void TTrackMap::Select(size_t index, int count)
{
    if (index >= m_projection.Size())
        return;
    m_selected = static_cast<long long>(index);
    m_selectedCount = count;
    if (!rect().contains(m_projection.ToScreen(index).toPoint()))
        m_projection.CentreOn(index);
    update();
}

QColor TTrackMap::SpeedColour(float speedMps) const
{
    if (std::isnan(speedMps))
        return QColor(128, 128, 128);
    const double t = std::clamp(speedMps / m_speedTop, 0.0, 1.0);
    // Blue when slow, through green and yellow, red when fast.
    return QColor::fromHsvF(float(0.66 * (1.0 - t)), 0.9f, 0.85f);
}

void TTrackMap::resizeEvent(QResizeEvent*)
{
    if (!m_fitted)
        Fit();
}

void TTrackMap::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setClipRect(rect());
    p.fillRect(rect(), QColor(250, 250, 246));
    const std::vector<TTrackPoint>& pts = m_track.points;
    m_drawnSegments = 0;
    if (pts.empty()) {
        p.drawText(rect(), Qt::AlignCenter, QCoreApplication::translate("TrackView", "no fix recorded"));
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    const std::vector<size_t> kept = m_projection.Decimate(size(), pts);
    // Runs of one colour go out as one polyline; gaps as thin dashes.
    QPolygonF run;
    QColor runColour;
    const auto flush = [&] {
        if (run.size() > 1) {
            p.setPen(QPen(runColour, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(run);
            m_drawnSegments += size_t(run.size() - 1);
        }
        run.clear();
    };
    for (size_t k = 0; k < kept.size(); ++k) {
        const size_t i = kept[k];
        const QPointF at = m_projection.ToScreen(i);
        if (k > 0 && pts[i].gapBefore) {
            flush();
            p.setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
            p.drawLine(m_projection.ToScreen(kept[k - 1]), at);
            ++m_drawnSegments;
        } else if (k > 0) {
            const QColor colour = SpeedColour(pts[i].speedMps);
            if (colour != runColour) {
                const QPointF from = run.isEmpty() ? m_projection.ToScreen(kept[k - 1]) : run.last();
                flush();
                run << from;
                runColour = colour;
            }
            if (run.isEmpty())
                run << m_projection.ToScreen(kept[k - 1]);
            run << at;
        }
    }
    flush();

    // Start green, end red.
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0, 170, 0));
    p.drawEllipse(m_projection.ToScreen(0), 6, 6);
    p.setBrush(QColor(210, 0, 0));
    const QPointF end = m_projection.ToScreen(pts.size() - 1);
    p.drawRect(QRectF(end - QPointF(5, 5), QSizeF(10, 10)));

    if (m_selected >= 0) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 0, 255), 2));
        for (int c = 0; c < m_selectedCount && m_selected - c >= 0; ++c)
            p.drawEllipse(m_projection.ToScreen(size_t(m_selected - c)), 9, 9);
    }

    // Scale bar, lower left, about a fifth of the width.
    const double metres = ScaleBarMetres(width() / 5.0 * m_projection.MetresPerPixel());
    const double pixels = metres / m_projection.MetresPerPixel();
    const QPointF origin(12, height() - 14);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(origin, origin + QPointF(pixels, 0));
    p.drawLine(origin, origin - QPointF(0, 5));
    p.drawLine(origin + QPointF(pixels, 0), origin + QPointF(pixels, -5));
    p.drawText(origin + QPointF(4, -6), ScaleBarText(metres));
}

void TTrackMap::wheelEvent(QWheelEvent* e)
{
    const double notches = e->angleDelta().y() / 120.0;
    m_projection.ZoomAt(e->position(), std::pow(kWheelStep, notches));
    update();
}

void TTrackMap::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragFrom = e->position();
    }
}

void TTrackMap::mouseMoveEvent(QMouseEvent* e)
{
    if (m_dragging) {
        m_projection.Pan(e->position() - m_dragFrom);
        m_dragFrom = e->position();
        update();
        return;
    }
    const long long i = m_projection.Nearest(e->position(), kHoverRadius);
    if (i >= 0)
        QToolTip::showText(e->globalPosition().toPoint(), PointText(m_track.points[size_t(i)]), this);
    else
        QToolTip::hideText();
}

void TTrackMap::mouseReleaseEvent(QMouseEvent*) { m_dragging = false; }

// --- profile ------------------------------------------------------------------------

TTrackProfile::TTrackProfile(const TTrack& track, QWidget* parent) : QWidget(parent), m_track(track)
{
    setObjectName(QStringLiteral("TrackProfile"));
    setMinimumHeight(90);
}

void TTrackProfile::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setClipRect(rect());
    p.fillRect(rect(), Qt::white);
    const std::vector<TTrackPoint>& pts = m_track.points;
    const TTrackStats& s = m_track.summary.stats;
    const int w = std::max(1, width() - 2), h = std::max(1, height() - 16);
    if (pts.size() < 2 || w < 2)
        return;
    // Over time where the times compare, over the point number otherwise.
    const int64_t span = s.SpanMs();
    const bool byTime = span > 0;
    const auto column = [&](size_t i) {
        const double t =
            byTime ? double(pts[i].timeMs - s.firstTimed.timeMs) / double(span) : double(i) / double(pts.size() - 1);
        return std::clamp(int(t * (w - 1)), 0, w - 1);
    };
    struct TRange {
        float lo = NAN, hi = NAN;
        void Add(float v)
        {
            if (std::isnan(v))
                return;
            lo = std::isnan(lo) ? v : std::min(lo, v);
            hi = std::isnan(hi) ? v : std::max(hi, v);
        }
    };
    const size_t columns = static_cast<size_t>(w);
    std::vector<TRange> altitude(columns), speed(columns);
    for (size_t i = 0; i < pts.size(); ++i) {
        if (byTime && (!pts[i].hasTime || pts[i].dated != s.firstTimed.Dated()))
            continue;
        const size_t c = size_t(column(i));
        altitude[c].Add(pts[i].altitude);
        speed[c].Add(pts[i].speedMps);
    }
    const auto draw = [&](const std::vector<TRange>& columns, double lo, double hi, const QColor& colour) {
        if (std::isnan(lo) || std::isnan(hi))
            return;
        const double range = hi > lo ? hi - lo : 1.0;
        const auto y = [&](float v) { return 1 + h - (double(v) - lo) / range * (h - 2); };
        p.setPen(QPen(colour, 1.5));
        QPointF last;
        bool any = false;
        for (int c = 0; c < w; ++c) {
            const TRange& r = columns[size_t(c)];
            if (std::isnan(r.lo))
                continue;
            const QPointF top(1 + c, y(r.hi)), bottom(1 + c, y(r.lo));
            if (any)
                p.drawLine(last, bottom);
            p.drawLine(bottom, top);
            last = top;
            any = true;
        }
    };
    double speedMax = 0;
    for (const TRange& r : speed)
        if (!std::isnan(r.hi))
            speedMax = std::max(speedMax, double(r.hi));
    draw(altitude, s.minAltitude, s.maxAltitude, QColor(30, 90, 200));
    draw(speed, 0.0, speedMax, QColor(230, 120, 0));
    p.setPen(Qt::black);
    QString legend = QCoreApplication::translate("TrackView", "altitude (blue)");
    if (!std::isnan(s.minAltitude))
        legend += QStringLiteral(" %1 .. %2 m").arg(s.minAltitude).arg(s.maxAltitude);
    legend += QCoreApplication::translate("TrackView", ", speed (orange) 0 .. %1 km/h").arg(speedMax * 3.6, 0, 'f', 1);
    legend += byTime ? QCoreApplication::translate("TrackView", ", over time")
                     : QCoreApplication::translate("TrackView", ", over the fixes");
    p.drawText(QRectF(4, height() - 15, width() - 8, 14), Qt::AlignLeft | Qt::AlignVCenter, legend);
}

// --- window -------------------------------------------------------------------------

TTrackWindow::TTrackWindow(std::unique_ptr<TTrack> track, const QString& fileName, QWidget* parent)
    : QWidget(parent, Qt::Window), m_track(std::move(track))
{
    setObjectName(QStringLiteral("TrackWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QCoreApplication::translate("TrackView", "Track - %1").arg(fileName));
    resize(1000, 700);

    m_map = new TTrackMap(*m_track, this);
    m_profile = new TTrackProfile(*m_track, this);
    m_summary = new QPlainTextEdit(this);
    m_summary->setObjectName(QStringLiteral("TrackSummary"));
    m_summary->setReadOnly(true);
    m_summary->setPlainText(SummaryLines(m_track->summary).join(QLatin1Char('\n')));
    m_events = new QListWidget(this);
    m_events->setObjectName(QStringLiteral("TrackEvents"));
    m_events->setToolTip(QCoreApplication::translate("TrackView", "Klick zeigt Punkt oder Lücke in der Karte"));
    m_fit = new QPushButton(QCoreApplication::translate("TrackView", "Fit"), this);
    m_fit->setObjectName(QStringLiteral("ButtonTrackFit"));
    m_fit->setToolTip(QCoreApplication::translate("TrackView", "ganzen Track zeigen"));

    // Notable points first, then the gaps; each item holds its point and
    // how many points to mark.
    const TTrackStats& s = m_track->summary.stats;
    const auto add = [this](const QString& text, long long index, int count) {
        if (index < 0 || size_t(index) >= m_track->points.size())
            return;
        auto* item = new QListWidgetItem(text, m_events);
        item->setData(Qt::UserRole, index);
        item->setData(Qt::UserRole + 1, count);
    };
    if (!m_track->points.empty()) {
        const long long last = (long long)m_track->points.size() - 1;
        add(QCoreApplication::translate("TrackView", "Start %1").arg(FixTimeText(s.first)), 0, 1);
        add(QCoreApplication::translate("TrackView", "End %1").arg(FixTimeText(s.last)), last, 1);
        if (s.maxAltitudeIndex >= 0)
            add(QCoreApplication::translate("TrackView", "Highest %1 m").arg(s.maxAltitude), s.maxAltitudeIndex, 1);
        if (s.minAltitudeIndex >= 0)
            add(QCoreApplication::translate("TrackView", "Lowest %1 m").arg(s.minAltitude), s.minAltitudeIndex, 1);
        if (s.maxSpeedIndex >= 0)
            add(QCoreApplication::translate("TrackView", "Fastest %1 km/h").arg(s.maxSpeedMps * 3.6, 0, 'f', 1),
                s.maxSpeedIndex, 2);
    }
    for (const TTrackGap& g : s.gaps)
        add(QCoreApplication::translate("TrackView", "Gap %1 to %2 (%3)")
                .arg(FixTimeText(g.before), FixTimeText(g.after), DurationText(g.Ms())),
            g.index, 2);
    connect(m_events, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        m_map->Select(size_t(item->data(Qt::UserRole).toLongLong()), item->data(Qt::UserRole + 1).toInt());
    });
    connect(m_fit, &QPushButton::clicked, m_map, &TTrackMap::Fit);

    auto* left = new QSplitter(Qt::Vertical, this);
    left->addWidget(m_map);
    left->addWidget(m_profile);
    left->setStretchFactor(0, 4);
    left->setStretchFactor(1, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(m_summary, 3);
    right->addWidget(m_events, 2);
    right->addWidget(m_fit);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(left, 3);
    layout->addLayout(right, 1);
}

TTrackWindow::~TTrackWindow() = default;

TTrackWindow* ShowTrackWindow(QWidget* parent, const QString& fileName)
{
    auto track = std::make_unique<TTrack>();
    if (LoadTrack(fileName, *track) != 0) {
        Dialogs().Warning(QCoreApplication::translate("TrackView", "Fehler bei Dateizugriff (%1)").arg(fileName));
        return nullptr;
    }
    auto* window = new TTrackWindow(std::move(track), fileName, parent);
    window->show();
    return window;
}

void TrackAnsehenClick(TFormMain& main)
{
    // The list just downloaded is the likeliest wish; else the last converted file.
    const bool list = !main.LstFile.isEmpty();
    const TOpenFileRequest request{QCoreApplication::translate("TrackView", "Track ansehen"),
                                   QCoreApplication::translate("TrackView", kTrackFilter),
                                   list ? main.LstDir : main.GpsDir, list ? main.LstFile : main.GpsFile};
    const QString chosen = Dialogs().OpenFile(request);
    if (!chosen.isEmpty())
        ShowTrackWindow(&main, chosen);
}

void OfferTrackView(TFormMain& main, const QString& fileName)
{
    if (Dialogs().YesNo(QCoreApplication::translate("TrackView", "List download finished. Show the track?\r\r"
                                                                 "List-Download beendet. Track ansehen?\r\r"),
                        false))
        ShowTrackWindow(&main, fileName);
}
