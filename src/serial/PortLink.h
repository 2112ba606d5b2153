#pragma once

#include "serial/LinkKeeper.h"
#include "serial/PortWatcher.h"

#include <QHash>
#include <QObject>
#include <QTimer>

class QMenu;
class TFormMain;

// Whether the window's chosen port waits for its device: the timed jobs
// hold a due send until it is back.
bool DeviceAwaited(const TFormMain& main);

// The port list as the hardware has it, and the chosen port kept through a
// replug. Shows in the list which entries have a device behind them and
// which, offers to pin an adapter to an entry, and when the chosen port's
// device goes, says so once and waits: the capture files stay open, the
// timed jobs hold their sends, and when the same adapter is back the port
// opens again at the rate in use, the device is identified again where it
// was before, and the jobs go on.
class TPortLink : public QObject {
    Q_OBJECT
public:
    explicit TPortLink(TFormMain& main);

    TPortWatcher& Watcher() { return m_watcher; }
    const TLinkKeeper& Keeper() const { return m_keeper; }
    // The chosen port's device is gone and awaited: sends are held.
    bool Waiting() const { return m_keeper.Waiting(); }

    // Why entry n (1..24) did not open at the last try; empty: it did.
    void NoteTrouble(int n, const QString& why);
    // Presence and tool tip of every entry of the port list.
    void ShowPorts();
    // Looks at every entry now, then shows them.
    void LookAgain();

    // A port selection or scan starts: the chosen port is no longer kept.
    void Forget();
    // The selection has opened entry n; identified: the device answered
    // with a known identification.
    void Selected(int n, bool identified);
    // A send did not get through: the device may be gone.
    void SendFailed();
    // A send was not made because the device is awaited; says so in the log.
    void SendHeld();

    // The context menu of entry n: pin an adapter to it, unpin it.
    void FillMenu(QMenu& menu, int n);

signals:
    // The port is open again after a gap (before the identification).
    void Reopened(int n);

private:
    QString portName(int n) const;
    QString devicePath(int n) const;
    bool busy() const;
    void watcherChanged();
    void deviceGone();
    // Takes what the port and the watcher tell as far as it can now; later
    // when a selection, scan or firmware update is running.
    void evaluate();
    void act(TLinkKeeper::Step step, const TPortPresence& now);
    void gone();
    void reopen(const TPortPresence& now);
    void otherAdapter(const TPortPresence& now);
    void pin(int n, const QString& byId);
    void unpin(int n);
    // Network entries (PortLinkNet.cpp): the tool tip and whether the entry
    // shows as present, and pinning an address to an entry.
    QString entryHint(int n, const TPortPresence& p) const;
    bool entryPresent(int n, const TPortPresence& p) const;
    void pinNetwork(int n, const QString& current);
    void store(int n, const QString& value);
    // A reopen of entry n failed: a network entry is tried again after a
    // pause that grows with each failure (nothing tells when it is back).
    void retryLater(int n);

    TFormMain& m_main;
    TPortWatcher m_watcher;
    TLinkKeeper m_keeper;
    QHash<int, QString> m_trouble;
    bool m_lostPending = false;
    bool m_acting = false;
    // Looks again once a running selection, scan or update has ended.
    QTimer m_later;
    QTimer m_retry;
    int m_retryMs = 0;
};
