#include "panels/PanelGPSDataLogger.h"

#include "app/UnitMain.h"
#include "gps/GpsCommands.h"
#include "ui_PanelGPSDataLogger.h"

TPanelGPSDataLogger::TPanelGPSDataLogger(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelGPSDataLogger)
{
    ui->setupUi(this);

    TGpsCommandButtons buttons;
    buttons.query = ui->BtnFrageZeichen_GPSDL;
    buttons.bang = ui->Button14;
    // On this panel "DIR (= Directory)" downloads the list as well.
    buttons.list = {ui->BtnL_GPSDL, ui->Button47};
    buttons.esc = ui->Button21;
    buttons.erase = ui->BtnERASE_GPSDL;
    buttons.online1 = ui->BtnO1_GPSDL;
    buttons.online0 = ui->BtnO0_GPSDL;
    buttons.resolution = {ui->Btn_R1, ui->Btn_R2, ui->Btn_R3, ui->Btn_R4, ui->Btn_R5};
    buttons.convert = {ui->BtnOF_MapPoint, ui->BtnOF_Kartex, ui->BtnOF_MagicMaps, ui->BtnOF_GPX};
    buttons.trackView = ui->ButtonTrackAnsehen;
    WireGpsCommands(m_main, this, buttons);
    m_main->WireFlashButton(ui->Button46);
}

TPanelGPSDataLogger::~TPanelGPSDataLogger() { delete ui; }
