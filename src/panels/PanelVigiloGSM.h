#pragma once

#include <QGroupBox>

class TFormMain;
class TPanelVigilo;
class TEnduranceRun;
class TRemoteControlCSD;
class QLineEdit;
class QPushButton;
namespace Ui {
class TPanelVigiloGSM;
}

// The panel of the GSM watchdog unit: the watchdog parameters of the plain
// unit, its GSM settings as single commands and as two fill-in wizards, the
// manual command line, the cyclic trigger group, the firmware entries, the
// endurance run and the remote control of a unit over a modem call.
//
// Every settings button sends its fixed key + the content of the field beside
// it, framed; nothing waits for an answer. The buttons this unit shares with
// the plain unit run the Vigilo panel's handlers.
class TPanelVigiloGSM : public QGroupBox {
    Q_OBJECT
public:
    TPanelVigiloGSM(TFormMain* main, QWidget* parent);
    ~TPanelVigiloGSM() override;

    // The endurance run this panel starts.
    TEnduranceRun* EnduranceRun() const { return m_enduranceRun; }
    // The dial number of the remote control, kept in the settings file.
    QLineEdit* EditATD_VGG() const;

    void Button17Click();
    void BtnTR_VGGClick();
    void ButtonEIN_VGGClick();
    void ButtonAUS_VGGClick();
    void ButtonDeaktiv_VGGClick();

private:
    // Sends key + the field's content: a number field's value, an edit's
    // text as typed (nothing: the key alone).
    void sendSetting(const QString& key, QLineEdit* field);
    // The plain unit's panel, whose handlers some buttons here run.
    TPanelVigilo* vigilo() const;

    TFormMain* m_main;
    Ui::TPanelVigiloGSM* ui;
    TEnduranceRun* m_enduranceRun;
    TRemoteControlCSD* m_remote;
};
