#include "panels/PanelVigiloGSMNEU.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "panels/VigiloStatus.h"
#include "serial/PortLink.h"
#include "ui_PanelVigiloGSMNEU.h"
#include "watchdog/ProcessCheck.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

const QColor kLightBlue(166, 202, 240);

// Buttons whose caption goes out as the command.
constexpr const char* kCaptionButtons[] = {
    "Button132", "Button133", "Button134", "Button139", "Button138", "Button140", "Button141", "Button144",
};

QString smsButtonName(int index) { return QStringLiteral("VGGSMNEU_B_SMSNR%1").arg(index); }

QString smsFieldName(int index) { return QStringLiteral("VGGSMNEU_TE_SMSNR%1").arg(index); }

}  // namespace

TPanelVigiloGSMNEU::TPanelVigiloGSMNEU(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelVigiloGSMNEU)
{
    ui->setupUi(this);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kLightBlue);
    setPalette(pal);
    setAutoFillBackground(true);

    for (const char* name : kCaptionButtons) {
        auto* button = findChild<QPushButton*>(QLatin1String(name));
        connect(button, &QPushButton::clicked, this, Guarded([this, button] { CaptionCommandClick(button); }));
    }
    for (int i = 1; i <= 5; ++i) {
        auto* button = findChild<QPushButton*>(smsButtonName(i));
        connect(button, &QPushButton::clicked, this, Guarded([this, button] { SetSMSNumberClick(button); }));
    }
    connect(ui->Button136, &QPushButton::clicked, this, Guarded([this] { Button136Click(); }));
    connect(ui->Button142, &QPushButton::clicked, this, Guarded([this] { Button142Click(); }));
    connect(ui->Button143, &QPushButton::clicked, this, Guarded([this] { Button143Click(); }));
    for (QCheckBox* box : {ui->VGGSMNEU_CB_HBPERIODIC, ui->VGGSMNEU_CB_HBCHECKPROCESS})
        connect(box, &QCheckBox::clicked, this, Guarded([this] { VGGSMNEU_CB_HBPERIODICClick(); }));

    ui->VGGSMNEU_TE_SPNR->installEventFilter(this);
    for (int i = 1; i <= 5; ++i)
        smsField(i)->installEventFilter(this);

    m_heartbeat.ShowCountdown = [this](const QString& text) { m_main->SetStatusText(4, text); };
    m_heartbeat.Send = [this] { m_main->Send(QStringLiteral("HEARTBEAT")); };
    m_heartbeat.CheckProcess = [this] { return ui->VGGSMNEU_CB_HBCHECKPROCESS->isChecked(); };
    m_heartbeat.ProcessName = [this] { return ui->VGGSMNEU_TE_HBPROCESSNAME->text(); };
    m_heartbeat.ProcessExists = [](const QString& name) { return processExists(name); };
    m_heartbeat.Hold = [this] { return DeviceAwaited(*m_main); };
    connect(&m_main->HeartbeatTimer, &QTimer::timeout, this, Guarded([this] { HeartbeatTimerTimer(); }));

    connect(m_main, &TFormMain::LineReceived, this,
            [this](const QString& line) { Guarded([this, &line] { updateVGGSMNEUStateDisplay(line); })(); });
}

TPanelVigiloGSMNEU::~TPanelVigiloGSMNEU() { delete ui; }

QLineEdit* TPanelVigiloGSMNEU::smsField(int index) const { return findChild<QLineEdit*>(smsFieldName(index)); }

bool TPanelVigiloGSMNEU::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn)
        numberEditBoxClick(watched);
    return QGroupBox::eventFilter(watched, event);
}

void TPanelVigiloGSMNEU::CaptionCommandClick(QObject* sender)
{
    if (auto* button = qobject_cast<QAbstractButton*>(sender))
        m_main->Send(button->text());
}

void TPanelVigiloGSMNEU::Button136Click()
{
    m_main->Send(ui->Button136->text() + QLatin1Char('=') + ui->VGGSMNEU_TE_SPNR->text());
}

void TPanelVigiloGSMNEU::SetSMSNumberClick(QObject* sender)
{
    for (int i = 1; i <= 5; ++i) {
        auto* button = findChild<QAbstractButton*>(smsButtonName(i));
        if (button && sender == button) {
            m_main->Send(button->text() + QLatin1Char('=') + smsField(i)->text());
            return;
        }
    }
}

void TPanelVigiloGSMNEU::Button142Click()
{
    m_main->SendPlain(ui->VGGSMNEU_TE_CUSTOMCOMMAND->text() + QLatin1Char('\r'));
    ui->VGGSMNEU_TE_CUSTOMCOMMAND->setText(QStringLiteral("{+}"));
}

void TPanelVigiloGSMNEU::Button143Click() { requestVigiloState(); }

void TPanelVigiloGSMNEU::numberEditBoxClick(QObject* sender)
{
    if (auto* field = qobject_cast<QLineEdit*>(sender))
        if (field->text() == QLatin1String("-"))
            field->clear();
}

void TPanelVigiloGSMNEU::requestVigiloState()
{
    ui->VGGSMNEU_L_STATUS->setText(QCoreApplication::translate("PanelVigiloGSMNEU", "Bitte warten..."));
    m_main->Send(QStringLiteral("GET"));
}

void TPanelVigiloGSMNEU::VigiloGSMNEU1Click()
{
    m_main->ClearPanels(QStringLiteral("VigiloGSMNEU"));
    requestVigiloState();
}

void TPanelVigiloGSMNEU::updateVGGSMNEUStateDisplay(const QString& commandResponse)
{
    const TVigiloStatusUpdate update = ParseVigiloStatus(commandResponse);
    if (update.statusText)
        ui->VGGSMNEU_L_STATUS->setText(*update.statusText);
    if (update.voiceNumber)
        ui->VGGSMNEU_TE_SPNR->setText(*update.voiceNumber);
    for (int i = 1; i <= 5; ++i)
        if (const auto& number = update.smsNumbers[size_t(i - 1)])
            smsField(i)->setText(*number);
}

bool TPanelVigiloGSMNEU::processExists(const QString& exeFileName) { return ProcessExists(exeFileName); }

void TPanelVigiloGSMNEU::VGGSMNEU_CB_HBPERIODICClick()
{
    const bool periodic = ui->VGGSMNEU_CB_HBPERIODIC->isChecked();
    if (periodic && !m_main->HeartbeatTimer.isActive())
        m_main->HeartbeatTimer.start();
    else if (!periodic)
        m_main->HeartbeatTimer.stop();
    m_main->SetStatusText(4, QString());
    ui->VGGSMNEU_CB_HBCHECKPROCESS->setEnabled(periodic);
    ui->VGGSMNEU_TE_HBPROCESSNAME->setEnabled(periodic);
    if (periodic)
        m_heartbeat.Restart();
    else
        ui->VGGSMNEU_CB_HBCHECKPROCESS->setChecked(false);
}

void TPanelVigiloGSMNEU::HeartbeatTimerTimer() { m_heartbeat.Tick(); }
