// Port selection, device identification and scan of the general panel.
// Methods of TFormMain (declared in app/UnitMain.h), kept beside the port.
#include "app/UnitMain.h"
#include "serial/DeviceTable.h"
#include "serial/PortDiagnostics.h"
#include "serial/PortLink.h"
#include "widgets/AccessibleNames.h"
#include "widgets/RadioGroup.h"

#include <QGroupBox>
#include <QLabel>

namespace {

const QString kIdRequest = QStringLiteral("{+}h\r");

}  // namespace

int TFormMain::writeIdRequest()
{
    try {
        return ComPort.WriteStr(kIdRequest);
    } catch (const EComPort&) {
        return 0;
    }
}

QString TFormMain::notePortOutcome(int n)
{
    QString why;
    if (!ComPort.Connected()) {
        const QString device = ComPort.DevicePathFor(QStringLiteral("Com%1").arg(n));
        why = PortProblemText(device, DiagnosePort(device, ComPort.LastOpenError()));
    }
    m_portLink->NoteTrouble(n, why);
    return why;
}

void TFormMain::WaitForIdReply()
{
    PumpedWait(kIdReplyWaitMs, [this] { return IdReply.contains(QLatin1Char('#')); });
}

void TFormMain::RadioGroupCOMClick()
{
    if (ScanActive)
        return;
    // A port chosen anew ends any wait for a device that went.
    m_portLink->Forget(TPortLink::TEnd::Selection);
    abandonPlcCapture();
    try {
        ComPort.Close();
    } catch (const EComPort&) {
    }
    const int n = RadioGroupCOM()->ItemIndex() + 1;
    try {
        ComPort.SetPort(QStringLiteral("Com%1").arg(n));
        ComPort.SetBaudRate(BaudRateFromName(QStringLiteral("9600")));
        ComPort.SetFlowControlNone();
        ComPort.Open();
        ComPort.ClearBuffer(true, true);
    } catch (const EComPort&) {
    }
    // The status text stays short; its tool tip and the entry's say why.
    const QString why = notePortOutcome(n);
    refreshPortHints();
    if (QLabel* status = StatusPanel(1))
        status->setToolTip(why);

    if (ComPort.Connected()) {
        RadioGroupCOMconnect()->SetItemIndex(n - 1);
        ComNumber = n;
        SetStatusText(1, tr("%1 = connected").arg(ComPort.Port()));
        if (auto* rc = findChild<QGroupBox*>(QStringLiteral("GroupBoxRC")))
            SetGroupTitle(rc, tr("remote control via mobil phone on %1 (= CSD)").arg(ComPort.Port()));
    } else {
        RadioGroupCOMconnect()->SetItemIndex(-1);
        SetStatusText(1, tr("disconnected"));
    }

    RxLine.clear();
    const TIdOutcome outcome = IdentifyDevice(n);
    if (outcome == TIdOutcome::NotWritten) {
        RadioGroupCOM()->SetItemIndex(-1);
        ClearPanels(QStringLiteral("allgemein"));
        return;
    }
    m_portLink->Selected(n, outcome == TIdOutcome::Known);
}

TFormMain::TIdOutcome TFormMain::IdentifyDevice(int n)
{
    IdReply.clear();
    if (writeIdRequest() == 0)
        return TIdOutcome::NotWritten;
    WaitForIdReply();

    const TDeviceId id = ReadDeviceId(IdReply, false);
    DeviceFamily = id.family;
    DeviceVariant = id.variant;
    const auto match = LookupDevice(id, false);
    if (match) {
        IdReply += match->suffix;
        // After a replug the panel on show stays while the device is of the
        // family it was.
        if (!m_portLink || !m_portLink->KeepsPanel(match->suffix))
            ClearPanels(match->panel);
    }
    WriteSettings();
    RadioGroupCOMconnect()->SetItem(n - 1, IdReply);
    RadioGroupCOMconnect()->repaint();
    IdReply.clear();
    return match ? TIdOutcome::Known : TIdOutcome::Unknown;
}

void TFormMain::ReopenSelectedPort(TBaudRate rate)
{
    try {
        ComPort.Close();
    } catch (const EComPort&) {
    }
    try {
        ComPort.SetPort(QStringLiteral("Com%1").arg(RadioGroupCOM()->ItemIndex() + 1));
        ComPort.SetBaudRate(rate);
        ComPort.SetFlowControlNone();
        ComPort.Open();
    } catch (const EComPort&) {
    }
}

void TFormMain::ButtonScanClick()
{
    ScanActive = true;
    m_portLink->Forget(TPortLink::TEnd::Scan);
    int found = 0;
    int last = 0;
    try {
        ComPort.Close();
    } catch (const EComPort&) {
    }
    TRadioGroup* connectList = RadioGroupCOMconnect();
    for (int n = 1; n <= 24; ++n) {
        connectList->SetItem(n - 1, QStringLiteral("COM%1").arg(n));
        connectList->SetItemIndex(n - 1);
        connectList->repaint();
        try {
            ComPort.SetPort(QStringLiteral("Com%1").arg(n));
            ComPort.Close();
        } catch (const EComPort&) {
        }
        try {
            ComPort.SetBaudRate(BaudRateFromName(QStringLiteral("9600")));
            ComPort.SetFlowControlNone();
            ComPort.Open();
            ComPort.ClearBuffer(true, true);
        } catch (const EComPort&) {
        }
        notePortOutcome(n);
        IdReply.clear();
        // A port that could not be opened cannot answer: no wait for it.
        if (ComPort.Connected()) {
            writeIdRequest();
            WaitForIdReply();
        }
        const TDeviceId id = ReadDeviceId(IdReply, true);
        DeviceFamily = id.family;
        DeviceVariant = id.variant;
        if (const auto match = LookupDevice(id, true)) {
            IdReply += match->suffix;
            ++found;
            last = n;
        }
        connectList->SetItem(n - 1, IdReply);
        connectList->repaint();
        IdReply.clear();
        try {
            ComPort.Close();
        } catch (const EComPort&) {
        }
    }
    ScanActive = false;
    refreshPortHints();
    if (found == 1)
        RadioGroupCOM()->SetItemIndex(last - 1);
}
