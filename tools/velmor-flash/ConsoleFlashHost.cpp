#include "ConsoleFlashHost.h"

#include "FlashTrack.h"
#include "ProgressBar.h"
#include "app/PumpedWait.h"

#include <cerrno>

namespace {

const QString kStartCommand = QStringLiteral("{+}fwupdate\r");
// Longest stretch a wait for the device goes without looking at the track,
// so that a cut ends it soon.
constexpr int kCutLookMs = 100;

}  // namespace

TConsoleFlashHost::TConsoleFlashHost(TComPort& port, std::FILE* status, TProgressBar* bar, TFlashTrack* track)
    : m_port(port), m_statusOut(status), m_bar(bar), m_track(track)
{
    m_clock.start();
}

bool TConsoleFlashHost::stopped()
{
    if (!m_cut && m_track && m_track->cut)
        m_cut = true;
    return m_cut || m_portError;
}

void TConsoleFlashHost::takeReceived()
{
    const int count = m_port.InQueue();
    if (count <= 0)
        return;
    QString text;
    m_port.ReadStr(text, count);
    for (const QChar c : text)
        if (c.unicode() >= 32)
            m_lastRx = c;
}

void TConsoleFlashHost::WriteStart(bool)
{
    // Framed through the send operation or written as is, the bytes are the
    // same; a console keeps no message log.
    m_port.WriteStr(kStartCommand);
}

QString TConsoleFlashHost::CurrentRateName() { return BaudRateName(m_port.BaudRate()); }

void TConsoleFlashHost::reopen(const char* rateName)
{
    m_port.Close();
    m_port.SetBaudRate(BaudRateFromName(QLatin1String(rateName)));
    m_port.SetFlowControlNone();
    m_port.Open();
}

void TConsoleFlashHost::SwitchTo115200()
{
    // Closing the port discards what it has not sent yet: give the start
    // command the time it needs on the line at the present rate.
    const int bits = BaudRateBits(m_port.BaudRate());
    PumpedWait(int(kStartCommand.size()) * 10 * 1000 / bits + 10);
    try {
        reopen("115200");
    } catch (const EComPort& e) {
        // Nothing can answer on a port that is gone: no point in waiting
        // for the start character.
        m_portError = e;
    }
}

void TConsoleFlashHost::ReturnTo9600()
{
    try {
        reopen("9600");
    } catch (const EComPort&) {
    }
}

void TConsoleFlashHost::SendByte(int counter, quint8 byte)
{
    if (!m_notice.isEmpty())
        showNotice();
    if (stopped())
        return;
    // The first checksum ends the header; a block that starts before the
    // end of what was sent, right after a checksum, goes out again.
    if (counter == ChecksumCounter) {
        m_afterChecksum = m_headerSent;
        m_headerSent = true;
    } else if (m_headerSent) {
        if (m_afterChecksum && counter < m_dataEnd) {
            ++m_repeats;
            if (m_track)
                m_track->repeats = m_repeats;
        }
        m_afterChecksum = false;
        m_dataEnd = qMax(m_dataEnd, counter + 1);
    }
    try {
        m_port.TransmitChar(byte);
    } catch (const EComPort& e) {
        m_portError = e;
    }
}

void TConsoleFlashHost::WaitWhile(int limitMs, const std::function<bool()>& cond)
{
    if (stopped())
        return;
    // Reads the port directly: no event loop between the device's answer
    // and the next block.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        takeReceived();
        if (!cond() || stopped())
            return;
        const qint64 left = limitMs - clock.elapsed();
        if (left <= 0)
            return;
        // False before the time is up: the port is gone. A hang-up is not
        // always reported by the wait; it is kept as the line's failure,
        // since no byte may follow to report it.
        const int look = int(qMin<qint64>(left, kCutLookMs));
        QElapsedTimer lookClock;
        lookClock.start();
        if (m_port.WaitForData(look))
            continue;
        if (m_port.DeviceLost()) {
            m_portError = EComPort(TComError::ReadFailed, EIO);
            return;
        }
        if (lookClock.elapsed() < look)
            return;
    }
}

void TConsoleFlashHost::SetStatus(const QString& text)
{
    m_status = text;
    // A notice is shown once the transfer goes on after it; one that the
    // next status replaces at once (the outcome) is never seen.
    m_notice = text == QLatin1String("in progress") ? QString() : text;
}

void TConsoleFlashHost::showNotice()
{
    if (m_bar)
        m_bar->Break();
    if (m_statusOut) {
        std::fprintf(m_statusOut, "%s\n", m_notice.toUtf8().constData());
        std::fflush(m_statusOut);
    }
    if (m_track)
        m_track->AddNotice(m_notice);
    m_notice.clear();
}

void TConsoleFlashHost::SetProgressMax(int max)
{
    m_total = max;
    if (m_track)
        m_track->total = max;
    if (m_bar)
        m_bar->Start(max);
}

void TConsoleFlashHost::SetProgress(int value)
{
    m_sent = value;
    if (m_track)
        m_track->sent = value;
    if (m_bar)
        m_bar->Update(value);
}

void TConsoleFlashHost::EndProgress()
{
    if (m_bar)
        m_bar->Break();
}
