#include "panels/PanelAllgemein.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "ui_PanelAllgemein.h"
#include "widgets/RadioGroup.h"

TPanelAllgemein::TPanelAllgemein(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelAllgemein)
{
    ui->setupUi(this);

    QStringList ports;
    for (int n = 1; n <= 24; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    ui->RadioGroupCOM->SetColumns(2);
    ui->RadioGroupCOM->SetItems(ports);

    QStringList connect;
    for (int n = 1; n <= 24; ++n)
        connect << (n <= 12 ? QStringLiteral(" ") : QString());
    ui->RadioGroupCOMconnect->SetColumns(2);
    ui->RadioGroupCOMconnect->SetItems(connect);
    // Clicking an entry of the connect list does nothing.

    QObject::connect(ui->RadioGroupCOM, &TRadioGroup::Click, this, Guarded([this] { m_main->RadioGroupCOMClick(); }));
    QObject::connect(ui->ButtonScan, &QPushButton::clicked, this, Guarded([this] { m_main->ButtonScanClick(); }));
    QObject::connect(ui->ButtonHardware, &QPushButton::clicked, this, Guarded([this] { ButtonHardwareClick(); }));
    QObject::connect(ui->ButtonFirmware, &QPushButton::clicked, this, Guarded([this] { ButtonFirmwareClick(); }));
    QObject::connect(ui->Button18, &QPushButton::clicked, this, Guarded([this] { BtnLastStateClick(); }));
    QObject::connect(ui->ButtonEchoEIN, &QPushButton::clicked, this, Guarded([this] { ButtonEchoEINClick(); }));
    QObject::connect(ui->ButtonEchoAUS, &QPushButton::clicked, this, Guarded([this] { ButtonEchoAUSClick(); }));
}

TPanelAllgemein::~TPanelAllgemein() { delete ui; }

TRadioGroup* TPanelAllgemein::RadioGroupCOM() const { return ui->RadioGroupCOM; }

TRadioGroup* TPanelAllgemein::RadioGroupCOMconnect() const { return ui->RadioGroupCOMconnect; }

void TPanelAllgemein::ButtonHardwareClick() { m_main->Send(QStringLiteral("h")); }
void TPanelAllgemein::ButtonFirmwareClick() { m_main->Send(QStringLiteral("f")); }
void TPanelAllgemein::BtnLastStateClick() { m_main->BtnLastStateClick(); }
void TPanelAllgemein::ButtonEchoEINClick() { m_main->Send(QStringLiteral("ECHO ON")); }
void TPanelAllgemein::ButtonEchoAUSClick() { m_main->Send(QStringLiteral("ECHO OFF")); }
