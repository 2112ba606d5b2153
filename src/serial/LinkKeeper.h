#pragma once

#include "serial/PortWatcher.h"

// Decides what becomes of the chosen port when its device goes and comes
// back: the port was open on an entry (linked); its device went (waiting);
// a device at that entry again is the same adapter (reopen) or another one
// (the wait ends). A reopen that fails while the device is there is tried
// again, quickly at first, then at a slower pace. Holds no port and shows
// nothing: the window does what a step says.
class TLinkKeeper {
public:
    enum class Step {
        None,
        Gone,          // the device went: say so once, keep the files, wait
        Reopen,        // it is back: open the port again
        OtherAdapter,  // another adapter came at the entry: the wait ends
    };
    enum class State { Idle, Linked, Waiting };
    // Whether the device at the entry now is the adapter that was there.
    enum class Match { Same, Other, NotYet };

    // How often a failed reopen is tried again: at the quick pace for the
    // first kQuickTries, then at the slow pace.
    static constexpr int kQuickRetryMs = 250;
    static constexpr int kQuickTries = 8;
    static constexpr int kSlowRetryMs = 2000;

    // The port was opened on entry n (1..24) with this device behind it;
    // opening: the port's count of opens (TComPort::Opening) then. identify:
    // identify the device again after a reopen; family: the device table's
    // name of what it answered (empty: nothing known).
    void Linked(int n, const TPortPresence& device, int opening, bool identify, const QString& family);
    // The port was chosen anew, closed or given up: nothing is kept.
    void Forget();

    // The port says the descriptor of its open number `opening` lost its
    // device; current: the port's open number now. News of a descriptor
    // that is no longer the port's changes nothing.
    Step Lost(int opening, int current);
    // What the watcher sees at the entry now. After Gone, ask again with the
    // same look: a device that was replaced at once is back already.
    Step Seen(const TPortPresence& now);
    // The time for another try of a failed reopen has come (see RetryInMs).
    Step Retry(const TPortPresence& now);
    // Outcome of the reopen that Seen or Retry asked for; opening: the
    // port's open number after it.
    void Reopened(bool ok, const TPortPresence& now, int opening);
    // The identification after a reopen answered family (empty: unknown).
    void Identified(const QString& family);
    // After OtherAdapter, Entry and Device still name the wait that ended,
    // until Linked or Forget.

    State Current() const { return m_state; }
    bool Waiting() const { return m_state == State::Waiting; }
    int Entry() const { return m_entry; }
    bool Identify() const { return m_identify; }
    const QString& Family() const { return m_family; }
    const TPortPresence& Device() const { return m_device; }
    int Opening() const { return m_opening; }
    // Failed reopens since the device was last seen at the entry.
    int Failures() const { return m_failures; }
    // When a failed reopen is to be tried again; -1: not (nothing failed,
    // or the device is not there).
    int RetryInMs() const;

    // After the identification that follows a reopen answered family: the
    // panel on show stays where the device is of the family it was.
    bool KeepsPanel(const QString& family) const { return !m_family.isEmpty() && family == m_family; }

    // Whether now is the adapter that was: told by what the kernel says of
    // it (USB vendor, product and serial number) and by its stable by-id
    // name, so that a by-id link that udev has not yet removed does not pass
    // another adapter for the one awaited.
    static Match Compare(const TPortPresence& was, const TPortPresence& now);

private:
    Step consider(const TPortPresence& now, bool retry);

    State m_state = State::Idle;
    int m_entry = 0;
    bool m_identify = false;
    QString m_family;
    int m_opening = 0;
    int m_failures = 0;
    TPortPresence m_device;     // what was behind the entry while it was open
    TPortPresence m_lastTried;  // a reopen of exactly this failed
};
