#include "panels/PanelQuintra.h"

#include "app/UnitMain.h"
#include "ui_PanelQuintra.h"

TPanelQuintra::TPanelQuintra(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelQuintra)
{
    ui->setupUi(this);
}

TPanelQuintra::~TPanelQuintra()
{
    delete ui;
}
