#pragma once

#include <QGroupBox>

class TFormMain;
namespace Ui {
class TPanelTocsa;
}

// The panel of the GSM alarm box: its firmware update, and the about box on
// a click of the free area.
class TPanelTocsa : public QGroupBox {
    Q_OBJECT
public:
    TPanelTocsa(TFormMain* main, QWidget* parent);
    ~TPanelTocsa() override;

private:
    TFormMain* m_main;
    Ui::TPanelTocsa* ui;
};
