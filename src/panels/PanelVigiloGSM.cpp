#include "panels/PanelVigiloGSM.h"

#include "app/UnitMain.h"
#include "ui_PanelVigiloGSM.h"

TPanelVigiloGSM::TPanelVigiloGSM(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelVigiloGSM)
{
    ui->setupUi(this);
}

TPanelVigiloGSM::~TPanelVigiloGSM()
{
    delete ui;
}
