#pragma once

#include "rx/LogLines.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

#include <functional>

// The message log on screen: a read-only text view over a TLogLines store
// that lays out only the lines on show, so that scrolling to any line of a
// log of millions costs what one screenful costs. The vertical scroll bar
// counts lines. While the view shows the last line it follows new ones;
// scrolled away from the end, new lines leave the text where it is.
//
// Selection as in a text field: a caret, mouse and Shift+keys select, Ctrl+A
// selects all, Ctrl+C copies. Screen readers get the lines on show as an
// editable text with the caret (see LogView.cpp).
class TLogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    using TPos = TLogLines::TPos;

    explicit TLogView(QWidget* parent = nullptr);

    void SetLines(const TLogLines* lines);
    // Lines were appended to the store: shown on the next pass of the event
    // loop, or at the end of a batch.
    void LinesAppended();
    // The store was emptied: caret, selection and scroll start again.
    void LinesCleared();
    // Between these two, appends are shown once, at the end.
    void BeginBatch() { ++m_batch; }
    void EndBatch();

    // Empties the log (through the owner's OnClear).
    void clear();
    std::function<void()> OnClear;

    qint64 LineCount() const;
    qint64 TopLine() const;
    // Lines that fit wholly into the view.
    int PageLines() const;
    void ScrollToLine(qint64 line);
    // True while the view shows the last line (and follows new ones).
    bool Following() const;

    TPos Caret() const { return m_caret; }
    TPos Anchor() const { return m_anchor; }
    // Selects [anchor, caret) (either order) and scrolls the caret into view.
    void SetSelection(TPos anchor, TPos caret);
    void SelectAll();
    QString SelectedText() const;
    void Copy() const;
    // Every line, LF between them (for tests and small logs).
    QString toPlainText() const;
    // The text of the lines on show, LF between them, and its first line.
    QString VisibleText(qint64* firstLine = nullptr) const;
    // Offsets in VisibleText and positions in the log.
    TPos PosOfVisibleOffset(int offset) const;
    int VisibleOffsetOf(TPos pos) const;
    // The rectangle of a character in viewport coordinates.
    QRect CharacterRect(TPos pos) const;
    TPos PosAt(const QPoint& viewportPoint) const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool event(QEvent* e) override;

private:
    void refresh();
    void updateScrollBars();
    void moveCaret(TPos to, bool extend);
    void ensureVisible(TPos pos);
    int lineHeight() const;
    int xOf(const QString& line, qsizetype column) const;
    qsizetype lineLength(qint64 line) const;
    void announceCaret();

    const TLogLines* m_lines = nullptr;
    TPos m_caret, m_anchor;
    int m_batch = 0;
    bool m_refreshPosted = false;
    bool m_selecting = false;
    bool m_caretShown = true;
    QBasicTimer m_blink;
    QBasicTimer m_autoScroll;
    QPoint m_lastMouse;
};
