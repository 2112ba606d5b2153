#pragma once

#include <QObject>

class TFormMain;
enum class TBaudRate;
namespace Ui {
class TPanelVigiloGSM;
}

// Remote control of a GSM watchdog unit over a circuit-switched data call:
// the "  CSD" tab of the Vigilo-GSM panel drives a mobile phone or modem on
// the serial port with AT commands. It matches the port's rate to the modem,
// tests it, dials, leaves data mode and hangs up; no handler waits for the
// modem's answers, which the message log shows. A received line holding
// "CONNECT" marks the connection.
class TRemoteControlCSD : public QObject {
    Q_OBJECT
public:
    TRemoteControlCSD(TFormMain* main, Ui::TPanelVigiloGSM* ui, QObject* parent);

    // Stores the dial number in the settings file, then dials it.
    void BtnATD_VGGClick();
    // Asks the modem for its maker and model.
    void Button72Click();
    // The rate buttons: the port follows the modem's rate, then "AT".
    void RateClick(TBaudRate rate);
    void Button77Click();
    void Button78Click();
    void LineReceived(const QString& line);

    // Pause between the test commands; the user interface is blocked meanwhile.
    static constexpr int kTestPauseMs = 200;

private:
    TFormMain* m_main;
    Ui::TPanelVigiloGSM* ui;
};
