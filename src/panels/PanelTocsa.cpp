#include "panels/PanelTocsa.h"

#include "app/UnitMain.h"
#include "ui_PanelTocsa.h"

TPanelTocsa::TPanelTocsa(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelTocsa)
{
    ui->setupUi(this);
}

TPanelTocsa::~TPanelTocsa()
{
    delete ui;
}
