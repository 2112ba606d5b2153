#include "serial/LinkKeeper.h"

void TLinkKeeper::Linked(int n, const TPortPresence& device, bool identified)
{
    m_state = State::Linked;
    m_entry = n;
    m_identified = identified;
    m_device = device;
    m_lastTried = TPortPresence();
}

void TLinkKeeper::Forget()
{
    m_state = State::Idle;
    m_entry = 0;
    m_identified = false;
    m_device = TPortPresence();
    m_lastTried = TPortPresence();
}

TLinkKeeper::Step TLinkKeeper::Lost()
{
    if (m_state != State::Linked)
        return Step::None;
    m_state = State::Waiting;
    m_lastTried = TPortPresence();
    return Step::Gone;
}

TLinkKeeper::Step TLinkKeeper::Seen(const TPortPresence& now)
{
    switch (m_state) {
    case State::Idle:
        return Step::None;
    case State::Linked:
        // Gone, or another device file behind the entry than the one open.
        if (!now.Present() || now.target != m_device.target)
            return Lost();
        return Step::None;
    case State::Waiting:
        break;
    }
    if (!now.Present()) {
        m_lastTried = TPortPresence();
        return Step::None;
    }
    const QString& was = m_device.id.byId;
    if (!was.isEmpty()) {
        // The adapter had a stable name: only that name brings the port back.
        // Without a name yet, udev has not made its links: wait for them.
        if (now.id.byId.isEmpty())
            return Step::None;
        if (now.id.byId != was) {
            Forget();
            return Step::OtherAdapter;
        }
    }
    // A look that changed nothing since a failed reopen does not try again.
    if (now == m_lastTried)
        return Step::None;
    return Step::Reopen;
}

void TLinkKeeper::Reopened(bool ok, const TPortPresence& now)
{
    if (m_state != State::Waiting)
        return;
    if (ok) {
        m_state = State::Linked;
        m_device = now;
        m_lastTried = TPortPresence();
    } else {
        m_lastTried = now;
    }
}
