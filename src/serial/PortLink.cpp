#include "serial/PortLink.h"

#include "app/IniFile.h"
#include "app/UnitMain.h"
#include "firmware/UnitFlashen.h"
#include "firmware/UnitFlashenCSD.h"
#include "serial/DeviceTable.h"
#include "serial/PortDiagnostics.h"
#include "widgets/RadioGroup.h"

#include <QDir>
#include <QLabel>
#include <QMenu>

#include <utility>

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
    connect(&m_retry, &QTimer::timeout, this, &TPortLink::retryDue);
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
        m_trouble.insert(n, TTrouble{LookAtPort(devicePath(n), m_watcher.Folders()), why});
}

void TPortLink::ShowPorts()
{
    TRadioGroup* list = m_main.RadioGroupCOM();
    for (int i = 0; i < list->Count(); ++i) {
        const TPortPresence& p = m_watcher.Presence(i + 1);
        // Why the entry did not open holds for what was there then.
        const auto trouble = m_trouble.constFind(i + 1);
        if (trouble != m_trouble.cend() && trouble->at != p)
            m_trouble.erase(trouble);
        list->SetItemPresent(i, entryPresent(i + 1, p));
        list->SetItemHint(i, m_trouble.contains(i + 1) ? m_trouble.value(i + 1).why : entryHint(i + 1, p));
    }
}

void TPortLink::LookAgain()
{
    m_watcher.Refresh();
    ShowPorts();
}

void TPortLink::forget()
{
    m_keeper.Forget();
    m_lostPending = false;
    m_retryDue = false;
    m_retry.stop();
}

void TPortLink::Forget(TEnd why)
{
    const bool waited = m_keeper.Waiting();
    const int n = m_keeper.Entry();
    forget();
    if (!waited)
        return;
    m_main.Print(why == TEnd::Scan
                     ? tr("%1: Warten auf das Gerät beendet, die Suche beginnt").arg(portName(n))
                     : tr("%1: Warten auf das Gerät beendet, eine andere Schnittstelle ist gewählt").arg(portName(n)));
    m_main.SetStatusText(1, TFormMain::tr("disconnected"));
    if (QLabel* status = m_main.StatusPanel(1))
        status->setToolTip(QString());
}

QString TPortLink::identifiedFamily() const
{
    const auto match = LookupDevice(TDeviceId{m_main.DeviceFamily, m_main.DeviceVariant}, false);
    return match ? match->suffix : QString();
}

void TPortLink::Selected(int n, bool identified)
{
    TComPort& port = m_main.ComPort;
    if (!port.Connected()) {
        forget();
        return;
    }
    // A device that went during the identification is identified once it
    // is back.
    const bool lost = port.DeviceLost();
    m_keeper.Linked(n, LookAtPort(devicePath(n), m_watcher.Folders()), port.Opening(), identified || lost,
                    identified ? identifiedFamily() : QString());
    if (lost)
        deviceGone(port.Opening());
}

void TPortLink::SendFailed()
{
    if (m_main.ComPort.DeviceLost())
        deviceGone(m_main.ComPort.Opening());
}

void TPortLink::SendHeld()
{
    m_main.Print(tr("%1: nicht gesendet, die Schnittstelle wartet auf ihr Gerät").arg(portName(m_keeper.Entry())));
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

void TPortLink::deviceGone(int opening)
{
    // The news of a descriptor that the port has replaced since (a device
    // replaced at once, reopened before the old descriptor's error came)
    // is old news.
    if (m_keeper.Current() != TLinkKeeper::State::Linked || opening != m_main.ComPort.Opening())
        return;
    m_lostPending = true;
    m_lostOpening = opening;
    evaluate();
}

void TPortLink::retryDue()
{
    m_retryDue = true;
    evaluate();
}

void TPortLink::evaluate()
{
    if (m_keeper.Current() == TLinkKeeper::State::Idle) {
        m_lostPending = false;
        m_retryDue = false;
        return;
    }
    if (busy()) {
        m_later.start();
        return;
    }
    if (m_lostPending) {
        m_lostPending = false;
        act(m_keeper.Lost(m_lostOpening, m_main.ComPort.Opening()), TPortPresence());
    }
    if (m_keeper.Current() == TLinkKeeper::State::Idle)
        return;
    const TPortPresence now = LookAtPort(devicePath(m_keeper.Entry()), m_watcher.Folders());
    const bool retry = std::exchange(m_retryDue, false);
    act(retry ? m_keeper.Retry(now) : m_keeper.Seen(now), now);
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
    // files stay open with what they have. The line as it was is set again
    // when the port opens anew.
    m_line = m_main.ComPort.Line();
    try {
        m_main.ComPort.Close();
    } catch (const EComPort&) {
    }
    const QString device = m_keeper.Device().device;
    m_main.Print(tr("%1: Gerät getrennt (%2), warte, bis es wieder da ist").arg(portName(n), device));
    m_main.SetStatusText(1, tr("%1 = Gerät getrennt, warte").arg(portName(n)));
    if (QLabel* status = m_main.StatusPanel(1))
        status->setToolTip(
            tr("%1: das Gerät ist getrennt; die Schnittstelle öffnet wieder, sobald es zurück ist").arg(device));
}

void TPortLink::reopen(const TPortPresence& now)
{
    const int n = m_keeper.Entry();
    TComPort& port = m_main.ComPort;
    m_retry.stop();
    try {
        port.Close();
    } catch (const EComPort&) {
    }
    try {
        port.SetPort(portName(n));
        port.SetBaudRate(m_line.rate);
        port.SetFlowControlNone();
        port.Open();
    } catch (const EComPort&) {
    }
    const bool ok = port.Connected();
    if (ok) {
        try {
            port.RestoreLine(m_line);
        } catch (const EComPort&) {
            // A line without modem control (a pseudo-terminal) keeps DTR low,
            // as it was before.
        }
    }
    m_keeper.Reopened(ok, now, port.Opening());
    if (!ok) {
        reopenFailed(now);
        return;
    }
    NoteTrouble(n, QString());
    ShowPorts();
    m_main.Print(
        tr("%1: Gerät wieder da, Schnittstelle wieder offen mit %2 bit/s").arg(portName(n), BaudRateName(m_line.rate)));
    m_main.SetStatusText(1, TFormMain::tr("%1 = connected").arg(port.Port()));
    if (QLabel* status = m_main.StatusPanel(1))
        status->setToolTip(QString());
    emit Reopened(n);
    if (!m_keeper.Identify())
        return;
    // Identified as a selection does it, but the panel on show stays while
    // the device is of the family it was (the technician may have chosen
    // another panel for it); the timed jobs may send meanwhile.
    m_acting = m_reidentifying = true;
    const TFormMain::TIdOutcome outcome = m_main.IdentifyDevice(n);
    m_acting = m_reidentifying = false;
    if (outcome == TFormMain::TIdOutcome::Known)
        m_keeper.Identified(identifiedFamily());
    if (outcome == TFormMain::TIdOutcome::NotWritten && port.DeviceLost())
        deviceGone(port.Opening());
    else if (m_lostPending)
        // It went again during the identification: taken on once this has
        // returned.
        QMetaObject::invokeMethod(this, &TPortLink::evaluate, Qt::QueuedConnection);
}

void TPortLink::reopenFailed(const TPortPresence& now)
{
    const int n = m_keeper.Entry();
    const QString why = PortProblemText(now.device, DiagnosePort(now.device, m_main.ComPort.LastOpenError()));
    // The tool tips follow the cause; a try that fails as the last one did
    // changes nothing on screen.
    const auto known = m_trouble.constFind(n);
    if (known == m_trouble.cend() || known->why != why) {
        NoteTrouble(n, why);
        ShowPorts();
        if (QLabel* status = m_main.StatusPanel(1))
            status->setToolTip(why);
    }
    // Said once; the tries that follow are silent until one succeeds.
    if (m_keeper.Failures() == 1)
        m_main.Print(tr("%1: Gerät wieder da, aber die Schnittstelle öffnet nicht").arg(portName(n))
                     + (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
    if (const int ms = m_keeper.RetryInMs(); ms >= 0)
        m_retry.start(ms);
}

QString TPortLink::adapterName(const TPortPresence& p)
{
    QStringList parts;
    if (!p.id.byId.isEmpty())
        parts << p.id.byId;
    if (!p.id.serial.isEmpty())
        parts << tr("Seriennummer %1").arg(p.id.serial);
    return parts.isEmpty() ? p.target : parts.join(QStringLiteral(", "));
}

void TPortLink::otherAdapter(const TPortPresence& now)
{
    // The keeper still names the wait that has ended.
    m_main.Print(tr("%1: jetzt ist ein anderer Adapter da (%2); warte nicht mehr auf %3")
                     .arg(portName(m_keeper.Entry()), adapterName(now), adapterName(m_keeper.Device())));
    forget();
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
        menu.addAction(tr("diesen Adapter fest an %1 binden").arg(portName(n)), this, [this, n, own] { pin(n, own); });
    // Every other adapter with a stable name, once.
    QStringList others;
    for (int m = 1; m <= TPortWatcher::kEntries; ++m) {
        const QString byId = m_watcher.Presence(m).id.byId;
        if (!byId.isEmpty() && byId != own && !others.contains(byId))
            others << byId;
    }
    if (!others.isEmpty()) {
        QMenu* sub = menu.addMenu(tr("einen anderen Adapter fest an %1 binden").arg(portName(n)));
        for (const QString& byId : others)
            sub->addAction(byId, this, [this, n, byId] { pin(n, byId); });
    }
    menu.addAction(tr("Netzwerkport an %1 binden ...").arg(portName(n)), this,
                   [this, n, pinned] { pinNetwork(n, pinned); });
    if (!pinned.isEmpty())
        menu.addAction(tr("Bindung von %1 lösen (%2)").arg(portName(n), pinned), this, [this, n] { unpin(n); });
}

void TPortLink::pin(int n, const QString& byId) { store(n, m_watcher.Folders().byId + u'/' + byId); }

void TPortLink::store(int n, const QString& value)
{
    if (!TIniFile(m_main.SettingsFile).WriteString(kPorts, portName(n), value))
        m_main.Print(tr("%1: Einstellungsdatei kann nicht geschrieben werden").arg(m_main.SettingsFile));
    LookAgain();
}

void TPortLink::unpin(int n)
{
    if (!TIniFile(m_main.SettingsFile).DeleteKey(kPorts, portName(n)))
        m_main.Print(tr("%1: Einstellungsdatei kann nicht geschrieben werden").arg(m_main.SettingsFile));
    LookAgain();
}
