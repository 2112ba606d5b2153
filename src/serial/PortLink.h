#pragma once

#include "serial/ComPort.h"
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
// device goes (unplugged, or its line hung up), says so once and waits: the
// capture files stay open, the timed jobs hold their sends, and when the same
// adapter is back the port opens again with the line as it was (trying again
// while it does not open yet), the device is identified again where it was
// before (the panel on show stays for the same family), and the jobs go on.
class TPortLink : public QObject {
    Q_OBJECT
public:
    explicit TPortLink(TFormMain& main);

    TPortWatcher& Watcher() { return m_watcher; }
    const TLinkKeeper& Keeper() const { return m_keeper; }
    // The chosen port's device is gone and awaited: sends are held.
    bool Waiting() const { return m_keeper.Waiting(); }

    // Why entry n (1..24) did not open at the last try; empty: it did. The
    // reason holds until another device is at the entry.
    void NoteTrouble(int n, const QString& why);
    // Presence and tool tip of every entry of the port list.
    void ShowPorts();
    // Looks at every entry now, then shows them.
    void LookAgain();

    // What ends a wait for the chosen port's device besides the device.
    enum class TEnd { Selection, Scan };
    // A port selection or scan starts: the chosen port is no longer kept; a
    // wait for its device ends, which the log and the status bar say.
    void Forget(TEnd why = TEnd::Selection);
    // The selection has opened entry n; identified: the device answered
    // with a known identification.
    void Selected(int n, bool identified);
    // A send did not get through: the device may be gone.
    void SendFailed();
    // A send was not made because the device is awaited; says so in the log.
    void SendHeld();

    // During the identification after a reopen: whether an answer of this
    // family (its device table suffix) leaves the panel on show.
    bool KeepsPanel(const QString& family) const { return m_reidentifying && m_keeper.KeepsPanel(family); }

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
    void deviceGone(int opening);
    void forget();
    void retryDue();
    // Takes what the port and the watcher tell as far as it can now; later
    // when a selection, scan or firmware update is running.
    void evaluate();
    void act(TLinkKeeper::Step step, const TPortPresence& now);
    void gone();
    void reopen(const TPortPresence& now);
    void reopenFailed(const TPortPresence& now);
    void otherAdapter(const TPortPresence& now);
    // The adapter by its by-id name and the serial number the kernel tells.
    static QString adapterName(const TPortPresence& p);
    // The device table's name of the family the last identification found;
    // empty when it found none.
    QString identifiedFamily() const;
    void pin(int n, const QString& byId);
    void unpin(int n);
    // Network entries (PortLinkNet.cpp): the tool tip and whether the entry
    // shows as present, and pinning an address to an entry.
    QString entryHint(int n, const TPortPresence& p) const;
    bool entryPresent(int n, const TPortPresence& p) const;
    void pinNetwork(int n, const QString& current);
    void store(int n, const QString& value);

    TFormMain& m_main;
    TPortWatcher m_watcher;
    TLinkKeeper m_keeper;
    // Why an entry did not open, and what was behind it then: a device that
    // comes there since is named instead.
    struct TTrouble {
        TPortPresence at;
        QString why;
    };
    QHash<int, TTrouble> m_trouble;
    bool m_lostPending = false;
    int m_lostOpening = 0;  // the port's open number that lost its device
    bool m_retryDue = false;
    // The line of the port as it was when its device went.
    TLineState m_line;
    bool m_acting = false;
    bool m_reidentifying = false;
    // Looks again once a running selection, scan or update has ended.
    QTimer m_later;
    // Tries a failed reopen again.
    QTimer m_retry;
};
