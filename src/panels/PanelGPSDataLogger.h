#pragma once

#include <QGroupBox>

class TFormMain;
namespace Ui {
class TPanelGPSDataLogger;
}

// The panel of the GPS data logger.
class TPanelGPSDataLogger : public QGroupBox {
    Q_OBJECT
public:
    TPanelGPSDataLogger(TFormMain* main, QWidget* parent);
    ~TPanelGPSDataLogger() override;

private:
    TFormMain* m_main;
    Ui::TPanelGPSDataLogger* ui;
};
