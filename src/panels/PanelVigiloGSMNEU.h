#pragma once

#include "watchdog/Heartbeat.h"

#include <QGroupBox>

class TFormMain;
class QLineEdit;
namespace Ui {
class TPanelVigiloGSMNEU;
}

// The panel of the newer GSM watchdog unit: socket, voice and SMS numbers,
// alarm modes, a manual command, the unit's status, and the PC heartbeat.
// Every received line is read for the status and the numbers the unit
// reports, whichever panel is on show.
class TPanelVigiloGSMNEU : public QGroupBox {
    Q_OBJECT
public:
    TPanelVigiloGSMNEU(TFormMain* main, QWidget* parent);
    ~TPanelVigiloGSMNEU() override;

    // The buttons whose caption is the command.
    void CaptionCommandClick(QObject* sender);
    void Button136Click();
    void SetSMSNumberClick(QObject* sender);
    void Button142Click();
    void Button143Click();
    // A number field entered: a lone "-" (no number reported) is emptied.
    void numberEditBoxClick(QObject* sender);
    void requestVigiloState();
    // The menu entry: shows the panel and asks for the status.
    void VigiloGSMNEU1Click();
    void updateVGGSMNEUStateDisplay(const QString& commandResponse);
    static bool processExists(const QString& exeFileName);
    // Both check boxes of the heartbeat.
    void VGGSMNEU_CB_HBPERIODICClick();
    void HeartbeatTimerTimer();

    const THeartbeat& Heartbeat() const { return m_heartbeat; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* smsField(int index) const;

    TFormMain* m_main;
    Ui::TPanelVigiloGSMNEU* ui;
    THeartbeat m_heartbeat;
};
