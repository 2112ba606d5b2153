#pragma once

#include <QGroupBox>

class TFormMain;
namespace Ui {
class TPanelTocsa;
}

// The panel of the GSM alarm box.
class TPanelTocsa : public QGroupBox {
    Q_OBJECT
public:
    TPanelTocsa(TFormMain* main, QWidget* parent);
    ~TPanelTocsa() override;

private:
    TFormMain* m_main;
    Ui::TPanelTocsa* ui;
};
