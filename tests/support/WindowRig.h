#pragma once

#include "support/Harness.h"

#include <QAction>
#include <QByteArray>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <memory>

class TSpinEdit;

// The real main window over a pseudo-terminal device, with scripted dialogs.
// The constructor writes the settings file, maps Com3 to the peer and builds
// the window with its seconds timer stopped; a test's own rig then selects
// the port and brings up the panel it drives.
struct TWindowRig {
    TScriptedDialogsScope scope;
    TDevicePeer peer;
    std::unique_ptr<TFormMain> form;
    // Where w() looks first (a panel's name); the whole window when empty.
    QString panelName;
    // The last click left the seconds timer running at 1 s.
    bool timerWasRestarted = false;

    // identification: the peer's answer to the identification request, none
    // when empty.
    explicit TWindowRig(const QByteArray& identification = {},
                        const QByteArray& settings = QByteArrayLiteral("[Misc]\r\nCOM=0\r\n"));

    TScriptedDialogs& dialogs() const { return *scope.dialogs; }

    // Chooses Com3 in the port list; the seconds timer stays off.
    void selectPort();

    // A control by name; a missing one ends the test program.
    template <typename W = QPushButton>
    W* w(const QString& name) const
    {
        W* widget = nullptr;
        if (!panelName.isEmpty())
            if (QWidget* panel = form->Panel(panelName))
                widget = panel->findChild<W*>(name);
        if (!widget)
            widget = form->findChild<W*>(name);
        if (!widget)
            qFatal("no widget %s", qPrintable(name));
        return widget;
    }
    TSpinEdit* spin(const QString& name) const;
    QLineEdit* edit(const QString& name) const { return w<QLineEdit>(name); }
    QAction* menu(const QString& name) const { return w<QAction>(name); }

    // Clicks a button; real seconds ticks stay out of the way afterwards.
    void click(const QString& name);
    // Everything written for an expected line (waits until that much arrived).
    QByteArray take(qsizetype n, int ms = 3000);
    // Waits until a line of the log holds text.
    bool logged(const QString& text, int ms = 2000) const;
};

// Exactly these bytes went out (waits until that many arrived).
#define EXPECT_SENT(rig, bytes)                                                                                        \
    do {                                                                                                               \
        const QByteArray expected_(bytes);                                                                             \
        QCOMPARE((rig).take(expected_.size()), expected_);                                                             \
    } while (0)
