#pragma once

// The part the firmware update dialogs share: the update procedure run once
// the dialog is shown, against the main window's port and receive state, and
// the end of a use by OK or by the window's close box. A dialog derives from
// TFlashDialog, builds its form and hands its controls to Attach; how the
// update behaves (start command, port switching, waits) is its TFlashConfig.

#include "firmware/FlashProcedure.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <initializer_list>

class QTimer;

class QLabel;
class QProgressBar;
class QPushButton;
class TFormMain;

// The controls a dialog shows the procedure's course in.
struct TFlashView {
    QProgressBar* gauge = nullptr;  // bytes sent of the padded image
    QLabel* status = nullptr;       // status line and outcome
    QPushButton* ok = nullptr;      // shown once the procedure has ended
    QLabel* elapsed = nullptr;      // seconds of the transfer, or none
};

class TFlashDialog : public QDialog {
    Q_OBJECT
public:
    // centred: placed in the middle of the screen whenever it is shown.
    TFlashDialog(TFormMain* main, const TFlashConfig& config, bool centred);
    ~TFlashDialog() override;

    // Waits of the procedure in milliseconds: for the start character and for
    // each block's answer.
    int StartWaitMs;
    int AckWaitMs;
    // The millisecond clock of the elapsed-time display (wraps at 2^32); the
    // steady clock unless set.
    std::function<quint32()> Clock;

    // Runs the whole update procedure; returns when it has ended. Runs by
    // itself once after every show.
    void FormActivate();
    // Lets late answers reach the receive handler for
    // TFormMain::kFlashCloseWaitMs, clears the
    // receive line and QuietSend, and closes the dialog.
    void ButtonFlashenOKClick();

    // The procedure of the current show has run (whatever its outcome).
    bool ProcedureEnded() const { return m_ended; }

protected:
    // Called by the derived dialog once its controls exist.
    void Attach(const TFlashView& view);

    void showEvent(QShowEvent* e) override;
    // Close box and Esc: ignored while the procedure runs, otherwise the same
    // as OK.
    void reject() override;

    QPointer<TFormMain> m_main;

private:
    void resetView();
    void finish(bool accepted);
    // Timers whose handlers would send commands into a transfer, or unlogged
    // queries while its result is on screen, are held off from the start of
    // the procedure until the dialog closes.
    void holdTimers(std::initializer_list<QTimer*> timers);
    void releaseTimers();

    TFlashConfig m_config;
    TFlashView m_view;
    QString m_initialStatus;
    Qt::Alignment m_initialAlignment;
    bool m_centred;
    bool m_running = false;
    bool m_ended = false;
    bool m_closing = false;
    QList<QTimer*> m_heldTimers;
};
