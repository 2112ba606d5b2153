#include "support/UserPath.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QtTest>

namespace {

void revealTabs(QWidget* widget)
{
    QWidget* child = widget;
    for (QWidget* p = widget->parentWidget(); p; child = p, p = p->parentWidget()) {
        auto* stack = qobject_cast<QStackedWidget*>(p);
        if (!stack)
            continue;
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
            tabs->setCurrentWidget(child);
        else
            stack->setCurrentWidget(child);
    }
}

}  // namespace

QWidget* ClickToFocus(QWidget* widget)
{
    QWidget* window = widget->window();
    if (!window->isVisible())
        window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        qWarning("window did not become active");
    revealTabs(widget);
    const QPoint centre = widget->rect().center();
    QWidget* target = widget->childAt(centre);
    if (!target)
        target = widget;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(widget, centre));
    return QApplication::focusWidget();
}

void TypeIntoFocus(const QString& text, bool enter)
{
    if (QWidget* focus = QApplication::focusWidget()) {
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(focus, char(c.unicode()));
            } else {
                // A letter beyond ASCII, as a keyboard layout delivers it.
                QTest::sendKeyEvent(QTest::Press, focus, Qt::Key_unknown, QString(c), Qt::NoModifier);
                QTest::sendKeyEvent(QTest::Release, focus, Qt::Key_unknown, QString(c), Qt::NoModifier);
            }
        }
        if (enter)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
}

TModalWatch::TModalWatch(std::function<void(QWidget*, const Seen&)> answer)
    : m_answer(std::move(answer)), m_started(QDateTime::currentMSecsSinceEpoch())
{
    m_poll.setInterval(20);
    QObject::connect(&m_poll, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || m_known.contains(modal) || !modal->isVisible())
            return;
        m_known.append(modal);
        Seen s{QLatin1String(modal->metaObject()->className()), QString(),
               QDateTime::currentMSecsSinceEpoch() - m_started};
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            s.text = box->text();
        else
            s.text = modal->windowTitle();
        seen.append(s);
        if (m_answer)
            m_answer(modal, s);
    });
    m_poll.start();
}

TModalWatch::~TModalWatch() { m_poll.stop(); }

void AcceptMessageBox(QWidget* box)
{
    box->activateWindow();
    QApplication::setActiveWindow(box);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == box ? focus : box, Qt::Key_Return);
}

void ChooseFileName(QWidget* fileDialog, const QString& name)
{
    auto* field = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!field) {
        qWarning("file dialog without a name field");
        return;
    }
    ClickToFocus(field);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    TypeIntoFocus(name, true);
}
