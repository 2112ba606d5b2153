#include "serial/LinkKeeper.h"

void TLinkKeeper::Linked(int n, const TPortPresence& device, int opening, bool identify, const QString& family)
{
    m_state = State::Linked;
    m_entry = n;
    m_identify = identify;
    m_family = family;
    m_opening = opening;
    m_device = device;
    m_failures = 0;
    m_lastTried = TPortPresence();
}

void TLinkKeeper::Forget() { *this = TLinkKeeper(); }

TLinkKeeper::Step TLinkKeeper::Lost(int opening, int current)
{
    if (m_state != State::Linked || opening != current)
        return Step::None;
    m_state = State::Waiting;
    m_failures = 0;
    m_lastTried = TPortPresence();
    return Step::Gone;
}

TLinkKeeper::Match TLinkKeeper::Compare(const TPortPresence& was, const TPortPresence& now)
{
    const TPortIdentity& a = was.id;
    const TPortIdentity& b = now.id;
    if (!a.vendorId.isEmpty()) {
        // The kernel knows the USB device at once; a USB adapter that came
        // back has no USB device yet only while the kernel is still at it.
        if (b.vendorId.isEmpty())
            return Match::NotYet;
        if (a.vendorId != b.vendorId || a.productId != b.productId || a.serial != b.serial)
            return Match::Other;
    }
    if (!a.byId.isEmpty()) {
        // Without a name yet, udev has not made its links: wait for them.
        if (b.byId.isEmpty())
            return Match::NotYet;
        if (a.byId != b.byId)
            return Match::Other;
    }
    return Match::Same;
}

TLinkKeeper::Step TLinkKeeper::consider(const TPortPresence& now, bool retry)
{
    switch (m_state) {
    case State::Idle:
        return Step::None;
    case State::Linked:
        // Gone, or another device file behind the entry than the one open.
        if (!now.Present() || now.target != m_device.target)
            return Lost(m_opening, m_opening);
        return Step::None;
    case State::Waiting:
        break;
    }
    if (!now.Present()) {
        m_failures = 0;
        m_lastTried = TPortPresence();
        return Step::None;
    }
    switch (Compare(m_device, now)) {
    case Match::NotYet:
        return Step::None;
    case Match::Other:
        m_state = State::Idle;
        return Step::OtherAdapter;
    case Match::Same:
        break;
    }
    // A look that changed nothing since a failed reopen waits for the time
    // of the next try.
    if (!retry && m_failures > 0 && now == m_lastTried)
        return Step::None;
    return Step::Reopen;
}

TLinkKeeper::Step TLinkKeeper::Seen(const TPortPresence& now) { return consider(now, false); }

TLinkKeeper::Step TLinkKeeper::Retry(const TPortPresence& now)
{
    if (m_state != State::Waiting || m_failures == 0)
        return Step::None;
    return consider(now, true);
}

void TLinkKeeper::Reopened(bool ok, const TPortPresence& now, int opening)
{
    if (m_state != State::Waiting)
        return;
    if (ok) {
        m_state = State::Linked;
        m_device = now;
        m_opening = opening;
        m_failures = 0;
        m_lastTried = TPortPresence();
    } else {
        ++m_failures;
        m_lastTried = now;
    }
}

void TLinkKeeper::Identified(const QString& family)
{
    if (!family.isEmpty())
        m_family = family;
}

int TLinkKeeper::RetryInMs() const
{
    if (m_state != State::Waiting || m_failures == 0)
        return -1;
    return m_failures <= kQuickTries ? kQuickRetryMs : kSlowRetryMs;
}
