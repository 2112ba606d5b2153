// Send operations of the main window and their echo in the message log.
// Methods of TFormMain (declared in app/UnitMain.h), kept beside the port.
#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "serial/PortLink.h"
#include "serial/SendEcho.h"
#include "widgets/Dialogs.h"
#include "widgets/RadioGroup.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// Sends the field's text + CR when Enter is pressed; the key goes on to the field.
class TEnterSends : public QObject {
public:
    TEnterSends(QObject* parent, std::function<void()> send) : QObject(parent), m_send(std::move(send)) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                Guarded(m_send)();
        }
        return false;
    }

private:
    std::function<void()> m_send;
};

QString fieldText(QWidget* field)
{
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(field))
        return combo->currentText();
    return QString();
}

}  // namespace

void TFormMain::NoPortMessage()
{
    Dialogs().Info(tr("Please choose the COM interface ...\r\r"
                      "Bitte erst die COM-Schnittstelle auswählen ...\r\r"));
    RadioGroupCOM()->SetItemIndex(-1);
}

bool TFormMain::sendChecked(const QString& bytes, const QString& echo, bool echoAlways)
{
    if (m_portLink && m_portLink->Waiting()) {
        m_portLink->SendHeld();
        return false;
    }
    if (!ComPort.Connected()) {
        NoPortMessage();
        return false;
    }
    int written = 0;
    try {
        written = ComPort.WriteStr(bytes);
    } catch (const EComPort&) {
        written = 0;
    }
    // A write the line took only in part (the adapter went in the middle of
    // it) has failed as much as one that wrote nothing.
    if (written == 0 || written < bytes.size()) {
        // The adapter went: the port waits for it to come back.
        if (m_portLink && m_portLink->Keeper().Current() == TLinkKeeper::State::Linked && ComPort.DeviceLost()) {
            m_portLink->SendFailed();
            return false;
        }
        RadioGroupCOM()->SetItemIndex(-1);
        ClearPanels(QStringLiteral("allgemein"));
        return false;
    }
    if (echoAlways || !QuietSend) {
        Print(QString());
        Print(echo);
    }
    return true;
}

void TFormMain::Send(const QString& ss) { sendChecked(FramedCommand(ss), SendEcho(ss), false); }

void TFormMain::SendPlain(const QString& ss) { sendChecked(ss, SendPlainEcho(ss), true); }

void TFormMain::SendByte(int byteCounter, quint8 zeichen)
{
    if (m_portLink && m_portLink->Waiting()) {
        m_portLink->SendHeld();
        return;
    }
    if (!ComPort.Connected()) {
        NoPortMessage();
        return;
    }
    ComPort.TransmitChar(zeichen);  // an error goes to the caller
    if (QuietSend || byteCounter < 0)
        return;
    Print(SendByteEcho(byteCounter, zeichen));
}

void TFormMain::ButtonAllg_ZBClick(QObject* sender)
{
    if (auto* b = qobject_cast<QAbstractButton*>(sender))
        SendPlain(b->text() + QLatin1Char('\r'));
}

void TFormMain::SendManualText(const QString& text) { SendPlain(text + QLatin1Char('\r')); }

void TFormMain::WireManualField(QWidget* field, QAbstractButton* sendButton)
{
    auto send = [this, field] { SendManualText(fieldText(field)); };
    connect(sendButton, &QAbstractButton::clicked, this, Guarded(send));
    // The keys arrive at the field that has the focus; an editable drop-down
    // keeps the focus itself and hands the keys on to its line edit
    // directly, past any filter there.
    field->installEventFilter(new TEnterSends(field, send));
}

void TFormMain::BtnLastStateClick() { Send(QStringLiteral("GET")); }
