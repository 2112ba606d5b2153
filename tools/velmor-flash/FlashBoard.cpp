#include "FlashBoard.h"

#include "FlashJob.h"
#include "FlashTrack.h"
#include "ProgressBar.h"

namespace {

constexpr qint64 kRedrawMs = 100;

}  // namespace

TFlashBoard::TFlashBoard(std::FILE* out, bool live) : m_out(out), m_live(live) {}

int TFlashBoard::AddRow(const QString& name)
{
    m_rows.append(TRow{name, QString(), nullptr, false, QString(), QElapsedTimer()});
    m_nameWidth = qMax(m_nameWidth, int(name.size()));
    return int(m_rows.size()) - 1;
}

void TFlashBoard::emitLine(const QString& text)
{
    std::fprintf(m_out, "%s\n", text.toUtf8().constData());
    std::fflush(m_out);
}

void TFlashBoard::Show(int row, const QString& text)
{
    TRow& r = m_rows[row];
    r.text = text;
    r.track = nullptr;
    r.notice.clear();
    if (m_live)
        Refresh(true);
    else
        emitLine(r.name + QStringLiteral(": ") + text);
}

void TFlashBoard::Follow(int row, TFlashTrack* track, bool percentOnly)
{
    TRow& r = m_rows[row];
    r.track = track;
    r.percentOnly = percentOnly;
    r.notice.clear();
    r.clock.start();
}

void TFlashBoard::SetFooter(const QString& text)
{
    if (text == m_footer)
        return;
    m_footer = text;
    if (m_live)
        Refresh(true);
    else
        emitLine(text);
}

void TFlashBoard::Message(const QString& text)
{
    if (!m_live) {
        emitLine(text);
        return;
    }
    // Above the board: the board is drawn again below it.
    if (m_drawn > 0)
        std::fprintf(m_out, "\033[%dA", m_drawn);
    std::fprintf(m_out, "\r%s\033[K\n", text.toUtf8().constData());
    m_drawn = 0;
    draw();
}

QString TFlashBoard::rowLine(const TRow& r) const
{
    QString line = r.name.leftJustified(m_nameWidth) + QStringLiteral("  ");
    if (!r.track)
        return line + r.text;
    const int total = r.track->total;
    const int sent = r.track->sent;
    if (r.percentOnly)
        return line + QStringLiteral("flashing %1 %").arg(total > 0 ? qint64(sent) * 100 / total : 0);
    if (total <= 0)
        return line + QStringLiteral("starting");
    // The single device's progress line, without its carriage return and
    // line clearing.
    QByteArray bar = TProgressBar::Line(sent, total, r.clock.elapsed());
    bar = bar.mid(1, bar.size() - 4);
    line += QString::fromUtf8(bar);
    if (!r.notice.isEmpty())
        line += QStringLiteral("  ") + r.notice;
    return line;
}

void TFlashBoard::draw()
{
    QByteArray out;
    if (m_drawn > 0)
        out += "\033[" + QByteArray::number(m_drawn) + 'A';
    int lines = 0;
    for (const TRow& r : m_rows) {
        out += '\r' + rowLine(r).toUtf8() + "\033[K\n";
        ++lines;
    }
    if (!m_footer.isEmpty()) {
        out += '\r' + m_footer.toUtf8() + "\033[K\n";
        ++lines;
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), m_out);
    std::fflush(m_out);
    m_drawn = lines;
    m_drawClock.start();
}

void TFlashBoard::Refresh(bool force)
{
    for (TRow& r : m_rows) {
        if (!r.track)
            continue;
        for (const QString& notice : r.track->TakeNotices()) {
            r.notice = notice;
            if (!m_live)
                emitLine(r.name + QStringLiteral(": ") + notice);
        }
    }
    if (m_live && (force || !m_drawClock.isValid() || m_drawClock.elapsed() >= kRedrawMs))
        draw();
}

QByteArray TFlashBoard::Table(const QList<TFlashResult>& results)
{
    int deviceWidth = int(qstrlen("device"));
    int outcomeWidth = int(qstrlen("outcome"));
    for (const TFlashResult& r : results) {
        deviceWidth = qMax(deviceWidth, int(r.device.size()));
        outcomeWidth = qMax(outcomeWidth, int(r.Text().size()));
    }
    const auto row = [&](const QString& device, const QString& outcome, const QString& time, const QString& bytes,
                         const QString& repeats) {
        return (device.leftJustified(deviceWidth) + QStringLiteral("  ") + outcome.leftJustified(outcomeWidth)
                + QStringLiteral("  ") + time.rightJustified(8) + QStringLiteral("  ") + bytes.rightJustified(8)
                + QStringLiteral("  ") + repeats.rightJustified(8))
                   .trimmed()
                   .toUtf8()
               + '\n';
    };
    QByteArray table = row(QStringLiteral("device"), QStringLiteral("outcome"), QStringLiteral("time"),
                           QStringLiteral("bytes"), QStringLiteral("repeated"));
    for (const TFlashResult& r : results)
        table += row(r.device, r.Text(), QString::number(double(r.ms) / 1000.0, 'f', 1) + QStringLiteral(" s"),
                     QString::number(r.sent), QString::number(r.repeats));
    return table;
}
