#include "panels/PanelTocsa.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "ui_PanelTocsa.h"

#include <QMouseEvent>

TPanelTocsa::TPanelTocsa(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelTocsa)
{
    ui->setupUi(this);
    m_main->WireFlashButton(ui->Button135);
}

TPanelTocsa::~TPanelTocsa()
{
    delete ui;
}

void TPanelTocsa::mousePressEvent(QMouseEvent* e)
{
    // A click on a free area of the panel shows the about box.
    // The click ends here: the window behind would show the box again.
    if (e->button() == Qt::LeftButton) {
        Guarded([this] { m_main->FormClick(); })();
        e->accept();
        return;
    }
    QGroupBox::mousePressEvent(e);
}
