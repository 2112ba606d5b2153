#pragma once

#include <QGroupBox>

class TFormMain;
namespace Ui {
class TPanelGPSDataLogger;
}

// The panel of the GPS data logger: the logger commands, the list download
// (also behind "DIR (= Directory)"), the scan resolution, the converters and
// the firmware entry. The operations are the shared GPS commands.
class TPanelGPSDataLogger : public QGroupBox {
    Q_OBJECT
public:
    TPanelGPSDataLogger(TFormMain* main, QWidget* parent);
    ~TPanelGPSDataLogger() override;

private:
    TFormMain* m_main;
    Ui::TPanelGPSDataLogger* ui;
};
