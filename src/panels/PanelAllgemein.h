#pragma once

#include <QGroupBox>

class TFormMain;
class TRadioGroup;
namespace Ui {
class TPanelAllgemein;
}

// The general panel: port list, scan, connect list and the small commands
// every device family understands.
class TPanelAllgemein : public QGroupBox {
    Q_OBJECT
public:
    TPanelAllgemein(TFormMain* main, QWidget* parent);
    ~TPanelAllgemein() override;

    TRadioGroup* RadioGroupCOM() const;
    TRadioGroup* RadioGroupCOMconnect() const;

    void ButtonHardwareClick();
    void ButtonFirmwareClick();
    void BtnLastStateClick();
    void ButtonEchoEINClick();
    void ButtonEchoAUSClick();

private:
    TFormMain* m_main;
    Ui::TPanelAllgemein* ui;
};
