#pragma once

// Driving the window the way a user does: the real dialogs, clicks that move
// the focus, keys to the focused control, modal boxes answered while they
// are on screen.

#include "widgets/Dialogs.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Qt's own dialogs (non-native offscreen) for the lifetime of the object,
// whatever seam a test rig installed.
class TRealDialogsScope {
public:
    TRealDialogsScope() : m_previous(SetDialogs(nullptr)) {}
    ~TRealDialogsScope() { SetDialogs(std::move(m_previous)); }

private:
    std::unique_ptr<IDialogs> m_previous;
};

// Shows the widget's window and makes it the active one, brings the tab
// pages that hold the widget to the front, and clicks the widget where the
// user would (on whatever child lies at its centre). Returns the widget that
// has the keyboard focus afterwards.
QWidget* ClickToFocus(QWidget* widget);
// Types text into the focused widget, then presses Enter there when asked.
void TypeIntoFocus(const QString& text, bool enter = false);

// Watches for modal windows while the event loop runs (nested loops of
// modal dialogs included). Each new one is recorded and handed to answer(),
// which may close it; with no answer, boxes stay open.
class TModalWatch {
public:
    struct Seen {
        QString kind;  // the class name, "QMessageBox" or "QFileDialog"
        QString text;  // a message box's text, a file dialog's title
        qint64 atMs;   // since the watch started
    };
    explicit TModalWatch(std::function<void(QWidget*, const Seen&)> answer = {});
    ~TModalWatch();
    QList<Seen> seen;

private:
    std::function<void(QWidget*, const Seen&)> m_answer;
    QTimer m_poll;
    QList<QPointer<QWidget>> m_known;
    qint64 m_started;
};

// Closes a message box with Enter on its focused button, as a user would.
void AcceptMessageBox(QWidget* box);
// Types name into a file dialog's name field and confirms with Enter; the
// focus goes to the field by a click first.
void ChooseFileName(QWidget* fileDialog, const QString& name);
