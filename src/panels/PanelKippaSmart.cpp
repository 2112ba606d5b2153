#include "panels/PanelKippaSmart.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "firmware/UnitFlashen.h"
#include "ui_PanelKippaSmart.h"
#include "widgets/Dialogs.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QThread>

#include <cmath>

namespace {

// An address command: what goes before and after the box address.
struct TAddressCommand {
    const char* button;
    const char* prefix;
    const char* suffix;
};

constexpr TAddressCommand kAddressCommands[] = {
    {"ButtonON", "RSE", ""},
    {"ButtonOFF", "RSA", ""},
    {"ButtonToggle", "RST", ""},
    {"Button1MinON", "RS+", ""},
    {"Button1MinOFF", "RS-", ""},
    {"ButtonReadState", "RS?", ""},
    {"ButtonFirmwareVersion", "{+}f", "\r"},
    {"ButtonHardwareVersion", "{+}h", "\r"},
};

// Marks a combo box's entry as given up once the user types into its field.
const char* const kTyped = "typedText";

const QString kResetCommand = QStringLiteral("{+}reset\r");
// How long a box takes to restart after its reset before it measures the
// rate from a "U".
constexpr int kBoxRestartMs = 500;

}  // namespace

TPanelKippaSmart::TPanelKippaSmart(TFormMain* main, QWidget* parent)
    : QGroupBox(parent), m_main(main), ui(new Ui::TPanelKippaSmart)
{
    ui->setupUi(this);

    for (QComboBox* box : {ui->ComboBoxBaudrate, ui->ComboBoxBoxAdress}) {
        box->setCurrentIndex(-1);
        box->setProperty(kTyped, false);
        connect(box->lineEdit(), &QLineEdit::textEdited, box, [box] { box->setProperty(kTyped, true); });
        connect(box, &QComboBox::currentIndexChanged, box, [box] { box->setProperty(kTyped, false); });
    }
    // Choosing again the entry that typing had given up selects it anew.
    connect(ui->ComboBoxBoxAdress, &QComboBox::activated, this,
            [this] { ui->ComboBoxBoxAdress->setProperty(kTyped, false); });
    connect(ui->ComboBoxBaudrate, &QComboBox::activated, this, Guarded([this] {
                if (ui->ComboBoxBaudrate->property(kTyped).toBool()) {
                    ui->ComboBoxBaudrate->setProperty(kTyped, false);
                    ComboBoxBaudrateChange();
                }
            }));
    ui->ComboBoxBaudrate->setEditText(QStringLiteral("Baudrate"));
    ui->ComboBoxBoxAdress->setEditText(QStringLiteral("- - - "));

    for (const TAddressCommand& c : kAddressCommands) {
        auto* button = findChild<QPushButton*>(QLatin1String(c.button));
        connect(button, &QPushButton::clicked, this, Guarded([this, button] { AddressCommandClick(button); }));
    }
    connect(ui->ButtonSend, &QPushButton::clicked, this, Guarded([this] { ButtonKPSMARTKommandoClick(); }));
    // Enter in the field does what the send button does.
    ui->EditKommando2->installEventFilter(this);

    // A change of the selection or of the typed text; the text a selection
    // puts into the field is no change of its own.
    connect(ui->ComboBoxBaudrate, &QComboBox::currentIndexChanged, this, Guarded([this] { ComboBoxBaudrateChange(); }));
    connect(ui->ComboBoxBaudrate->lineEdit(), &QLineEdit::textEdited, this,
            Guarded([this] { ComboBoxBaudrateChange(); }));
    connect(ui->ButtonSetBaudrate, &QPushButton::clicked, this, Guarded([this] { ButtonSetBaudrateClick(); }));
    connect(ui->ButtonFWUpdate, &QPushButton::clicked, this, Guarded([this] { ButtonFWUpdateClick(); }));
}

TPanelKippaSmart::~TPanelKippaSmart() { delete ui; }

bool TPanelKippaSmart::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->EditKommando2 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            Guarded([this] { ButtonKPSMARTKommandoClick(); })();
    }
    return QGroupBox::eventFilter(watched, event);
}

int TPanelKippaSmart::selectedIndex(const QComboBox* box)
{
    return box->property(kTyped).toBool() ? -1 : box->currentIndex();
}

QString TPanelKippaSmart::BoxAddress() const
{
    const int index = selectedIndex(ui->ComboBoxBoxAdress);
    return index < 0 ? QString() : ui->ComboBoxBoxAdress->itemText(index);
}

void TPanelKippaSmart::KippaSmart1Click()
{
    m_main->ClearPanels(QStringLiteral("KippaSmart"));
    const int bits = BaudRateBits(m_main->ComPort.BaudRate());
    const int index = int(std::lround(bits / 9600.0));
    {
        // Showing the port's rate is no change of it.
        const QSignalBlocker block(ui->ComboBoxBaudrate);
        ui->ComboBoxBaudrate->setCurrentIndex(index < ui->ComboBoxBaudrate->count() ? index : -1);
        ui->ComboBoxBaudrate->setProperty(kTyped, false);
    }
    m_main->BoxRate = BaudRateName(m_main->ComPort.BaudRate());
}

void TPanelKippaSmart::AddressCommandClick(QObject* sender)
{
    for (const TAddressCommand& c : kAddressCommands) {
        if (sender->objectName() != QLatin1String(c.button))
            continue;
        const QString address = BoxAddress();
        if (address.isEmpty()) {
            Dialogs().Info(QCoreApplication::translate("PanelKippaSmart",
                                                       "Please set box address ...\r\r"
                                                       "Bitte erst die Boxadresse auswählen ...\r\r"));
            return;
        }
        m_main->SendPlain(QLatin1String(c.prefix) + address + QLatin1String(c.suffix));
        return;
    }
}

void TPanelKippaSmart::ButtonKPSMARTKommandoClick()
{
    if (BoxAddress().isEmpty()) {
        Dialogs().Info(QCoreApplication::translate("PanelKippaSmart", "Please set box adress ...\r\r"
                                                                      "Bitte erst die Boxadresse auswählen ...\r\r"));
        return;
    }
    m_main->SendPlain(ui->EditKommando2->text() + QLatin1Char('\r'));
}

void TPanelKippaSmart::ComboBoxBaudrateChange()
{
    TComPort& port = m_main->ComPort;
    try {
        port.Close();
    } catch (const EComPort&) {
    }
    const int index = selectedIndex(ui->ComboBoxBaudrate);
    const QString name = index < 0 ? QString() : ui->ComboBoxBaudrate->itemText(index);
    // Errors from here on go to the general error display; the chosen rate
    // stays what it was.
    port.SetBaudRate(BaudRateFromName(name));
    port.Open();
    m_main->ChosenRate = BaudRateName(port.BaudRate());
}

void TPanelKippaSmart::ButtonSetBaudrateClick()
{
    TComPort& port = m_main->ComPort;
    // At the rate the program talks now; an error ends the sequence here.
    port.TransmitChar(0x55);
    try {
        port.Close();
        port.SetBaudRate(BaudRateFromName(m_main->BoxRate));
        port.Open();
        m_main->SendPlain(kResetCommand);
    } catch (const EComPort&) {
    }
    try {
        port.Close();
        port.SetBaudRate(BaudRateFromName(m_main->ChosenRate));
        port.Open();
        // The box restarts and then measures the rate from the "U".
        QThread::msleep(kBoxRestartMs);
        m_main->SendPlain(QStringLiteral("U"));
    } catch (const EComPort&) {
    }
    m_main->BoxRate = m_main->ChosenRate;
}

void TPanelKippaSmart::ButtonFWUpdateClick()
{
    if (!Dialogs().YesNo(QCoreApplication::translate("UnitFlashen", "wirklich flashen?\r\r"), true))
        return;
    TComPort& port = m_main->ComPort;
    try {
        port.Close();
        port.SetBaudRate(BaudRateFromName(m_main->BoxRate));
        port.Open();
        port.WriteStr(kResetCommand);
    } catch (const EComPort&) {
    }
    try {
        port.Close();
        port.SetBaudRate(TBaudRate::br115200);
        port.Open();
        // The box's boot loader comes up and measures the rate from the "U".
        QThread::msleep(kBoxRestartMs);
        port.WriteStr(QStringLiteral("U"));
    } catch (const EComPort&) {
    }
    // The port already runs at 115200: the procedure sends its start command
    // at that rate.
    if (m_main->FormFlashen)
        m_main->FormFlashen->exec();
}
