#include "panels/RemoteControlCSD.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "serial/ComPort.h"
#include "ui_PanelVigiloGSM.h"

#include <QCoreApplication>
#include <QThread>

TRemoteControlCSD::TRemoteControlCSD(TFormMain* main, Ui::TPanelVigiloGSM* ui, QObject* parent)
    : QObject(parent), m_main(main), ui(ui)
{
    connect(ui->BtnATD_VGG, &QPushButton::clicked, this, Guarded([this] { BtnATD_VGGClick(); }));
    connect(ui->Button72, &QPushButton::clicked, this, Guarded([this] { Button72Click(); }));
    connect(ui->Button77, &QPushButton::clicked, this, Guarded([this] { Button77Click(); }));
    connect(ui->Button78, &QPushButton::clicked, this, Guarded([this] { Button78Click(); }));

    const std::pair<QPushButton*, TBaudRate> rates[] = {
        {ui->Button73, TBaudRate::br4800},
        {ui->Button74, TBaudRate::br9600},
        {ui->Button76, TBaudRate::br19200},
        {ui->Button75, TBaudRate::br115200},
    };
    for (const auto& [button, rate] : rates)
        connect(button, &QPushButton::clicked, this, Guarded([this, r = rate] { RateClick(r); }));

    connect(main, &TFormMain::LineReceived, this, [this](const QString& line) { LineReceived(line); });
}

void TRemoteControlCSD::BtnATD_VGGClick()
{
    // The number is kept before the call is tried, whatever comes of it.
    m_main->WriteSettings();
    m_main->SendPlain(QStringLiteral("ATD ") + ui->EditATD_VGG->text() + QLatin1Char('\r'));
}

void TRemoteControlCSD::Button72Click()
{
    // The answers are shown once the handler has returned, in the order they came.
    m_main->SendPlain(QStringLiteral("AT\r"));
    QThread::msleep(kTestPauseMs);
    m_main->SendPlain(QStringLiteral("AT+CGMI\r"));
    QThread::msleep(kTestPauseMs);
    m_main->SendPlain(QStringLiteral("AT+CGMM\r"));
}

void TRemoteControlCSD::RateClick(TBaudRate rate)
{
    if (!m_main->ComPort.Connected()) {
        m_main->NoPortMessage();
        return;
    }
    m_main->ReopenSelectedPort(rate);
    m_main->SendPlain(QStringLiteral("AT\r"));
}

void TRemoteControlCSD::Button77Click() { m_main->SendPlain(QStringLiteral("ATH\r")); }

void TRemoteControlCSD::Button78Click()
{
    // Hayes escape: the modem's guard times are the user's pauses around the click.
    m_main->SendPlain(QStringLiteral("+++"));
}

void TRemoteControlCSD::LineReceived(const QString& line)
{
    // Nothing sets it back: a hang-up leaves the label as it is.
    if (line.contains(QLatin1String("CONNECT")))
        ui->LabelConnect->setText(QCoreApplication::translate("RemoteControlCSD", "OK ... verbunden"));
}
