#include "panels/PanelVigiloGSMNEU.h"

#include "app/UnitMain.h"
#include "ui_PanelVigiloGSMNEU.h"

TPanelVigiloGSMNEU::TPanelVigiloGSMNEU(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelVigiloGSMNEU)
{
    ui->setupUi(this);
}

TPanelVigiloGSMNEU::~TPanelVigiloGSMNEU()
{
    delete ui;
}
