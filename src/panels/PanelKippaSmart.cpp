#include "panels/PanelKippaSmart.h"

#include "app/UnitMain.h"
#include "ui_PanelKippaSmart.h"

TPanelKippaSmart::TPanelKippaSmart(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelKippaSmart)
{
    ui->setupUi(this);
}

TPanelKippaSmart::~TPanelKippaSmart()
{
    delete ui;
}
