#include "panels/PanelZerbo.h"

#include "app/UnitMain.h"
#include "ui_PanelZerbo.h"

TPanelZerbo::TPanelZerbo(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelZerbo)
{
    ui->setupUi(this);
}

TPanelZerbo::~TPanelZerbo()
{
    delete ui;
}
