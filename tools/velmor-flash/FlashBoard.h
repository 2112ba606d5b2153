#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <cstdio>

class TFlashTrack;
struct TFlashResult;

// What a call with several devices shows while it runs: one row per device.
// On a terminal the rows are redrawn in place (at most ten times a second);
// for a log every change of a row is one line "name: text", and every notice
// of a transfer (a block sent again) one more. The rows are kept by the
// showing thread; the transfers' figures come from their tracks.
class TFlashBoard {
public:
    // live: out is a terminal to redraw on.
    TFlashBoard(std::FILE* out, bool live);

    // A new row for name; returns its number.
    int AddRow(const QString& name);
    // Sets a row's text; in a log it becomes a line of its own.
    void Show(int row, const QString& text);
    // From now on the row shows track's progress: the progress bar's figures,
    // or with percentOnly "flashing n %". nullptr: back to its text.
    void Follow(int row, TFlashTrack* track, bool percentOnly);
    // A last line under the rows (a running count); in a log a line whenever it changes.
    void SetFooter(const QString& text);
    // A line above the rows (a note for the user).
    void Message(const QString& text);
    // Picks up the tracks' progress and notices; redraws when due, or at
    // once with force.
    void Refresh(bool force = false);

    // The table at the end: device, outcome, time, bytes, blocks repeated.
    static QByteArray Table(const QList<TFlashResult>& results);

private:
    struct TRow {
        QString name;
        QString text;
        TFlashTrack* track = nullptr;
        bool percentOnly = false;
        QString notice;  // the last one, shown behind the progress
        QElapsedTimer clock;
    };

    QString rowLine(const TRow& row) const;
    void emitLine(const QString& text);
    void draw();

    std::FILE* m_out;
    const bool m_live;
    QList<TRow> m_rows;
    QString m_footer;
    int m_drawn = 0;  // lines of the board on the terminal now
    int m_nameWidth = 0;
    QElapsedTimer m_drawClock;
};
