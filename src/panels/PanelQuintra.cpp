#include "panels/PanelQuintra.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "panels/PanelVigilo.h"
#include "panels/PlcFileRun.h"
#include "panels/PlcSequence.h"
#include "ui_PanelQuintra.h"
#include "widgets/SpinEdit.h"

#include <vector>

namespace {

QString valueText(const TSpinEdit* field) { return QString::number(field->Value()); }

// The controls one channel group holds, in the same places for all five.
struct TChannelControls {
    int number;
    QPushButton* on;
    TSpinEdit* onField;
    QPushButton* off;
    TSpinEdit* offField;
    QPushButton* read;
    QPushButton* tv;
    TSpinEdit* tvField;
    QPushButton* onapon;
    TSpinEdit* onaponField;
    // Mode buttons of the channel's "Modus" group and the mode each sets.
    std::vector<std::pair<QPushButton*, int>> modes;
};

}  // namespace

TPanelQuintra::TPanelQuintra(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelQuintra)
{
    ui->setupUi(this);

    // Each channel's "Modus" group stands beside the channel's own group;
    // a screen reader names it, and the buttons in it, with the channel.
    const std::pair<QGroupBox*, QGroupBox*> modeOf[] = {{ui->GroupBoxModus1_QTS, ui->GroupBoxChannel1_QTS},
                                                        {ui->GroupBoxModus2_QTS, ui->GroupBoxChannel2_QTS},
                                                        {ui->GroupBoxModus3_QTS, ui->GroupBoxChannel3_QTS},
                                                        {ui->GroupBoxModus4_QTS, ui->GroupBoxChannel4_QTS},
                                                        {ui->GroupBoxModus5_QTS, ui->GroupBoxChannel5_QTS}};
    for (const auto& [mode, channel] : modeOf)
        mode->setAccessibleName(mode->title() + QStringLiteral(" (") + channel->title() + u')');

    const TChannelControls channels[] = {
        {1,
         ui->ButtonEIN1_QTS,
         ui->SpinEdit7,
         ui->ButtonAUS1_QTS,
         ui->SpinEdit8,
         ui->Button24,
         ui->BtnTV_QTS,
         ui->EditTV_QTS,
         ui->Button22,
         ui->SpinEdit5,
         {{ui->Button50, 1}, {ui->Button16, 2}, {ui->Button19, 3}, {ui->Button20, 4}}},
        {2,
         ui->ButtonEIN2_QTS,
         ui->SpinEdit11,
         ui->ButtonAUS2_QTS,
         ui->SpinEdit15,
         ui->Button10,
         ui->Button12,
         ui->SpinEdit1,
         ui->Button13,
         ui->SpinEdit2,
         {{ui->Button51, 2}, {ui->Button55, 5}}},
        {3,
         ui->ButtonEIN3_QTS,
         ui->SpinEdit12,
         ui->ButtonAUS3_QTS,
         ui->SpinEdit16,
         ui->Button64,
         ui->Button59,
         ui->SpinEdit3,
         ui->Button63,
         ui->SpinEdit4,
         {{ui->Button52, 2}, {ui->Button56, 5}}},
        {4,
         ui->ButtonEIN4_QTS,
         ui->SpinEdit13,
         ui->ButtonAUS4_QTS,
         ui->SpinEdit17,
         ui->Button67,
         ui->Button65,
         ui->SpinEdit19,
         ui->Button66,
         ui->SpinEdit20,
         {{ui->Button53, 2}, {ui->Button57, 5}}},
        {5,
         ui->ButtonEIN5_QTS,
         ui->SpinEdit14,
         ui->ButtonAUS5_QTS,
         ui->SpinEdit18,
         ui->Button70,
         ui->Button68,
         ui->SpinEdit21,
         ui->Button69,
         ui->SpinEdit22,
         {{ui->Button54, 2}, {ui->Button58, 5}}},
    };
    for (const TChannelControls& c : channels) {
        wireChannel(c.on, c.number, QStringLiteral("on="), c.onField);
        wireChannel(c.off, c.number, QStringLiteral("off="), c.offField);
        wireChannel(c.read, c.number, QStringLiteral("GET"), nullptr);
        wireChannel(c.tv, c.number, QStringLiteral("TV="), c.tvField);
        wireChannel(c.onapon, c.number, QStringLiteral("ONAPON="), c.onaponField);
        for (const auto& [button, mode] : c.modes)
            wireChannel(button, c.number, QStringLiteral("MODUS=") + QString::number(mode), nullptr);
    }
    // The master's watchdog times.
    wireChannel(ui->BtnTA_QTS, 1, QStringLiteral("TA="), ui->EditTA_QTS);
    wireChannel(ui->BtnTF_QTS, 1, QStringLiteral("TF="), ui->EditTF_QTS);
    wireChannel(ui->Button23, 1, QStringLiteral("TRIAPON="), ui->SpinEdit6);
    wire(ui->BtnTR_QTS, &TPanelQuintra::BtnTR_QTSClick);
    wire(ui->Button27, &TPanelQuintra::Button27Click);

    wire(ui->Button3, &TPanelQuintra::Button3Click);
    wire(ui->Button4, &TPanelQuintra::Button4Click);
    wire(ui->Button11, &TPanelQuintra::Button11Click);
    wire(ui->Button82, &TPanelQuintra::Button82Click);

    m_main->WireManualField(ui->Edit1, ui->Button30);
    m_main->WireFlashButton(ui->Button44);

    // The trigger group runs the shared trigger, which works on the Vigilo
    // panel's fields whichever group is used.
    connect(ui->Button28, &QPushButton::clicked, this, Guarded([this] { m_main->TrigStartBtnClick(); }));
    connect(ui->Button29, &QPushButton::clicked, this, Guarded([this] { m_main->BtnTrigStopClick(); }));
    connect(ui->SpinEdit10, &TSpinEdit::Changed, this, Guarded([this] { m_main->EditTrigChange(true); }));
    // The on/off test toggle; its controls are not shown.
    connect(ui->ButtonTestEIN, &QPushButton::clicked, this, Guarded([this] { m_main->ButtonTest1Click(); }));
    connect(ui->ButtonTestAUS, &QPushButton::clicked, this, Guarded([this] { m_main->ButtonTest0Click(); }));

    // Tab "PLC".
    wire(ui->ButtonPLCapon, &TPanelQuintra::ButtonPLCaponClick);
    wireText(ui->ButtonPLCstart, QStringLiteral("{+}PLCstart\r"));
    wireText(ui->ButtonPLCstop, QStringLiteral("{+}PLCstop\r"));
    wireText(ui->ButtonPLCmodus, QStringLiteral("{+}MODUS=6\r"));
    wireText(ui->ButtonPLClist, QStringLiteral("{+}PLCget\r"));
    wire(ui->ButtonPLCset, &TPanelQuintra::ButtonPLCsetClick);
    wire(ui->ButtonPLCclear, &TPanelQuintra::ButtonPLCclearClick);
    wireText(ui->ButtonPLCclearall, QStringLiteral("{+}PLCclear all\r"));
    wireText(ui->ButtonPLCstore, QStringLiteral("{+}PLCstore\r"));
    wire(ui->ButtonPLCsave, &TPanelQuintra::ButtonPLCsaveClick);
    wire(ui->ButtonPLCload, &TPanelQuintra::ButtonPLCloadClick);
}

TPanelQuintra::~TPanelQuintra() { delete ui; }

void TPanelQuintra::wireChannel(QAbstractButton* button, int channel, const QString& word, const TSpinEdit* field)
{
    connect(button, &QAbstractButton::clicked, this,
            Guarded([this, channel, word, field] { ChannelCommandClick(channel, word, field); }));
}

void TPanelQuintra::wire(QAbstractButton* button, void (TPanelQuintra::*handler)())
{
    connect(button, &QAbstractButton::clicked, this, Guarded([this, handler] { (this->*handler)(); }));
}

void TPanelQuintra::wireText(QAbstractButton* button, const QString& line)
{
    connect(button, &QAbstractButton::clicked, this, Guarded([this, line] { m_main->SendPlain(line); }));
}

void TPanelQuintra::ChannelCommandClick(int channel, const QString& word, const TSpinEdit* field)
{
    QString line = QLatin1Char('{') + QString::number(channel) + QLatin1Char('}') + word;
    if (field)
        line += valueText(field);
    m_main->SendPlain(line + QLatin1Char('\r'));
}

void TPanelQuintra::BtnTR_QTSClick()
{
    ChannelCommandClick(1, QStringLiteral("TR="), ui->EditTR_QTS);
    // Read again: the field may have changed while a message was open.
    m_main->SetTriggerIntervalFromRetrigger(ui->EditTR_QTS->Value());
}

void TPanelQuintra::Button27Click()
{
    if (auto* vigilo = qobject_cast<TPanelVigilo*>(m_main->Panel(QStringLiteral("Vigilo"))))
        vigilo->ButtonDeaktiv_VGSClick();
}

void TPanelQuintra::Button3Click() { m_main->Send(QStringLiteral("on")); }
void TPanelQuintra::Button4Click() { m_main->Send(QStringLiteral("off")); }
void TPanelQuintra::Button11Click() { m_main->SendPlain(QStringLiteral("{+}GET\r")); }
void TPanelQuintra::Button82Click() { m_main->Send(QStringLiteral("delstatus")); }

void TPanelQuintra::ButtonPLCaponClick()
{
    m_main->SendPlain(QStringLiteral("{+}PLCapon=") + valueText(ui->SpinEditPLCapon) + QLatin1Char('\r'));
}

void TPanelQuintra::ButtonPLCsetClick()
{
    m_main->SendPlain(PlcSetCommand(
        PlcStep(ui->SpinEditPLCzeit->Value(), ui->SpinEditPLCch->Value(), ui->ComboBoxPLCaction->currentText())));
}

void TPanelQuintra::ButtonPLCclearClick()
{
    m_main->SendPlain(QStringLiteral("{+}PLCclear=") + valueText(ui->SpinEditPLCclear) + QLatin1Char('\r'));
}

void TPanelQuintra::ButtonPLCsaveClick() { PlcSequenceSave(*m_main); }
void TPanelQuintra::ButtonPLCloadClick() { PlcSequenceLoad(*m_main); }
