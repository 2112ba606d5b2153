#include "ProgressBar.h"

#include <QByteArray>

#include <sys/ioctl.h>

namespace {

constexpr int kBarWidth = 30;
constexpr qint64 kRedrawMs = 100;

}  // namespace

QByteArray TProgressBar::Line(int value, int max, qint64 elapsedMs)
{
    const int shownMax = max > 0 ? max : 1;
    const int done = qBound(0, value, shownMax);
    const int filled = int(qint64(done) * kBarWidth / shownMax);
    QByteArray line = "\r[" + QByteArray(filled, '#') + QByteArray(kBarWidth - filled, '.') + "] ";
    line += QByteArray::number(qint64(done) * 100 / shownMax).rightJustified(3) + "%  ";
    line += QByteArray::number(done) + '/' + QByteArray::number(max) + " B";
    if (elapsedMs > 0 && done > 0) {
        const double rate = done * 1000.0 / double(elapsedMs);
        const qint64 left = qint64((shownMax - done) / rate + 0.5);
        line += "  " + QByteArray::number(qint64(rate)) + " B/s  ";
        line += QByteArray::number(left / 60) + ':' + QByteArray::number(left % 60).rightJustified(2, '0') + " left";
    }
    return line + "\033[K";
}

void TProgressBar::Start(int max)
{
    m_max = max;
    m_value = 0;
    m_drawnAt = -1;
    m_clock.start();
}

void TProgressBar::Update(int value)
{
    m_value = value;
    const qint64 now = m_clock.elapsed();
    if (m_drawnAt >= 0 && now - m_drawnAt < kRedrawMs && m_shown)
        return;
    m_drawnAt = now;
    draw();
}

void TProgressBar::draw()
{
    QByteArray line = Line(m_value, m_max, m_clock.isValid() ? m_clock.elapsed() : 0);
    // Never wider than the terminal: a wrapped line could not be redrawn
    // from its start.
    winsize ws{};
    const qsizetype body = line.size() - 4;  // without "\r" and "\033[K"
    if (::ioctl(fileno(m_out), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 1 && body >= ws.ws_col)
        line = line.left(ws.ws_col) + "\033[K";
    std::fwrite(line.constData(), 1, size_t(line.size()), m_out);
    std::fflush(m_out);
    m_shown = true;
}

void TProgressBar::Break()
{
    if (!m_shown)
        return;
    draw();
    std::fputc('\n', m_out);
    std::fflush(m_out);
    m_shown = false;
}
