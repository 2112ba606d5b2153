#pragma once

#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

// Right-clicks entry index of a port list in the shown window and picks the
// context menu's action whose text starts with caption by the keyboard;
// false when the menu has no such action. Returns once the menu is closed
// (and whatever the action opened modally has ended).
inline bool PickFromItemMenu(QWidget& window, TRadioGroup& list, int index, const QString& caption)
{
    bool found = false;
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* a : menu->actions())
            if (a->text().startsWith(caption)) {
                found = true;
                menu->setActiveAction(a);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        menu->close();
    });
    QRadioButton* b = list.Button(index);
    QTest::mouseClick(window.windowHandle(), Qt::RightButton, {},
                      b->mapTo(&window, QPoint(b->height() / 2, b->height() / 2)));
    QTest::qWait(100);
    return found;
}
