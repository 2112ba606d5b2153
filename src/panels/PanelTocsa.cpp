#include "panels/PanelTocsa.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "ui_PanelTocsa.h"

TPanelTocsa::TPanelTocsa(TFormMain* main, QWidget* parent) : QGroupBox(parent), m_main(main), ui(new Ui::TPanelTocsa)
{
    ui->setupUi(this);
    m_main->WireFlashButton(ui->Button135);
}

TPanelTocsa::~TPanelTocsa() { delete ui; }
