#pragma once

#include <QGroupBox>

class TFormMain;
namespace Ui {
class TPanelZerbo;
}

// The panel of the serial I/O box.
class TPanelZerbo : public QGroupBox {
    Q_OBJECT
public:
    TPanelZerbo(TFormMain* main, QWidget* parent);
    ~TPanelZerbo() override;

private:
    TFormMain* m_main;
    Ui::TPanelZerbo* ui;
};
