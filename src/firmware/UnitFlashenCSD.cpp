#include "firmware/UnitFlashenCSD.h"

#include "app/UnitMain.h"
#include "ui_UnitFlashenCSD.h"
#include "widgets/Dialogs.h"

#include <QCoreApplication>

TFormFlashenCSD::TFormFlashenCSD(TFormMain* main)
    : TFlashDialog(main, ModemFlashConfig, false), ui(new Ui::TFormFlashenCSD)
{
    ui->setupUi(this);
    Attach({ui->GaugeFlashen, ui->LabelFlashen, ui->ButtonFlashenOK, ui->LabelDauer});
    if (main)
        main->FormFlashenCSD = this;
}

TFormFlashenCSD::~TFormFlashenCSD()
{
    if (m_main && m_main->FormFlashenCSD == this)
        m_main->FormFlashenCSD = nullptr;
    delete ui;
}

void ButtonFUCSDClick(TFormMain* main)
{
    if (!main || !Dialogs().YesNo(QCoreApplication::translate("UnitFlashen", "wirklich flashen?\r\r"), true))
        return;
    if (main->FormFlashenCSD)
        main->FormFlashenCSD->exec();
}
