#pragma once

#include "serial/PortWatcher.h"

// Decides what becomes of the chosen port when its device goes and comes
// back: the port was open on an entry (linked); its device went (waiting);
// a device at that entry again is the same adapter (reopen) or another one
// (the wait ends). Holds no port and shows nothing: the window does what a
// step says.
class TLinkKeeper {
public:
    enum class Step {
        None,
        Gone,          // the device went: say so once, keep the files, wait
        Reopen,        // it is back: open the port again
        OtherAdapter,  // another adapter came at the entry: the wait ends
    };
    enum class State { Idle, Linked, Waiting };

    // The port was opened on entry n (1..24) with this device behind it;
    // identified: the device answered the identification then.
    void Linked(int n, const TPortPresence& device, bool identified);
    // The port was chosen anew, closed or given up: nothing is kept.
    void Forget();

    // The port says its device is gone.
    Step Lost();
    // What the watcher sees at the entry now. After Gone, ask again with the
    // same look: a device that was replaced at once is back already.
    Step Seen(const TPortPresence& now);
    // Outcome of the reopen that Seen asked for.
    void Reopened(bool ok, const TPortPresence& now);
    // A retry is due (a network port): the next look may reopen although
    // nothing changed since the last failed try.
    void TryAgain() { m_lastTried = TPortPresence(); }

    State Current() const { return m_state; }
    bool Waiting() const { return m_state == State::Waiting; }
    int Entry() const { return m_entry; }
    bool Identified() const { return m_identified; }
    const TPortPresence& Device() const { return m_device; }

private:
    State m_state = State::Idle;
    int m_entry = 0;
    bool m_identified = false;
    TPortPresence m_device;     // what was behind the entry while it was open
    TPortPresence m_lastTried;  // a reopen of exactly this failed
};
