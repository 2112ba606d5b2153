#include "widgets/LogView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>

namespace {

constexpr int kMargin = 3;
// Longer lines are drawn from the first column on show when the font has a
// fixed pitch.
constexpr qsizetype kClipLength = 512;

// The log as a screen reader sees it: a read-only multi-line text holding
// the lines on show, with the caret and the selection in it. Moving the
// caret past the first or last line on show scrolls the view, so that the
// caret reaches every line.
class TLogViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TLogViewAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? view()->VisibleText() : QAccessibleWidget::text(t);
    }

    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = offset;
        *endOffset = offset;
        return QString();
    }
    int cursorPosition() const override { return view()->VisibleOffsetOf(view()->Caret()); }
    QRect characterRect(int offset) const override
    {
        const QRect r = view()->CharacterRect(view()->PosOfVisibleOffset(offset));
        return QRect(view()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int selectionCount() const override
    {
        int s = 0, e = 0;
        selection(0, &s, &e);
        return s < e ? 1 : 0;
    }
    int offsetAtPoint(const QPoint& point) const override
    {
        return view()->VisibleOffsetOf(view()->PosAt(view()->viewport()->mapFromGlobal(point)));
    }
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0)
            return;
        const auto [a, b] = std::minmax({view()->Anchor(), view()->Caret()});
        *startOffset = view()->VisibleOffsetOf(a);
        *endOffset = view()->VisibleOffsetOf(b);
    }
    QString text(int startOffset, int endOffset) const override
    {
        return view()->VisibleText().mid(startOffset, qMax(0, endOffset - startOffset));
    }
    void removeSelection(int) override { view()->SetSelection(view()->Caret(), view()->Caret()); }
    void setCursorPosition(int position) override
    {
        const TLogView::TPos p = view()->PosOfVisibleOffset(position);
        view()->SetSelection(p, p);
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            view()->SetSelection(view()->PosOfVisibleOffset(startOffset), view()->PosOfVisibleOffset(endOffset));
    }
    int characterCount() const override { return int(view()->VisibleText().size()); }
    void scrollToSubstring(int startIndex, int) override
    {
        view()->ScrollToLine(view()->PosOfVisibleOffset(startIndex).line);
    }

private:
    TLogView* view() const { return static_cast<TLogView*>(widget()); }
};

QAccessibleInterface* logViewAccessible(const QString& key, QObject* object)
{
    if (key == QLatin1String("TLogView") && object && object->isWidgetType())
        return new TLogViewAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

TLogView::TLogView(QWidget* parent) : QAbstractScrollArea(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(logViewAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
}

void TLogView::SetLines(const TLogLines* lines)
{
    m_lines = lines;
    LinesCleared();
}

qint64 TLogView::LineCount() const { return m_lines ? m_lines->Count() : 0; }

qint64 TLogView::TopLine() const { return verticalScrollBar()->value(); }

int TLogView::lineHeight() const { return qMax(1, fontMetrics().lineSpacing()); }

int TLogView::PageLines() const { return qMax(1, viewport()->height() / lineHeight()); }

bool TLogView::Following() const { return verticalScrollBar()->value() >= verticalScrollBar()->maximum(); }

void TLogView::LinesAppended()
{
    if (m_batch > 0 || m_refreshPosted)
        return;
    m_refreshPosted = true;
    QMetaObject::invokeMethod(
        this, [this] { refresh(); }, Qt::QueuedConnection);
}

void TLogView::EndBatch()
{
    if (m_batch > 0 && --m_batch == 0)
        refresh();
}

void TLogView::refresh()
{
    m_refreshPosted = false;
    const bool follow = Following();
    updateScrollBars();
    if (follow)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void TLogView::LinesCleared()
{
    m_caret = m_anchor = TPos{};
    m_selecting = false;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    announceCaret();
}

void TLogView::clear()
{
    if (OnClear)
        OnClear();
    else
        LinesCleared();
}

void TLogView::updateScrollBars()
{
    const qint64 count = LineCount();
    const int page = PageLines();
    QScrollBar* v = verticalScrollBar();
    v->setPageStep(page);
    v->setRange(0, int(std::clamp<qint64>(count - page, 0, INT_MAX)));
    QScrollBar* h = horizontalScrollBar();
    const qint64 longest = m_lines ? m_lines->LongestLine() : 0;
    const qint64 width = longest * fontMetrics().horizontalAdvance(QLatin1Char('M')) + 2 * kMargin;
    h->setPageStep(viewport()->width());
    h->setSingleStep(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 4);
    h->setRange(0, int(std::clamp<qint64>(width - viewport()->width(), 0, INT_MAX)));
}

void TLogView::ScrollToLine(qint64 line)
{
    updateScrollBars();
    verticalScrollBar()->setValue(int(std::clamp<qint64>(line, 0, INT_MAX)));
}

int TLogView::xOf(const QString& line, qsizetype column) const
{
    column = qBound<qsizetype>(0, column, line.size());
    if (QFontInfo(font()).fixedPitch())
        return int(column * fontMetrics().horizontalAdvance(QLatin1Char('M')));
    return fontMetrics().horizontalAdvance(line.left(column));
}

qsizetype TLogView::lineLength(qint64 line) const { return m_lines ? m_lines->Line(line).size() : 0; }

void TLogView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QPalette& pal = palette();
    p.fillRect(viewport()->rect(), pal.base());
    if (!m_lines)
        return;
    const int lh = lineHeight();
    const qint64 top = TopLine();
    const int rows = viewport()->height() / lh + 1;
    const QStringList lines = m_lines->Lines(top, rows);
    const int dx = kMargin - horizontalScrollBar()->value();
    const auto [from, to] = std::minmax(m_anchor, m_caret);
    const bool fixed = QFontInfo(font()).fixedPitch();
    const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    p.setFont(font());
    for (int i = 0; i < lines.size(); ++i) {
        const qint64 n = top + i;
        const QString& text = lines[i];
        const int y = i * lh;
        if (from != to && n >= from.line && n <= to.line) {
            const int x0 = n == from.line ? xOf(text, from.column) : 0;
            const int x1 = n == to.line ? xOf(text, to.column) : xOf(text, text.size()) + charWidth / 2;
            p.fillRect(QRect(dx + x0, y, x1 - x0, lh), pal.highlight());
        }
        p.setPen(pal.text().color());
        const int baseline = y + fontMetrics().ascent();
        if (fixed && text.size() > kClipLength) {
            const qsizetype first = qMax<qsizetype>(0, horizontalScrollBar()->value() / charWidth - 1);
            const qsizetype length = viewport()->width() / charWidth + 3;
            p.drawText(dx + int(first) * charWidth, baseline, text.mid(first, length));
        } else {
            p.drawText(dx, baseline, text);
        }
        if (from != to && n >= from.line && n <= to.line) {
            const qsizetype c0 = n == from.line ? from.column : 0;
            const qsizetype c1 = n == to.line ? to.column : text.size();
            p.setPen(pal.highlightedText().color());
            const qsizetype first = fixed ? qMax(c0, horizontalScrollBar()->value() / charWidth - 1) : c0;
            const qsizetype last = fixed ? qMin(c1, first + viewport()->width() / charWidth + 3) : c1;
            if (last > first)
                p.drawText(dx + xOf(text, first), baseline, text.mid(first, last - first));
        }
        if (n == m_caret.line && hasFocus() && m_caretShown) {
            const int x = dx + xOf(text, m_caret.column);
            p.fillRect(QRect(x, y, 1, lh), pal.text());
        }
    }
}

void TLogView::resizeEvent(QResizeEvent* e)
{
    const bool follow = Following();
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
    if (follow)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TLogView::scrollContentsBy(int, int)
{
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent ev(this, 0, QString(), VisibleText());
        QAccessible::updateAccessibility(&ev);
    }
}

TLogView::TPos TLogView::PosAt(const QPoint& point) const
{
    const qint64 count = LineCount();
    if (count == 0)
        return TPos{};
    const qint64 line = qBound<qint64>(0, TopLine() + (point.y() < 0 ? -1 : point.y() / lineHeight()), count - 1);
    const QString text = m_lines->Line(line);
    const int x = point.x() - kMargin + horizontalScrollBar()->value();
    // The first column whose right half lies beyond x.
    qsizetype lo = 0, hi = text.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        if ((xOf(text, mid) + xOf(text, mid + 1)) / 2 < x)
            lo = mid + 1;
        else
            hi = mid;
    }
    return TPos{line, lo};
}

QRect TLogView::CharacterRect(TPos pos) const
{
    const QString text = m_lines ? m_lines->Line(pos.line) : QString();
    const int x = kMargin - horizontalScrollBar()->value() + xOf(text, pos.column);
    const int w = qMax(1, xOf(text, pos.column + 1) - xOf(text, pos.column));
    return QRect(x, int(pos.line - TopLine()) * lineHeight(), w, lineHeight());
}

void TLogView::ensureVisible(TPos pos)
{
    QScrollBar* v = verticalScrollBar();
    if (pos.line < v->value())
        v->setValue(int(pos.line));
    else if (pos.line >= v->value() + PageLines())
        v->setValue(int(pos.line - PageLines() + 1));
    QScrollBar* h = horizontalScrollBar();
    const int x = xOf(m_lines ? m_lines->Line(pos.line) : QString(), pos.column);
    const int room = viewport()->width() - 2 * kMargin;
    if (x < h->value())
        h->setValue(qMax(0, x - room / 4));
    else if (x > h->value() + room)
        h->setValue(x - room * 3 / 4);
}

void TLogView::SetSelection(TPos anchor, TPos caret)
{
    const qint64 count = LineCount();
    auto clamp = [&](TPos p) {
        if (count == 0)
            return TPos{};
        p.line = qBound<qint64>(0, p.line, count - 1);
        p.column = qBound<qsizetype>(0, p.column, lineLength(p.line));
        return p;
    };
    const bool selectionChanged = anchor != caret || m_anchor != m_caret;
    m_anchor = clamp(anchor);
    m_caret = clamp(caret);
    ensureVisible(m_caret);
    m_caretShown = true;
    viewport()->update();
    announceCaret();
    if (selectionChanged && QAccessible::isActive()) {
        const auto [a, b] = std::minmax(m_anchor, m_caret);
        QAccessibleTextSelectionEvent ev(this, VisibleOffsetOf(a), VisibleOffsetOf(b));
        QAccessible::updateAccessibility(&ev);
    }
}

void TLogView::moveCaret(TPos to, bool extend) { SetSelection(extend ? m_anchor : to, to); }

void TLogView::announceCaret()
{
    if (!QAccessible::isActive())
        return;
    QAccessibleTextCursorEvent ev(this, VisibleOffsetOf(m_caret));
    QAccessible::updateAccessibility(&ev);
}

void TLogView::SelectAll()
{
    const qint64 count = LineCount();
    if (count == 0)
        return;
    const TPos end{count - 1, lineLength(count - 1)};
    m_anchor = TPos{};
    m_caret = end;
    ensureVisible(m_caret);
    viewport()->update();
    announceCaret();
}

QString TLogView::SelectedText() const
{
    const auto [from, to] = std::minmax(m_anchor, m_caret);
    if (!m_lines || from == to)
        return QString();
    QStringList lines = m_lines->Lines(from.line, to.line - from.line + 1);
    if (lines.isEmpty())
        return QString();
    lines.last().truncate(to.column);
    lines.first().remove(0, from.column);
    return lines.join(QLatin1Char('\n'));
}

void TLogView::Copy() const
{
    const QString text = SelectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

QString TLogView::toPlainText() const
{
    return m_lines ? m_lines->Lines(0, m_lines->Count()).join(QLatin1Char('\n')) : QString();
}

QString TLogView::VisibleText(qint64* firstLine) const
{
    const qint64 top = TopLine();
    if (firstLine)
        *firstLine = top;
    if (!m_lines)
        return QString();
    const int rows = (viewport()->height() + lineHeight() - 1) / lineHeight();
    return m_lines->Lines(top, qMax(1, rows)).join(QLatin1Char('\n'));
}

TLogView::TPos TLogView::PosOfVisibleOffset(int offset) const
{
    qint64 top = 0;
    const QString text = VisibleText(&top);
    offset = qBound(0, offset, int(text.size()));
    const qint64 line = top + QStringView(text).left(offset).count(QLatin1Char('\n'));
    const qsizetype start = offset == 0 ? 0 : text.lastIndexOf(QLatin1Char('\n'), offset - 1) + 1;
    return TPos{line, offset - start};
}

int TLogView::VisibleOffsetOf(TPos pos) const
{
    qint64 top = 0;
    const QString text = VisibleText(&top);
    if (pos.line < top)
        return 0;
    qsizetype at = 0;
    for (qint64 n = top; n < pos.line; ++n) {
        const qsizetype next = text.indexOf(QLatin1Char('\n'), at);
        if (next < 0)
            return int(text.size());
        at = next + 1;
    }
    qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), at);
    if (lineEnd < 0)
        lineEnd = text.size();
    return int(qMin(at + pos.column, lineEnd));
}

void TLogView::keyPressEvent(QKeyEvent* e)
{
    if (e == QKeySequence::SelectAll) {
        SelectAll();
        return;
    }
    if (e == QKeySequence::Copy || (e->key() == Qt::Key_Insert && e->modifiers() == Qt::ControlModifier)) {
        Copy();
        return;
    }
    const qint64 count = LineCount();
    if (count == 0) {
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    const bool extend = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    TPos to = m_caret;
    switch (e->key()) {
    case Qt::Key_Left:
        if (to.column > 0)
            --to.column;
        else if (to.line > 0)
            to = TPos{to.line - 1, lineLength(to.line - 1)};
        break;
    case Qt::Key_Right:
        if (to.column < lineLength(to.line))
            ++to.column;
        else if (to.line + 1 < count)
            to = TPos{to.line + 1, 0};
        break;
    case Qt::Key_Up:
        to.line = qMax<qint64>(0, to.line - 1);
        break;
    case Qt::Key_Down:
        to.line = qMin(count - 1, to.line + 1);
        break;
    case Qt::Key_PageUp:
        to.line = qMax<qint64>(0, to.line - PageLines());
        break;
    case Qt::Key_PageDown:
        to.line = qMin(count - 1, to.line + PageLines());
        break;
    case Qt::Key_Home:
        to = ctrl ? TPos{} : TPos{to.line, 0};
        break;
    case Qt::Key_End:
        to = ctrl ? TPos{count - 1, lineLength(count - 1)} : TPos{to.line, lineLength(to.line)};
        break;
    default:
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    if (e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown) {
        // The page turns with the caret.
        QScrollBar* v = verticalScrollBar();
        v->setValue(int(v->value() + (to.line - m_caret.line)));
    }
    moveCaret(to, extend);
}

void TLogView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_selecting = true;
    m_lastMouse = e->position().toPoint();
    moveCaret(PosAt(m_lastMouse), e->modifiers() & Qt::ShiftModifier);
}

void TLogView::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_selecting)
        return;
    m_lastMouse = e->position().toPoint();
    if (viewport()->rect().contains(m_lastMouse))
        m_autoScroll.stop();
    else if (!m_autoScroll.isActive())
        m_autoScroll.start(50, this);
    moveCaret(PosAt(m_lastMouse), true);
}

void TLogView::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    m_selecting = false;
    m_autoScroll.stop();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && m_anchor != m_caret)
        clipboard->setText(SelectedText(), QClipboard::Selection);
}

void TLogView::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    const int blink = QGuiApplication::styleHints()->cursorFlashTime() / 2;
    if (blink > 0)
        m_blink.start(blink, this);
    m_caretShown = true;
    viewport()->update();
}

void TLogView::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    m_blink.stop();
    viewport()->update();
}

void TLogView::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_blink.timerId()) {
        m_caretShown = !m_caretShown;
        viewport()->update(CharacterRect(m_caret).adjusted(-2, 0, 2, 0));
    } else if (e->timerId() == m_autoScroll.timerId()) {
        moveCaret(PosAt(m_lastMouse), true);
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

void TLogView::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    QAction* copy = menu.addAction(tr("Kopieren"), this, [this] { Copy(); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(m_anchor != m_caret);
    QAction* all = menu.addAction(tr("Alles markieren"), this, [this] { SelectAll(); });
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(LineCount() > 0);
    menu.exec(e->globalPos());
}

bool TLogView::event(QEvent* e)
{
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)
        updateScrollBars();
    return QAbstractScrollArea::event(e);
}
