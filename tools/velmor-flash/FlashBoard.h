#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

class TFlashTrack;
struct TFlashResult;

// What a call with several devices shows while it runs: one row per device.
// On a terminal the rows are redrawn in place (at most ten times a second),
// each cut to the terminal's width (asked at every redraw, so that the board
// follows a resize): a long name is shortened in the middle, the outcome is
// kept. With more rows than lines a summary line counts them, and the rows
// that fit are shown, running and failed ones first. For a log every change
// of a row is one line "name: text", and every notice of a transfer (a block
// sent again) one more. The rows are kept by the showing thread; the
// transfers' figures come from their tracks.
class TFlashBoard {
public:
    enum class TRowState { Idle, Running, Passed, Failed };
    struct TSize {
        int columns = 80;
        int lines = 24;
        friend bool operator==(const TSize&, const TSize&) = default;
    };

    // live: out is a terminal to redraw on.
    TFlashBoard(std::FILE* out, bool live);

    // A new row for name; returns its number.
    int AddRow(const QString& name);
    // Sets a row's text; in a log it becomes a line of its own.
    void Show(int row, const QString& text, TRowState state = TRowState::Idle);
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

    // On a terminal: takes the board off the screen, so that the table
    // takes its place and every device is shown once.
    void Close();

    // The table at the end: device, outcome, time, bytes, blocks repeated.
    // columns > 0: a terminal that wide; a row that does not fit is a block
    // of lines (the device, then the outcome and the figures indented),
    // none of them wider.
    static QByteArray Table(const QList<TFlashResult>& results, int columns = 0);

    // The size of the terminal on fd; nothing when it is none.
    static std::optional<TSize> TerminalSize(int fd);
    // name shortened to columns by leaving out its middle.
    static QString ShortenMiddle(const QString& name, int columns);
    // The board's lines for a terminal of size (at most size.lines - 1 of
    // them, none wider than size.columns).
    QStringList Lines(const TSize& size) const;

private:
    struct TRow {
        QString name;
        QString text;
        TRowState state = TRowState::Idle;
        TFlashTrack* track = nullptr;
        bool percentOnly = false;
        QString notice;      // the last one, shown behind the progress
        int noticeSent = 0;  // the bytes sent when it came
        QElapsedTimer clock;
    };

    // What the row shows behind its name, longest form first.
    QStringList rowTexts(const TRow& row) const;
    QString rowLine(const TRow& row, int columns) const;
    void emitLine(const QString& text);
    void draw();
    QByteArray up() const;

    std::FILE* m_out;
    const bool m_live;
    QList<TRow> m_rows;
    QString m_footer;
    int m_drawn = 0;  // lines of the board on the terminal now
    std::optional<TSize> m_drawnSize;
    int m_nameWidth = 0;
    QElapsedTimer m_drawClock;
};
