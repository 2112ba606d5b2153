#include "panels/PanelVigilo.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "ui_PanelVigilo.h"
#include "widgets/SpinEdit.h"

namespace {

QString valueText(const TSpinEdit* field) { return QString::number(field->Value()); }

}  // namespace

TPanelVigilo::TPanelVigilo(TFormMain* main, QWidget* parent) : QGroupBox(parent), m_main(main), ui(new Ui::TPanelVigilo)
{
    ui->setupUi(this);

    const std::pair<QPushButton*, void (TPanelVigilo::*)()> clicks[] = {
        {ui->BtnTR_VGS, &TPanelVigilo::BtnTR_VGSClick},
        {ui->BtnTF_VGS, &TPanelVigilo::BtnTF_VGSClick},
        {ui->BtnTA_VGS, &TPanelVigilo::BtnTA_VGSClick},
        {ui->BtnTV_VGS, &TPanelVigilo::BtnTV_VGSClick},
        {ui->ButtonM1, &TPanelVigilo::ButtonM1Click},
        {ui->ButtonM2, &TPanelVigilo::ButtonM2Click},
        {ui->ButtonM3, &TPanelVigilo::ButtonM3Click},
        {ui->Button1, &TPanelVigilo::Button1Click},
        {ui->ButtonEIN_VGS, &TPanelVigilo::ButtonEIN_VGSClick},
        {ui->ButtonAUS_VGS, &TPanelVigilo::ButtonAUS_VGSClick},
        {ui->ButtonOnapon_VGS, &TPanelVigilo::ButtonOnapon_VGSClick},
        {ui->ButtonTriapon_VGS, &TPanelVigilo::ButtonTriapon_VGSClick},
        {ui->ButtonDeaktiv_VGS, &TPanelVigilo::ButtonDeaktiv_VGSClick},
        {ui->Button79, &TPanelVigilo::Button79Click},
        {ui->Button71, &TPanelVigilo::Button71Click},
        {ui->Button80, &TPanelVigilo::Button80Click},
        {ui->Button81, &TPanelVigilo::Button81Click},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, Guarded([this, h = handler] { (this->*h)(); }));

    connect(ui->BtnLastState, &QPushButton::clicked, this, Guarded([this] { m_main->BtnLastStateClick(); }));
    m_main->WireManualField(ui->EditKommando, ui->ButtonVGKommando);
    m_main->WireFlashButton(ui->Button39);

    // The trigger group: the operations live on the main window, which all
    // trigger groups of the program share.
    connect(ui->TrigStartBtn, &QPushButton::clicked, this, Guarded([this] { m_main->TrigStartBtnClick(); }));
    connect(ui->BtnTrigStop, &QPushButton::clicked, this, Guarded([this] { m_main->BtnTrigStopClick(); }));
    connect(ui->EditTrig, &TSpinEdit::Changed, this, Guarded([this] { m_main->EditTrigChange(); }));
}

TPanelVigilo::~TPanelVigilo() { delete ui; }

QPushButton* TPanelVigilo::Button39() const { return ui->Button39; }

void TPanelVigilo::BtnTR_VGSClick()
{
    m_main->Send(QStringLiteral("TR=") + valueText(ui->EditTR_VGS));
    // Read again: an answer reflected while a message was open may have
    // changed the field.
    m_main->SetTriggerIntervalFromRetrigger(ui->EditTR_VGS->Value());
}

void TPanelVigilo::BtnTF_VGSClick() { m_main->Send(QStringLiteral("TF=") + valueText(ui->EditTF_VGS)); }
void TPanelVigilo::BtnTA_VGSClick() { m_main->Send(QStringLiteral("TA=") + valueText(ui->EditTA_VGS)); }
void TPanelVigilo::BtnTV_VGSClick() { m_main->Send(QStringLiteral("TV=") + valueText(ui->EditTV_VGS)); }

void TPanelVigilo::ButtonM1Click() { m_main->Send(QStringLiteral("MODUS=1")); }
void TPanelVigilo::ButtonM2Click() { m_main->Send(QStringLiteral("MODUS=2")); }
void TPanelVigilo::ButtonM3Click() { m_main->Send(QStringLiteral("MODUS=3")); }
void TPanelVigilo::Button1Click() { m_main->Send(QStringLiteral("MODUS=4")); }

void TPanelVigilo::ButtonEIN_VGSClick()
{
    m_main->Send(QStringLiteral("ON=") + valueText(ui->EditSTein_VGS));
    // Sent or not, the delay is used up and the seconds count from now; a
    // running cyclic trigger keeps running.
    ui->EditSTein_VGS->SetValue(0);
    m_main->Restart1s();
    ui->ButtonAUS_VGS->setFocus();
}

void TPanelVigilo::ButtonAUS_VGSClick()
{
    // Switching off ends the cyclic trigger before the command goes out.
    m_main->BtnTrigStopClick();
    m_main->Send(QStringLiteral("OFF=") + valueText(ui->EditSTaus_VGS));
    ui->EditSTaus_VGS->SetValue(0);
    m_main->Restart1s();
    ui->ButtonEIN_VGS->setFocus();
}

void TPanelVigilo::ButtonOnapon_VGSClick()
{
    m_main->Send(QStringLiteral("ONAPON=") + valueText(ui->SpinEditOnapon_VGS));
}

void TPanelVigilo::ButtonTriapon_VGSClick()
{
    m_main->SendPlain(QStringLiteral("{1}TRIAPON=") + valueText(ui->SpinEditTriapon_VGS) + QLatin1Char('\r'));
}

void TPanelVigilo::ButtonDeaktiv_VGSClick()
{
    m_main->SendPlain(QStringLiteral("{1}deaktiv\r"));
    // Only the ON delay is cleared; the OFF delay stays as typed.
    ui->EditSTein_VGS->SetValue(0);
    m_main->BtnTrigStopClick();
    m_main->Restart1s();
}

void TPanelVigilo::Button79Click() { m_main->Send(QStringLiteral("DELEEPROM")); }
void TPanelVigilo::Button71Click() { m_main->Send(QStringLiteral("AUX1=0")); }
void TPanelVigilo::Button80Click() { m_main->Send(QStringLiteral("AUX1=1")); }
void TPanelVigilo::Button81Click() { m_main->Send(QStringLiteral("AUX1=2")); }
