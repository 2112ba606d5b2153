#include "FlashBoard.h"

#include "FlashJob.h"
#include "FlashTrack.h"
#include "ProgressBar.h"

#include <algorithm>
#include <sys/ioctl.h>

namespace {

constexpr qint64 kRedrawMs = 100;
constexpr int kMinNameColumns = 8;  // a name is shortened no further than this
const QString kGap = QStringLiteral("  ");
const QString kCut = QStringLiteral("..");

// text cut at its end to columns.
QString CutEnd(const QString& text, int columns)
{
    if (text.size() <= columns)
        return text;
    if (columns <= kCut.size())
        return text.left(qMax(columns, 0));
    return text.left(columns - kCut.size()) + kCut;
}

// text in lines of at most columns, broken at blanks where there are any.
QStringList Wrap(const QString& text, int columns)
{
    QStringList lines;
    QString rest = text;
    columns = qMax(columns, 1);
    while (rest.size() > columns) {
        qsizetype at = rest.lastIndexOf(u' ', columns);
        if (at <= 0)
            at = columns;
        lines.append(rest.left(at).trimmed());
        rest = rest.mid(at).trimmed();
    }
    if (!rest.isEmpty() || lines.isEmpty())
        lines.append(rest);
    return lines;
}

}  // namespace

TFlashBoard::TFlashBoard(std::FILE* out, bool live) : m_out(out), m_live(live) {}

std::optional<TFlashBoard::TSize> TFlashBoard::TerminalSize(int fd)
{
    winsize ws{};
    if (::ioctl(fd, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0 || ws.ws_row == 0)
        return std::nullopt;
    return TSize{ws.ws_col, ws.ws_row};
}

QString TFlashBoard::ShortenMiddle(const QString& name, int columns)
{
    if (name.size() <= columns)
        return name;
    if (columns <= kCut.size() + 1)
        return name.right(qMax(columns, 0));
    // The end tells adapters apart more often than the start
    // (usb-FTDI_..._A9X3-if00-port0): it keeps the larger half.
    const int keep = columns - int(kCut.size());
    const int head = keep / 2;
    return name.left(head) + kCut + name.right(keep - head);
}

int TFlashBoard::AddRow(const QString& name)
{
    TRow row;
    row.name = name;
    m_rows.append(row);
    m_nameWidth = qMax(m_nameWidth, int(name.size()));
    return int(m_rows.size()) - 1;
}

void TFlashBoard::emitLine(const QString& text)
{
    std::fprintf(m_out, "%s\n", text.toUtf8().constData());
    std::fflush(m_out);
}

void TFlashBoard::Show(int row, const QString& text, TRowState state)
{
    TRow& r = m_rows[row];
    r.text = text;
    r.state = state;
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
    r.state = TRowState::Running;
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

QByteArray TFlashBoard::up() const { return m_drawn > 0 ? "\033[" + QByteArray::number(m_drawn) + 'A' : QByteArray(); }

void TFlashBoard::Close()
{
    if (!m_live || m_drawn == 0)
        return;
    // Line by line: a terminal may keep a screen cleared at once in its
    // scrollback (tmux does), which would show every device again.
    QByteArray out = up();
    for (int i = 0; i < m_drawn; ++i)
        out += "\r\033[K\n";
    out += up() + '\r';
    std::fwrite(out.constData(), 1, size_t(out.size()), m_out);
    std::fflush(m_out);
    m_drawn = 0;
}

void TFlashBoard::Message(const QString& text)
{
    if (!m_live) {
        emitLine(text);
        return;
    }
    // Above the board, which is drawn again below it; wrapped by the board
    // itself, so that the terminal never wraps a line.
    const TSize size = TerminalSize(fileno(m_out)).value_or(TSize{});
    QByteArray out = up();
    for (const QString& line : Wrap(text, size.columns))
        out += "\r\033[K" + line.toUtf8() + '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), m_out);
    m_drawn = 0;
    draw();
}

QStringList TFlashBoard::rowTexts(const TRow& r) const
{
    if (!r.track)
        return {r.text};
    const int total = r.track->total;
    const int sent = r.track->sent;
    const qint64 percent = total > 0 ? qint64(qBound(0, sent, total)) * 100 / total : 0;
    if (r.percentOnly)
        return {QStringLiteral("flashing %1 %").arg(percent)};
    if (total <= 0)
        return {QStringLiteral("starting")};
    const QString notice = r.notice.isEmpty() ? QString() : kGap + r.notice;
    // The single device's progress line, without its carriage return and
    // line clearing; narrower forms for a narrow terminal.
    QByteArray bar = TProgressBar::Line(sent, total, r.clock.elapsed());
    bar = bar.mid(1, bar.size() - 4);
    const QString full = QString::fromUtf8(bar);
    const QString figures = full.mid(full.indexOf(u']') + 1).trimmed();
    return {full + notice, figures + notice, QStringLiteral("%1 %").arg(percent) + notice,
            QStringLiteral("%1 %").arg(percent)};
}

QString TFlashBoard::rowLine(const TRow& r, int columns) const
{
    const QStringList texts = rowTexts(r);
    const int nameColumns = qMin(m_nameWidth, qMax(kMinNameColumns, columns / 2));
    const int minName = qMin(nameColumns, kMinNameColumns);
    for (const QString& text : texts) {
        // The name gives way before the text does.
        const int room = columns - int(kGap.size()) - int(text.size());
        if (room >= minName) {
            const int width = qMin(nameColumns, room);
            return (ShortenMiddle(r.name, width).leftJustified(width) + kGap + text);
        }
    }
    const int width = qMin(minName, qMax(columns - int(kGap.size()) - 1, 1));
    return CutEnd(ShortenMiddle(r.name, width).leftJustified(width) + kGap + texts.last(), columns);
}

QStringList TFlashBoard::Lines(const TSize& size) const
{
    const int columns = qMax(size.columns, 1);
    // The cursor's line stays below the board, so that drawing never scrolls
    // a copy of it out of reach.
    const int room = qMax(size.lines - 1, 1);
    QStringList lines;
    const int footer = m_footer.isEmpty() ? 0 : 1;
    QList<int> shown;
    for (int i = 0; i < m_rows.size(); ++i)
        shown.append(i);
    if (int(m_rows.size()) + footer > room) {
        int running = 0, failed = 0, passed = 0;
        for (const TRow& r : m_rows) {
            running += r.state == TRowState::Running;
            failed += r.state == TRowState::Failed;
            passed += r.state == TRowState::Passed;
        }
        const auto rank = [this](int i) {
            const TRowState s = m_rows[i].state;
            return s == TRowState::Running ? 0 : s == TRowState::Failed ? 1 : 2;
        };
        std::stable_sort(shown.begin(), shown.end(), [&](int a, int b) { return rank(a) < rank(b); });
        const int fit = qMax(room - 1 - footer, 0);
        shown = shown.mid(0, fit);
        lines.append(CutEnd(QStringLiteral("%1 devices: %2 running, %3 failed, %4 passed; %5 not shown")
                                .arg(m_rows.size())
                                .arg(running)
                                .arg(failed)
                                .arg(passed)
                                .arg(m_rows.size() - shown.size()),
                            columns));
    }
    for (const int i : shown)
        lines.append(rowLine(m_rows[i], columns));
    if (footer && int(lines.size()) < room)
        lines.append(CutEnd(m_footer, columns));
    return lines.mid(0, room);
}

void TFlashBoard::draw()
{
    const TSize size = TerminalSize(fileno(m_out)).value_or(TSize{});
    QByteArray out;
    if (m_drawnSize && !(*m_drawnSize == size) && m_drawn > 0) {
        // The terminal has reflowed or cut what was drawn for the old size:
        // no telling where the board's lines are now. A clean screen, line
        // by line (a screen cleared at once may be kept in the scrollback),
        // and the board at its top.
        for (int line = size.lines; line >= 1; --line)
            out += "\033[" + QByteArray::number(line) + ";1H\033[K";
    } else {
        out += up();
    }
    const QStringList lines = Lines(size);
    for (const QString& line : lines)
        out += "\r\033[K" + line.toUtf8() + '\n';
    out += "\033[J";
    std::fwrite(out.constData(), 1, size_t(out.size()), m_out);
    std::fflush(m_out);
    m_drawn = int(lines.size());
    m_drawnSize = size;
    m_drawClock.start();
}

void TFlashBoard::Refresh(bool force)
{
    for (TRow& r : m_rows) {
        if (!r.track)
            continue;
        const int sent = r.track->sent;
        // A block sent again has been accepted once the next one goes out.
        if (!r.notice.isEmpty() && sent > r.noticeSent)
            r.notice.clear();
        for (const QString& notice : r.track->TakeNotices()) {
            r.notice = notice;
            r.noticeSent = sent;
            if (!m_live)
                emitLine(r.name + QStringLiteral(": ") + notice);
        }
    }
    if (m_live && (force || !m_drawClock.isValid() || m_drawClock.elapsed() >= kRedrawMs))
        draw();
}

QByteArray TFlashBoard::Table(const QList<TFlashResult>& results, int columns)
{
    int deviceWidth = int(qstrlen("device"));
    int outcomeWidth = int(qstrlen("outcome"));
    for (const TFlashResult& r : results) {
        deviceWidth = qMax(deviceWidth, int(r.device.size()));
        outcomeWidth = qMax(outcomeWidth, int(r.Text().size()));
    }
    const auto figures = [](const QString& time, const QString& bytes, const QString& repeats) {
        return time.rightJustified(8) + kGap + bytes.rightJustified(8) + kGap + repeats.rightJustified(8);
    };
    // On a terminal the names give way first, down to twice a board name.
    const int figuresWidth = int(figures(QString(), QString(), QString()).size());
    if (columns > 0)
        deviceWidth = qMin(deviceWidth, qMax(2 * kMinNameColumns, columns - outcomeWidth - figuresWidth - 4));
    const auto row = [&](const QString& device, const QString& outcome, const QString& time, const QString& bytes,
                         const QString& repeats) {
        const QString line = (ShortenMiddle(device, deviceWidth).leftJustified(deviceWidth) + kGap
                              + outcome.leftJustified(outcomeWidth) + kGap + figures(time, bytes, repeats))
                                 .trimmed();
        if (columns <= 0 || line.size() <= columns)
            return line.toUtf8() + '\n';
        // Too wide for the terminal: the device on a line of its own, the
        // rest below it.
        QByteArray block = ShortenMiddle(device, columns).toUtf8() + '\n';
        for (const QString& part : Wrap(outcome, columns - 2) + QStringList{figures(time, bytes, repeats).trimmed()})
            for (const QString& piece : Wrap(part, columns - 2))
                block += "  " + piece.toUtf8() + '\n';
        return block;
    };
    QByteArray table = row(QStringLiteral("device"), QStringLiteral("outcome"), QStringLiteral("time"),
                           QStringLiteral("bytes"), QStringLiteral("repeated"));
    for (const TFlashResult& r : results)
        table += row(r.device, r.Text(), QString::number(double(r.ms) / 1000.0, 'f', 1) + QStringLiteral(" s"),
                     QString::number(r.sent), QString::number(r.repeats));
    return table;
}
