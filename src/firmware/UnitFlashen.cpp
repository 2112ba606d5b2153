// The firmware dialog over the serial line; also the main window's firmware
// entry (TFormMain::Flashen1Click and WireFlashButton, declared in
// app/UnitMain.h), kept beside the dialog it opens.
#include "firmware/UnitFlashen.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "ui_UnitFlashen.h"
#include "widgets/Dialogs.h"

#include <QAbstractButton>
#include <QCoreApplication>

TFormFlashen::TFormFlashen(TFormMain* main) : TFlashDialog(main, SerialFlashConfig, true), ui(new Ui::TFormFlashen)
{
    ui->setupUi(this);
    Attach({ui->GaugeFlashen, ui->LabelFlashen, ui->ButtonFlashenOK, nullptr});
    if (main)
        main->FormFlashen = this;
}

TFormFlashen::~TFormFlashen()
{
    if (m_main && m_main->FormFlashen == this)
        m_main->FormFlashen = nullptr;
    delete ui;
}

// --- entry on the main window ----------------------------------------------------

void TFormMain::Flashen1Click()
{
    if (!Dialogs().YesNo(QCoreApplication::translate("UnitFlashen", "Wirklich flashen?\r\r"), true))
        return;
    if (FormFlashen)
        FormFlashen->exec();
}

void TFormMain::WireFlashButton(QAbstractButton* button)
{
    connect(button, &QAbstractButton::clicked, this, Guarded([this] { Flashen1Click(); }));
}
