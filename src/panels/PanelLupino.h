#pragma once

#include <QGroupBox>

class TFormMain;
namespace Ui {
class TPanelLupino;
}

// The panel of the GPS/GSM tracker.
class TPanelLupino : public QGroupBox {
    Q_OBJECT
public:
    TPanelLupino(TFormMain* main, QWidget* parent);
    ~TPanelLupino() override;

private:
    TFormMain* m_main;
    Ui::TPanelLupino* ui;
};
