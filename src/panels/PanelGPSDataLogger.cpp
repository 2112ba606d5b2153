#include "panels/PanelGPSDataLogger.h"

#include "app/UnitMain.h"
#include "ui_PanelGPSDataLogger.h"

TPanelGPSDataLogger::TPanelGPSDataLogger(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelGPSDataLogger)
{
    ui->setupUi(this);
}

TPanelGPSDataLogger::~TPanelGPSDataLogger()
{
    delete ui;
}
