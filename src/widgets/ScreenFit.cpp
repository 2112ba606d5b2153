#include "widgets/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QWidget>
#include <QWindow>

QRect FittedFrame(const QSize& wanted, const QSize& minimum, const QPoint& framePos, const QMargins& frame,
                  const QRect& available, bool centre)
{
    const QSize room(available.width() - frame.left() - frame.right(),
                     available.height() - frame.top() - frame.bottom());
    const QSize size = wanted.boundedTo(room).expandedTo(minimum);
    const QSize outer(size.width() + frame.left() + frame.right(), size.height() + frame.top() + frame.bottom());
    QPoint topLeft = centre ? available.center() - QPoint(outer.width() / 2, outer.height() / 2) : framePos;
    // The title bar first: where the window cannot be whole on screen, its
    // top-left corner with the menus stays on it.
    topLeft.setX(qMax(available.left(), qMin(topLeft.x(), available.right() + 1 - outer.width())));
    topLeft.setY(qMax(available.top(), qMin(topLeft.y(), available.bottom() + 1 - outer.height())));
    return QRect(topLeft, outer);
}

namespace {

// The frame a window manager draws is known only once it has framed a
// window; until then the program's last known frame stands for it.
QMargins g_knownFrame(6, 30, 6, 6);

class TScreenFit : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_busy || event->type() != QEvent::Show)
            return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !w->isWindow())
            return false;
        const Qt::WindowType kind = w->windowType();
        if (kind != Qt::Window && kind != Qt::Dialog && kind != Qt::Sheet)
            return false;
        // The size the window asks for, before any fit; a window shown
        // again asks for what it had.
        if (!m_wanted.contains(w)) {
            m_wanted.insert(w, w->size());
            if (!w->parentWidget())
                m_centred.insert(w);
            connect(w, &QObject::destroyed, this, [this, w] {
                m_wanted.remove(w);
                m_given.remove(w);
                m_centred.remove(w);
            });
        }
        fit(w, m_centred.contains(w));
        // The window manager frames and places the window a moment after
        // it is shown. For two seconds the fit is made again with the real
        // frame whenever the frame lies outside the area or the size is not
        // the fitted one; later the user's moves stand.
        auto* poll = new QTimer(this);
        poll->setInterval(20);
        QPointer<QWidget> guard(w);
        int rounds = 0;
        connect(poll, &QTimer::timeout, this, [this, poll, guard, rounds]() mutable {
            if (guard && frameKnown(guard) && guard->screen()) {
                const bool centre = m_centred.remove(guard);
                const QRect outer = guard->frameGeometry();
                const QRect available = guard->screen()->availableGeometry();
                const QRect fitted = FittedFrame(m_wanted.value(guard), guard->minimumSize(), outer.topLeft(),
                                                 guard->windowHandle()->frameMargins(), available, false);
                if (centre || outer != fitted)
                    fit(guard, centre);
            }
            if (!guard || ++rounds >= 100) {
                poll->stop();
                poll->deleteLater();
            }
        });
        poll->start();
        return false;
    }

private:
    static bool frameKnown(QWidget* w) { return w->windowHandle() && !w->windowHandle()->frameMargins().isNull(); }

    void fit(QWidget* w, bool centre)
    {
        if (w->isMaximized() || w->isFullScreen())
            return;
        QScreen* screen = w->screen();
        if (!screen)
            return;
        QMargins frame = g_knownFrame;
        if (frameKnown(w))
            g_knownFrame = frame = w->windowHandle()->frameMargins();
        // A window that sized itself when shown (a message box) asks for that.
        if (w->size() != m_given.value(w))
            m_wanted.insert(w, w->size());
        const QRect outer =
            FittedFrame(m_wanted.value(w), w->minimumSize(), w->pos(), frame, screen->availableGeometry(), centre);
        m_busy = true;
        w->resize(outer.size().shrunkBy(frame));
        // A window's position is that of its frame. Before the window is
        // framed a dialog keeps the place Qt chose over its parent.
        if (centre || frameKnown(w))
            w->move(outer.topLeft());
        m_busy = false;
        m_given.insert(w, w->size());
    }

    QHash<QWidget*, QSize> m_wanted;  // the size each window asked for
    QHash<QWidget*, QSize> m_given;   // the size the last fit gave it
    QSet<QWidget*> m_centred;         // windows placed in the middle of the screen
    bool m_busy = false;
};

}  // namespace

void KeepWindowsOnScreen(QApplication& app) { app.installEventFilter(new TScreenFit(&app)); }
