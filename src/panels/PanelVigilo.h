#pragma once

#include <QGroupBox>

class TFormMain;
class QPushButton;
namespace Ui {
class TPanelVigilo;
}

// The panel of the plain watchdog unit: timing parameters, mode, delayed
// switching, power-on behaviour, deactivation, defaults, the aux output, the
// manual command line and the cyclic trigger group. Every button sends one
// short command; answers come back through the receive side, which copies
// the parameter answers into this panel's fields while it is on show.
//
// The click handlers are public because the Vigilo-GSM and Quintra panels
// run some of them (mode, defaults, deactivate) for buttons of their own.
class TPanelVigilo : public QGroupBox {
    Q_OBJECT
public:
    TPanelVigilo(TFormMain* main, QWidget* parent);
    ~TPanelVigilo() override;

    // "firmware update", wired to the main window's firmware entry.
    QPushButton* Button39() const;

    void BtnTR_VGSClick();
    void BtnTF_VGSClick();
    void BtnTA_VGSClick();
    void BtnTV_VGSClick();
    void ButtonM1Click();
    void ButtonM2Click();
    void ButtonM3Click();
    void Button1Click();
    void ButtonEIN_VGSClick();
    void ButtonAUS_VGSClick();
    void ButtonOnapon_VGSClick();
    void ButtonTriapon_VGSClick();
    void ButtonDeaktiv_VGSClick();
    void Button79Click();
    void Button71Click();
    void Button80Click();
    void Button81Click();

private:
    TFormMain* m_main;
    Ui::TPanelVigilo* ui;
};
