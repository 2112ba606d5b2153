#pragma once

#include "gps/TrackProjection.h"
#include "gps/TrackSummary.h"

#include <QWidget>

#include <memory>

class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TFormMain;

// The track drawn to scale: coloured by speed, start and end marked, a scale
// bar; zoom with the wheel, pan by dragging, a tooltip on the point under
// the mouse. Draws only what the projection's decimation keeps.
class TTrackMap : public QWidget {
    Q_OBJECT
public:
    TTrackMap(const TTrack& track, QWidget* parent);
    void Fit();
    // Marks a point (or, with count 2, a gap from its point before) and
    // brings it into view.
    void Select(size_t index, int count = 1);
    long long Selected() const { return m_selected; }
    const TTrackProjection& Projection() const { return m_projection; }
    // Segments the last frame drew.
    size_t DrawnSegments() const { return m_drawnSegments; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QColor SpeedColour(float speedMps) const;

    const TTrack& m_track;
    TTrackProjection m_projection;
    double m_speedTop = 1.0;  // speed of the reddest colour
    bool m_fitted = false;
    bool m_dragging = false;
    QPointF m_dragFrom;
    long long m_selected = -1;
    int m_selectedCount = 1;
    size_t m_drawnSegments = 0;
};

// Altitude and speed over time (UTC), with an altitude axis in metres on the
// left, a speed axis in km/h on the right (up to the plausible maximum) and
// a time axis below; over the fix number when the times do not compare.
// Each column of pixels shows the lowest to highest value that falls into
// it as a pale band and their mean as a line; gaps break the lines.
class TTrackProfile : public QWidget {
    Q_OBJECT
public:
    TTrackProfile(const TTrack& track, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const TTrack& m_track;
};

// The window that shows a recording: map, profile, summary and the list of
// notable points and gaps.
class TTrackWindow : public QWidget {
    Q_OBJECT
public:
    TTrackWindow(std::unique_ptr<TTrack> track, const QString& fileName, QWidget* parent);
    ~TTrackWindow() override;

    TTrackMap* Map() const { return m_map; }
    QPlainTextEdit* Summary() const { return m_summary; }
    QListWidget* Events() const { return m_events; }

private:
    std::unique_ptr<TTrack> m_track;
    TTrackMap* m_map;
    TTrackProfile* m_profile;
    QPlainTextEdit* m_summary;
    QListWidget* m_events;
    QPushButton* m_fit;
};

// Reads fileName and shows it in a new window over parent; a file that
// cannot be read gives "Fehler bei Dateizugriff (" + name + ")".
TTrackWindow* ShowTrackWindow(QWidget* parent, const QString& fileName);
// The "Track ansehen" buttons: asks for the recording (the list file of the
// last download first), then shows it.
void TrackAnsehenClick(TFormMain& main);
// After a list download: offers to show the file just written; brokenOff
// when the download was ended early (ESC, or the logger's "user break").
void OfferTrackView(TFormMain& main, const QString& fileName, bool brokenOff = false);
