#include "panels/PanelVigiloGSM.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "firmware/UnitFlashenCSD.h"
#include "panels/PanelVigilo.h"
#include "panels/RemoteControlCSD.h"
#include "ui_PanelVigiloGSM.h"
#include "watchdog/EnduranceRun.h"
#include "widgets/SpinEdit.h"

TPanelVigiloGSM::TPanelVigiloGSM(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelVigiloGSM)
{
    ui->setupUi(this);
    // The manual line is sent exactly as typed: no completion from the presets.
    ui->ComboBoxVigiloGSM->setCompleter(nullptr);

    // Buttons that send a fixed key, with the field beside them where they have one.
    struct Setting {
        QPushButton* button;
        const char* key;
        QLineEdit* field;
    };
    const Setting settings[] = {
        {ui->Button5, "MODUS=0", nullptr},
        {ui->Button6, "MODUS=2", nullptr},
        {ui->Button7, "MODUS=3", nullptr},
        {ui->BtnTF_VGG, "TF=", ui->EditTF_VGG},
        {ui->BtnTA_VGG, "TA=", ui->EditTA_VGG},
        {ui->BtnTV_VGG, "TV=", ui->EditTV_VGG},
        {ui->ButtonOnapon_VGG, "ONAPON=", ui->SpinEditOnapon_VGG},
        {ui->ButtonTriapon_VGG, "TRIAPON=", ui->SpinEditTriapon_VGG},
        {ui->ButtonGSMinfo_VGG, "gsminfo", nullptr},
        {ui->Button87, "info", nullptr},
        {ui->Button83, "DELSTATUS", nullptr},
        {ui->Button2, "DELSIM", nullptr},
        // GPRS wizard
        {ui->Button_VGG_POP3Server, "EmailPOP3=", ui->Edit_VGG_POP3Server},
        {ui->Button_VGG_SMTPServer, "EmailSMTP=", ui->Edit_VGG_SMTPServer},
        {ui->Button_VGG_USER, "EmailUSER=", ui->Edit_VGG_USER},
        {ui->Button_VGG_PASSWORD, "EmailPWD=", ui->Edit_VGG_PASSWORD},
        {ui->Button_SendEmailGPRS, "SendEmailGPRS=", ui->Edit_SendEmailGPRS},
        {ui->Button_VGG_EmailToAdr1, "EmailToAdr1=", ui->Edit_VGG_EmailToAdr1},
        {ui->Button_APN, "GPRSAPN=", ui->Edit_APN},
        {ui->Button_USER, "GPRSUSER=", ui->Edit_User},
        {ui->Button_PWD, "GPRSPWD=", ui->Edit_PWD},
        // SMS wizard
        {ui->Button_VGG_AlarmSMS1, "AlarmSMS1=", ui->Edit_VGG_AlarmSMS1},
        {ui->Button_VGG_AlarmSMS2, "AlarmSMS2=", ui->Edit_VGG_AlarmSMS2},
        {ui->Button_VGG_AlarmSMS3, "AlarmSMS3=", ui->Edit_VGG_AlarmSMS3},
        {ui->Button_VGG_Rst2SMS, "Rst2SMS=", ui->SpinEdit_VGG_Rst2SMS},
        {ui->Button_SendSMS, "SendSMS=", ui->Edit_SendSMS},
        {ui->Button89, "SMS2Email=", ui->Edit_SMS2Email},
        {ui->Button_SendEmailSMS, "SendEmailSMS=", ui->Edit_SendEmailSMS},
        // voice-call wizard
        {ui->Button_VGG_AlarmVC1, "AlarmVC1=", ui->Edit_VGG_AlarmVC1},
        {ui->Button_VGG_AlarmVC2, "AlarmVC2=", ui->Edit_VGG_AlarmVC2},
        {ui->Button_VGG_AlarmVC3, "AlarmVC3=", ui->Edit_VGG_AlarmVC3},
        {ui->Button_VGG_Rst2VC, "Rst2VC=", ui->SpinEdit_VGG_Rst2VC},
        {ui->Button_VGG_Ringtime, "Ringtime=", ui->SpinEdit_VGG_Ringtime},
        {ui->Button_VGG_COT, "COT=", ui->SpinEdit_VGG_COT},
        {ui->Button88, "CallVC1", nullptr},
    };
    for (const Setting& s : settings) {
        const QString key = QLatin1String(s.key);
        connect(s.button, &QPushButton::clicked, this,
                Guarded([this, key, field = s.field] { sendSetting(key, field); }));
    }

    const std::pair<QPushButton*, void (TPanelVigiloGSM::*)()> clicks[] = {
        {ui->Button17, &TPanelVigiloGSM::Button17Click},
        {ui->BtnTR_VGG, &TPanelVigiloGSM::BtnTR_VGGClick},
        {ui->ButtonEIN_VGG, &TPanelVigiloGSM::ButtonEIN_VGGClick},
        {ui->ButtonAUS_VGG, &TPanelVigiloGSM::ButtonAUS_VGGClick},
        {ui->ButtonDeaktiv_VGG, &TPanelVigiloGSM::ButtonDeaktiv_VGGClick},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, Guarded([this, h = handler] { (this->*h)(); }));

    // Commands the plain unit knows as well: its panel's handlers.
    const std::pair<QPushButton*, void (TPanelVigilo::*)()> shared[] = {
        {ui->Button9, &TPanelVigilo::ButtonM1Click},
        {ui->Button8, &TPanelVigilo::Button1Click},
        {ui->Button40, &TPanelVigilo::Button79Click},
    };
    for (const auto& [button, handler] : shared)
        connect(button, &QPushButton::clicked, this, Guarded([this, h = handler] {
                    if (TPanelVigilo* v = vigilo())
                        (v->*h)();
                }));
    connect(ui->Button15, &QPushButton::clicked, this, Guarded([this] { m_main->BtnLastStateClick(); }));

    m_main->WireManualField(ui->ComboBoxVigiloGSM, ui->ButtonSendVigiloGSM);

    // The trigger group runs the operations every trigger group shares.
    connect(ui->Button84, &QPushButton::clicked, this, Guarded([this] { m_main->TrigStartBtnClick(); }));
    connect(ui->Button85, &QPushButton::clicked, this, Guarded([this] { m_main->BtnTrigStopClick(); }));
    connect(ui->SpinEdit24, &TSpinEdit::Changed, this, Guarded([this] { m_main->EditTrigChange(true); }));

    m_main->WireFlashButton(ui->ButtonFU);
    connect(ui->ButtonFUCSD, &QPushButton::clicked, this, Guarded([this] { ButtonFUCSDClick(m_main); }));
    m_enduranceRun = new TEnduranceRun(m_main, this);
    connect(ui->ButtonDauerlauf, &QPushButton::clicked, this,
            Guarded([this] { m_enduranceRun->ButtonDauerlaufClick(); }));
    connect(ui->ButtonDauerlaufStop, &QPushButton::clicked, this,
            Guarded([this] { m_enduranceRun->ButtonDauerlaufStopClick(); }));

    m_remote = new TRemoteControlCSD(m_main, ui, this);
}

TPanelVigiloGSM::~TPanelVigiloGSM() { delete ui; }

QLineEdit* TPanelVigiloGSM::EditATD_VGG() const { return ui->EditATD_VGG; }

TPanelVigilo* TPanelVigiloGSM::vigilo() const
{
    return qobject_cast<TPanelVigilo*>(m_main->Panel(QStringLiteral("Vigilo")));
}

void TPanelVigiloGSM::sendSetting(const QString& key, QLineEdit* field)
{
    QString text = key;
    if (auto* number = qobject_cast<TSpinEdit*>(field))
        text += QString::number(number->Value());
    else if (field)
        text += field->text();
    m_main->Send(text);
}

void TPanelVigiloGSM::Button17Click()
{
    // Leaves the GSM terminal mode: the escape goes out bare, no frame, no CR.
    m_main->SendPlain(QStringLiteral("+++ABAB---"));
}

void TPanelVigiloGSM::BtnTR_VGGClick()
{
    sendSetting(QStringLiteral("TR="), ui->EditTR_VGG);
    // The cyclic trigger of the Vigilo panel follows at half the retrigger time.
    m_main->SetTriggerIntervalFromRetrigger(ui->EditTR_VGG->Value());
}

void TPanelVigiloGSM::ButtonEIN_VGGClick()
{
    sendSetting(QStringLiteral("ON="), ui->EditSTein_VGG);
    ui->EditSTein_VGG->SetValue(0);
    m_main->Restart1s();
    ui->ButtonAUS_VGG->setFocus();
}

void TPanelVigiloGSM::ButtonAUS_VGGClick()
{
    // Switching off ends the cyclic trigger before the command goes out.
    m_main->BtnTrigStopClick();
    sendSetting(QStringLiteral("OFF="), ui->EditSTaus_VGG);
    ui->EditSTaus_VGG->SetValue(0);
    m_main->Restart1s();
    ui->ButtonEIN_VGG->setFocus();
}

void TPanelVigiloGSM::ButtonDeaktiv_VGGClick()
{
    // Unlike the plain unit's deactivation, a running cyclic trigger runs on.
    m_main->Send(QStringLiteral("deaktiv"));
    ui->EditSTein_VGG->SetValue(0);
    m_main->Restart1s();
    ui->ButtonAUS_VGG->setFocus();
}
