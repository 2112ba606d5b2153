#include "panels/PanelLupino.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "gps/GpsCommands.h"
#include "ui_PanelLupino.h"
#include "widgets/SpinEdit.h"

TPanelLupino::TPanelLupino(TFormMain* main, QWidget* parent) : QGroupBox(parent), m_main(main), ui(new Ui::TPanelLupino)
{
    ui->setupUi(this);

    TGpsCommandButtons buttons;
    buttons.query = ui->Button26;
    buttons.bang = ui->Button97;
    buttons.list = {ui->Button86};
    buttons.esc = ui->Button92;
    buttons.erase = ui->Button96;
    buttons.online1 = ui->Button91;
    buttons.online0 = ui->Button98;
    buttons.resolution = {ui->Button103, ui->Button104, ui->Button105, ui->Button107, ui->Button108};
    buttons.convert = {ui->Button109, ui->Button110, ui->Button111, ui->Button121};
    buttons.trackView = ui->ButtonTrackAnsehen_Lupino;
    WireGpsCommands(m_main, this, buttons);
    m_main->WireFlashButton(ui->Button99);

    const std::pair<QPushButton*, void (TPanelLupino::*)()> clicks[] = {
        {ui->Button25, &TPanelLupino::Button25Click},   {ui->Button114, &TPanelLupino::Button114Click},
        {ui->Button115, &TPanelLupino::Button115Click}, {ui->Button116, &TPanelLupino::Button116Click},
        {ui->Button117, &TPanelLupino::Button117Click}, {ui->Button113, &TPanelLupino::Button113Click},
        {ui->Button119, &TPanelLupino::Button119Click}, {ui->Button120, &TPanelLupino::Button120Click},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, Guarded([this, h = handler] { (this->*h)(); }));
    // Button112 ("FLASH prüfen") stays hidden and has no operation.
}

TPanelLupino::~TPanelLupino() { delete ui; }

void TPanelLupino::Button25Click() { m_main->SendPlain(QStringLiteral("DIR\r")); }
void TPanelLupino::Button114Click() { m_main->SendPlain(QStringLiteral("GSMInfo\r")); }
void TPanelLupino::Button115Click() { m_main->SendPlain(QStringLiteral("Settings\r")); }

void TPanelLupino::Button116Click()
{
    m_main->SendPlain(QStringLiteral("LowBatSMS=") + QString::number(ui->SpinEdit26->Value()) + QLatin1Char('\r'));
}

void TPanelLupino::Button117Click()
{
    m_main->SendPlain(QStringLiteral("PDTimeOut=") + QString::number(ui->SpinEdit27->Value()) + QLatin1Char('\r'));
}

void TPanelLupino::Button113Click()
{
    m_main->SendPlain(QStringLiteral("MsgSMS = ") + ui->MsgSMSNr->text() + QLatin1Char('\r'));
}

void TPanelLupino::Button119Click() { m_main->SendPlain(QStringLiteral("GSM=1\r")); }
void TPanelLupino::Button120Click() { m_main->SendPlain(QStringLiteral("GSM=0\r")); }
