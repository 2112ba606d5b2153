#pragma once

#include <QElapsedTimer>

#include <cstdio>

// One self-overwriting line on a terminal: a bar, the percentage, the bytes
// sent, the rate in bytes per second and the time left. Redrawn at most ten
// times a second, so that it costs nothing against the transfer.
class TProgressBar {
public:
    explicit TProgressBar(std::FILE* out) : m_out(out) {}

    // A new transfer of max bytes begins now.
    void Start(int max);
    void Update(int value);
    // Draws the present state and ends the line, so that other output can
    // follow; the next update starts a new line. Nothing when not shown.
    void Break();

    // The line as drawn for value of max bytes after elapsedMs.
    static QByteArray Line(int value, int max, qint64 elapsedMs);

private:
    void draw();

    std::FILE* m_out;
    QElapsedTimer m_clock;
    qint64 m_drawnAt = -1;
    int m_max = 0;
    int m_value = 0;
    bool m_shown = false;
};
