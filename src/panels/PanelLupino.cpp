#include "panels/PanelLupino.h"

#include "app/UnitMain.h"
#include "ui_PanelLupino.h"

TPanelLupino::TPanelLupino(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelLupino)
{
    ui->setupUi(this);
}

TPanelLupino::~TPanelLupino()
{
    delete ui;
}
