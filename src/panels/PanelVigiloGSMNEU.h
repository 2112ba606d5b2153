#pragma once

#include <QGroupBox>

class TFormMain;
namespace Ui {
class TPanelVigiloGSMNEU;
}

// The panel of the newer GSM watchdog unit.
class TPanelVigiloGSMNEU : public QGroupBox {
    Q_OBJECT
public:
    TPanelVigiloGSMNEU(TFormMain* main, QWidget* parent);
    ~TPanelVigiloGSMNEU() override;

private:
    TFormMain* m_main;
    Ui::TPanelVigiloGSMNEU* ui;
};
