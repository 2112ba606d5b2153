#include "serial/PortLink.h"

#include "app/IniFile.h"
#include "app/UnitMain.h"
#include "firmware/UnitFlashen.h"
#include "firmware/UnitFlashenCSD.h"
#include "serial/PortDiagnostics.h"
#include "widgets/RadioGroup.h"

#include <QDir>
#include <QLabel>
#include <QMenu>

namespace {

const QString kPorts = QStringLiteral("Ports");

// How often a held look is tried again while a selection, scan or firmware
// update runs.
constexpr int kLaterMs = 250;

}  // namespace

bool DeviceAwaited(const TFormMain& main) { return main.PortLink() && main.PortLink()->Waiting(); }

TPortLink::TPortLink(TFormMain& main)
    : QObject(&main), m_main(main), m_watcher([this](int n) { return devicePath(n); }, this)
{
    m_later.setSingleShot(true);
    m_later.setInterval(kLaterMs);
    connect(&m_later, &QTimer::timeout, this, &TPortLink::evaluate);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        m_keeper.TryAgain();
        evaluate();
    });
    connect(&m_watcher, &TPortWatcher::Changed, this, &TPortLink::watcherChanged);
    // Queued: the port tells from inside a write or a wait.
    connect(&main.ComPort, &TComPort::DeviceGone, this, &TPortLink::deviceGone, Qt::QueuedConnection);
    connect(main.RadioGroupCOM(), &TRadioGroup::ItemMenuRequested, this, [this](int index, const QPoint& at) {
        QMenu menu(m_main.RadioGroupCOM());
        FillMenu(menu, index + 1);
        if (!menu.isEmpty())
            menu.exec(at);
    });
}

QString TPortLink::portName(int n) const { return QStringLiteral("Com%1").arg(n); }

QString TPortLink::devicePath(int n) const { return m_main.ComPort.DevicePathFor(portName(n)); }

void TPortLink::NoteTrouble(int n, const QString& why)
{
    if (why.isEmpty())
        m_trouble.remove(n);
    else
        m_trouble.insert(n, why);
}

void TPortLink::ShowPorts()
{
    TRadioGroup* list = m_main.RadioGroupCOM();
    for (int i = 0; i < list->Count(); ++i) {
        const TPortPresence& p = m_watcher.Presence(i + 1);
        list->SetItemPresent(i, entryPresent(i + 1, p));
        list->SetItemHint(i, m_trouble.value(i + 1, entryHint(i + 1, p)));
    }
}

void TPortLink::LookAgain()
{
    m_watcher.Refresh();
    ShowPorts();
}

void TPortLink::Forget()
{
    m_keeper.Forget();
    m_lostPending = false;
    retryLater(0);
}

void TPortLink::Selected(int n, bool identified)
{
    if (m_main.ComPort.Connected())
        m_keeper.Linked(n, LookAtPort(devicePath(n), m_watcher.Folders()), identified);
    else
        Forget();
}

void TPortLink::SendFailed()
{
    if (m_main.ComPort.DeviceLost())
        deviceGone();
}

void TPortLink::SendHeld()
{
    m_main.Print(tr("%1: not sent, the port waits for its device").arg(portName(m_keeper.Entry())));
}

bool TPortLink::busy() const
{
    auto shown = [](const QWidget* w) { return w && w->isVisible(); };
    return m_acting || m_main.ScanActive || shown(m_main.FormFlashen) || shown(m_main.FormFlashenCSD);
}

void TPortLink::watcherChanged()
{
    ShowPorts();
    evaluate();
}

void TPortLink::deviceGone()
{
    if (m_keeper.Current() != TLinkKeeper::State::Linked)
        return;
    m_lostPending = true;
    evaluate();
}

void TPortLink::evaluate()
{
    if (m_keeper.Current() == TLinkKeeper::State::Idle) {
        m_lostPending = false;
        return;
    }
    if (busy()) {
        m_later.start();
        return;
    }
    if (m_lostPending) {
        m_lostPending = false;
        act(m_keeper.Lost(), TPortPresence());
    }
    if (m_keeper.Current() == TLinkKeeper::State::Idle)
        return;
    const TPortPresence now = LookAtPort(devicePath(m_keeper.Entry()), m_watcher.Folders());
    act(m_keeper.Seen(now), now);
}

void TPortLink::act(TLinkKeeper::Step step, const TPortPresence& now)
{
    switch (step) {
    case TLinkKeeper::Step::None:
        return;
    case TLinkKeeper::Step::Gone:
        gone();
        // A device replaced at once is back already.
        if (now.Present())
            act(m_keeper.Seen(now), now);
        return;
    case TLinkKeeper::Step::Reopen:
        reopen(now);
        return;
    case TLinkKeeper::Step::OtherAdapter:
        otherAdapter(now);
        return;
    }
}

void TPortLink::gone()
{
    const int n = m_keeper.Entry();
    // What was queued for the device cannot reach it any more; the capture
    // files stay open with what they have.
    try {
        m_main.ComPort.Close();
    } catch (const EComPort&) {
    }
    const QString device = m_keeper.Device().device;
    m_main.Print(tr("%1: device gone (%2), waiting for it to come back").arg(portName(n), device));
    m_main.SetStatusText(1, tr("%1 = device gone, waiting").arg(portName(n)));
    if (QLabel* status = m_main.StatusPanel(1))
        status->setToolTip(tr("%1: the device went away; the port opens again when it is back").arg(device));
}

void TPortLink::reopen(const TPortPresence& now)
{
    const int n = m_keeper.Entry();
    TComPort& port = m_main.ComPort;
    const TBaudRate rate = port.BaudRate();
    try {
        port.Close();
    } catch (const EComPort&) {
    }
    try {
        port.SetPort(portName(n));
        port.SetBaudRate(rate);
        port.SetFlowControlNone();
        port.Open();
    } catch (const EComPort&) {
    }
    const bool ok = port.Connected();
    m_keeper.Reopened(ok, now);
    retryLater(ok ? 0 : n);
    if (!ok) {
        const QString why = PortProblemText(now.device, DiagnosePort(now.device, port.LastOpenError()));
        m_main.Print(tr("%1: device back, but the port does not open").arg(portName(n))
                     + (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
        return;
    }
    NoteTrouble(n, QString());
    ShowPorts();
    m_main.Print(tr("%1: device back, port open again at %2 bit/s").arg(portName(n), BaudRateName(rate)));
    m_main.SetStatusText(1, TFormMain::tr("%1 = connected").arg(port.Port()));
    if (QLabel* status = m_main.StatusPanel(1))
        status->setToolTip(QString());
    emit Reopened(n);
    if (!m_keeper.Identified())
        return;
    // Identified as a selection does it; the timed jobs may send meanwhile.
    m_acting = true;
    const TFormMain::TIdOutcome outcome = m_main.IdentifyDevice(n);
    m_acting = false;
    if (outcome == TFormMain::TIdOutcome::NotWritten)
        deviceGone();
    else if (m_lostPending)
        evaluate();  // it went again during the identification
}

void TPortLink::otherAdapter(const TPortPresence& now)
{
    m_main.Print(tr("%1: another adapter is there now (%2); no longer waiting for %3")
                     .arg(portName(m_keeper.Entry()), now.id.byId, m_keeper.Device().id.byId));
    m_keeper.Forget();
    m_main.SetStatusText(1, TFormMain::tr("disconnected"));
    m_main.RadioGroupCOMconnect()->SetItemIndex(-1);
    m_main.RadioGroupCOM()->SetItemIndex(-1);
}

void TPortLink::FillMenu(QMenu& menu, int n)
{
    const QString pinned = TIniFile(m_main.SettingsFile).ReadString(kPorts, portName(n), QString());
    const QString own = m_watcher.Presence(n).id.byId;
    const QString folder = m_watcher.Folders().byId;
    if (!own.isEmpty() && pinned != folder + u'/' + own)
        menu.addAction(tr("pin this adapter to %1").arg(portName(n)), this, [this, n, own] { pin(n, own); });
    // Every other adapter with a stable name, once.
    QStringList others;
    for (int m = 1; m <= TPortWatcher::kEntries; ++m) {
        const QString byId = m_watcher.Presence(m).id.byId;
        if (!byId.isEmpty() && byId != own && !others.contains(byId))
            others << byId;
    }
    if (!others.isEmpty()) {
        QMenu* sub = menu.addMenu(tr("pin another adapter to %1").arg(portName(n)));
        for (const QString& byId : others)
            sub->addAction(byId, this, [this, n, byId] { pin(n, byId); });
    }
    menu.addAction(tr("Netzwerkport an %1 binden ...").arg(portName(n)), this,
                   [this, n, pinned] { pinNetwork(n, pinned); });
    if (!pinned.isEmpty())
        menu.addAction(tr("unpin %1 (%2)").arg(portName(n), pinned), this, [this, n] { unpin(n); });
}

void TPortLink::pin(int n, const QString& byId) { store(n, m_watcher.Folders().byId + u'/' + byId); }

void TPortLink::store(int n, const QString& value)
{
    if (!TIniFile(m_main.SettingsFile).WriteString(kPorts, portName(n), value))
        m_main.Print(tr("%1: cannot write the settings file").arg(m_main.SettingsFile));
    LookAgain();
}

void TPortLink::unpin(int n)
{
    if (!TIniFile(m_main.SettingsFile).DeleteKey(kPorts, portName(n)))
        m_main.Print(tr("%1: cannot write the settings file").arg(m_main.SettingsFile));
    LookAgain();
}
