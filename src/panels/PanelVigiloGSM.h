#pragma once

#include <QGroupBox>

class TFormMain;
namespace Ui {
class TPanelVigiloGSM;
}

// The panel of the GSM watchdog unit.
class TPanelVigiloGSM : public QGroupBox {
    Q_OBJECT
public:
    TPanelVigiloGSM(TFormMain* main, QWidget* parent);
    ~TPanelVigiloGSM() override;

private:
    TFormMain* m_main;
    Ui::TPanelVigiloGSM* ui;
};
