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
// The filter of the recording dialog: list files first, then every kind of
// file receivers and loggers write NMEA into.
const char kTrackFilter[] = QT_TRANSLATE_NOOP(
    "TrackView",
    "List-Datei (*.lst)|*.lst|GPS-Datei(*.lst;*.nmea;*.log;*.txt;*.gps)|*.lst;*.nmea;*.log;*.txt;*.gps|alle (*.*)|*.*");

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
        p.drawText(rect(), Qt::AlignCenter, QCoreApplication::translate("TrackView", "keine Position aufgezeichnet"));
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
    setMinimumHeight(150);
}

void TTrackProfile::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setClipRect(rect());
    p.fillRect(rect(), Qt::white);
    const std::vector<TTrackPoint>& pts = m_track.points;
    const TTrackStats& s = m_track.summary.stats;
    const QFontMetrics fm(font());
    const int text = fm.height();
    // The plot between an altitude axis on the left, a speed axis on the
    // right and the time axis below.
    const QRect plot(fm.horizontalAdvance(QStringLiteral("-00000")) + 8, text / 2 + 2,
                     width() - 2 * (fm.horizontalAdvance(QStringLiteral("-00000")) + 8), height() - 2 * text - 8);
    const int w = plot.width();
    if (pts.size() < 2 || w < 8 || plot.height() < 8)
        return;
    // Over time where the times compare, over the fix number otherwise.
    const int64_t span = s.SpanMs();
    const bool byTime = span > 0;
    const int64_t t0 = s.firstTimed.timeMs;
    const auto column = [&](size_t i) {
        const double t = byTime ? double(pts[i].timeMs - t0) / double(span) : double(i) / double(pts.size() - 1);
        return std::clamp(int(t * (w - 1)), 0, w - 1);
    };
    // Lowest, highest and mean value of each column of pixels.
    struct TColumn {
        float lo = NAN, hi = NAN;
        double sum = 0;
        int n = 0;
        bool breakBefore = false;  // a gap ends in this column
        void Add(float v)
        {
            if (std::isnan(v))
                return;
            lo = std::isnan(lo) ? v : std::min(lo, v);
            hi = std::isnan(hi) ? v : std::max(hi, v);
            sum += v;
            ++n;
        }
    };
    const size_t columns = static_cast<size_t>(w);
    std::vector<TColumn> altitude(columns), speed(columns);
    for (size_t i = 0; i < pts.size(); ++i) {
        if (byTime && (!pts[i].hasTime || pts[i].dated != s.firstTimed.Dated()))
            continue;
        const size_t c = size_t(column(i));
        altitude[c].Add(pts[i].altitude);
        speed[c].Add(pts[i].speedMps * 3.6f);
        if (pts[i].gapBefore)
            altitude[c].breakBefore = speed[c].breakBefore = true;
    }
    // Speeds scaled to the plausible maximum; a wild jump is cut at the top.
    const double speedTop = std::max(1.0, (s.maxSpeedIndex >= 0 ? s.maxSpeedMps : 0.0) * 3.6);
    double altLo = s.minAltitude, altHi = s.maxAltitude;
    if (!std::isnan(altLo) && altHi - altLo < 10.0) {
        altLo -= 5.0;
        altHi += 5.0;
    }
    const auto yOf = [&](double v, double lo, double hi) {
        const double t = std::clamp((v - lo) / (hi - lo), 0.0, 1.0);
        return plot.bottom() - t * plot.height();
    };
    const auto draw = [&](const std::vector<TColumn>& cols, double lo, double hi, const QColor& colour) {
        if (std::isnan(lo) || std::isnan(hi) || !(hi > lo))
            return;
        // The spread of each column as a pale band, the mean as a line that
        // a gap breaks.
        QColor pale = colour;
        pale.setAlpha(70);
        p.setPen(QPen(pale, 1));
        for (int c = 0; c < w; ++c)
            if (cols[size_t(c)].n > 0)
                p.drawLine(QPointF(plot.left() + c, yOf(cols[size_t(c)].lo, lo, hi)),
                           QPointF(plot.left() + c, yOf(cols[size_t(c)].hi, lo, hi)));
        p.setPen(QPen(colour, 1.5));
        QPolygonF run;
        for (int c = 0; c < w; ++c) {
            const TColumn& col = cols[size_t(c)];
            if (col.breakBefore && run.size() > 0) {
                p.drawPolyline(run);
                run.clear();
            }
            if (col.n > 0)
                run << QPointF(plot.left() + c, yOf(col.sum / col.n, lo, hi));
        }
        if (run.size() == 1)
            p.drawPoint(run[0]);
        else
            p.drawPolyline(run);
    };
    const QColor blue(30, 90, 200), orange(230, 120, 0);

    // Grid and axes.
    p.setPen(QPen(QColor(225, 225, 225), 1));
    p.drawRect(plot);
    const auto valueAxis = [&](double lo, double hi, const QColor& colour, bool left, const QString& unit) {
        if (std::isnan(lo) || !(hi > lo))
            return;
        const double step = TickStep(hi - lo, std::max(1, plot.height() / (2 * text)));
        p.setPen(colour);
        for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) {
            const double y = yOf(v, lo, hi);
            const QString label = QString::number(v, 'f', step < 1 ? 1 : 0);
            if (left) {
                p.drawLine(QPointF(plot.left() - 4, y), QPointF(plot.left(), y));
                p.drawText(QRectF(0, y - text / 2.0, plot.left() - 6, text), Qt::AlignRight | Qt::AlignVCenter, label);
            } else {
                p.drawLine(QPointF(plot.right(), y), QPointF(plot.right() + 4, y));
                p.drawText(QRectF(plot.right() + 6, y - text / 2.0, width() - plot.right() - 6, text),
                           Qt::AlignLeft | Qt::AlignVCenter, label);
            }
        }
        p.drawText(QRectF(left ? 2 : plot.right() + 6, height() - text - 2, plot.left() - 4, text),
                   left ? Qt::AlignLeft : Qt::AlignLeft, unit);
    };
    valueAxis(altLo, altHi, blue, true, QCoreApplication::translate("TrackView", "Höhe m"));
    valueAxis(0.0, speedTop, orange, false, QCoreApplication::translate("TrackView", "km/h"));
    p.setPen(Qt::black);
    const double tickY = plot.bottom();
    if (byTime) {
        const int64_t step = TimeTickMs(span, std::max(1, w / fm.horizontalAdvance(QStringLiteral("00:00:00  "))));
        for (int64_t t = (t0 + step - 1) / step * step; t <= t0 + span; t += step) {
            const double x = plot.left() + double(t - t0) / double(span) * (w - 1);
            const int64_t ms = ((t % 86400000) + 86400000) % 86400000;
            const int sec = int(ms / 1000);
            const QString label = step % 60000 == 0
                                      ? QString::asprintf("%02d:%02d", sec / 3600, sec / 60 % 60)
                                      : QString::asprintf("%02d:%02d:%02d", sec / 3600, sec / 60 % 60, sec % 60);
            p.drawLine(QPointF(x, tickY), QPointF(x, tickY + 4));
            p.drawText(QRectF(x - 40, tickY + 4, 80, text), Qt::AlignHCenter | Qt::AlignTop,
                       ms == 0 && step < 86400000 && s.firstTimed.Dated() ? QString::asprintf(
                           "%02d.%02d.", DateFromDays(t / 86400000).day, DateFromDays(t / 86400000).month)
                                                                          : label);
        }
    } else {
        const double step = std::max(1.0, TickStep(double(pts.size() - 1), std::max(1, w / (6 * text))));
        for (double n = 0; n <= double(pts.size() - 1); n += step) {
            const double x = plot.left() + n / double(pts.size() - 1) * (w - 1);
            p.drawLine(QPointF(x, tickY), QPointF(x, tickY + 4));
            p.drawText(QRectF(x - 40, tickY + 4, 80, text), Qt::AlignHCenter | Qt::AlignTop,
                       QString::number(n, 'f', 0));
        }
    }
    p.drawText(QRectF(plot.left(), height() - text - 2, w, text), Qt::AlignHCenter | Qt::AlignBottom,
               byTime ? QCoreApplication::translate("TrackView", "Zeit (UTC)")
                      : QCoreApplication::translate("TrackView", "Position Nr. (ohne Zeit)"));
    p.setClipRect(plot.adjusted(0, -1, 1, 1));
    p.setRenderHint(QPainter::Antialiasing);
    draw(altitude, altLo, altHi, blue);
    draw(speed, 0.0, speedTop, orange);
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
    m_fit = new QPushButton(QCoreApplication::translate("TrackView", "Einpassen"), this);
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
        add(QCoreApplication::translate("TrackView", "Ende %1").arg(FixTimeText(s.last)), last, 1);
        if (s.maxAltitudeIndex >= 0)
            add(QCoreApplication::translate("TrackView", "Höchster Punkt %1 m").arg(s.maxAltitude, 0, 'f', 1),
                s.maxAltitudeIndex, 1);
        if (s.minAltitudeIndex >= 0)
            add(QCoreApplication::translate("TrackView", "Tiefster Punkt %1 m").arg(s.minAltitude, 0, 'f', 1),
                s.minAltitudeIndex, 1);
        if (s.maxSpeedIndex >= 0)
            add(QCoreApplication::translate("TrackView", "Schnellster Abschnitt %1 km/h")
                    .arg(s.maxSpeedMps * 3.6, 0, 'f', 1),
                s.maxSpeedIndex, 2);
        if (s.rawMaxSpeedIndex >= 0 && s.rawMaxSpeedIndex != s.maxSpeedIndex)
            add(QCoreApplication::translate("TrackView", "Größter Sprung %1 km/h (nicht gewertet)")
                    .arg(s.rawMaxSpeedMps * 3.6, 0, 'f', 1),
                s.rawMaxSpeedIndex, 2);
    }
    for (const TTrackGap& g : s.gaps)
        add(QCoreApplication::translate("TrackView", "Lücke %1 bis %2 (%3)")
                .arg(FixTimeText(g.before), FixTimeText(g.after), DurationText(g.Ms())),
            g.index, 2);
    if (s.gapCount > qsizetype(s.gaps.size()))
        new QListWidgetItem(QCoreApplication::translate("TrackView", "und %1 weitere Lücken")
                                .arg(s.gapCount - qsizetype(s.gaps.size())),
                            m_events);
    connect(m_events, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item->data(Qt::UserRole).isValid())
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

void OfferTrackView(TFormMain& main, const QString& fileName, bool brokenOff)
{
    const QString question =
        brokenOff ? QCoreApplication::translate("TrackView",
                                                "List-Download abgebrochen. Bis dahin empfangenen Track ansehen?\r\r")
                  : QCoreApplication::translate("TrackView", "List-Download beendet. Track ansehen?\r\r");
    if (Dialogs().YesNo(question, false))
        ShowTrackWindow(&main, fileName);
}
