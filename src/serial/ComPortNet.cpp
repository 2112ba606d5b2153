// The network side of TComPort: a "Ports" entry rfc2217://HOST:PORT or
// socket://HOST:PORT opens a connection to a device server instead of a tty.
#include "serial/ComPort.h"
#include "serial/NetPort.h"
#include "serial/Rfc2217.h"

#include <QCoreApplication>
#include <QTimer>

#include <cerrno>

namespace {

// How long a closed connection is kept for a reopen of the same address
// (the firmware update closes and reopens the port to change its rate).
constexpr int kParkMs = 2000;

}  // namespace

bool TComPort::IsNetwork() const { return m_net || LooksLikeNetAddress(DevicePathFor(m_port)); }

bool TComPort::CanChangeRate() const
{
    if (m_net)
        return m_net->Telnet();
    const QString device = DevicePathFor(m_port);
    return !LooksLikeNetAddress(device) || ParseNetAddress(device).kind != TNetAddress::Kind::Socket;
}

QString TComPort::FixedRateText(TBaudRate start, bool to115200) const
{
    // The start rate is taken to be the server's; only a switch cannot run.
    if (CanChangeRate() || !to115200 || start == TBaudRate::br115200)
        return QString();
    const QString device = m_net ? m_net->Address().Text() : DevicePathFor(m_port).trimmed();
    const QString port = device == m_port ? device : QStringLiteral("%1 (%2)").arg(m_port, device);
    return QCoreApplication::translate("ComPort",
                                       "%1 kann seine Übertragungsrate nicht ändern: über socket:// gelten die "
                                       "Einstellungen des Geräteservers. Für diesen Vorgang braucht es %2 bit/s; "
                                       "am Geräteserver RFC 2217 einschalten und rfc2217:// eintragen.")
        .arg(port, BaudRateName(TBaudRate::br115200));
}

void TComPort::openNet(const QString& address)
{
    m_openError = 0;
    const TNetAddress a = ParseNetAddress(address);
    if (!a.Valid()) {
        m_openError = int(TNetProblem::BadAddress);
        throw EComPort(TComError::OpenFailed, EINVAL);
    }
    // Connecting handles events: a timer that opens this port meanwhile
    // finds it busy.
    if (m_netOpening)
        throw EComPort(TComError::OpenFailed, EBUSY);
    std::unique_ptr<TNetPort> net;
    if (m_parked && !m_parked->Lost() && m_parked->Address().Text() == a.Text()) {
        net = std::move(m_parked);
    } else {
        // A device server often takes one connection at a time.
        if (m_parked)
            m_parked->Disconnect(WriteLimitMs(0));
        m_parked.reset();
        net = std::make_unique<TNetPort>();
        m_netOpening = true;
        const bool ok = net->Connect(a);
        m_netOpening = false;
        if (!ok) {
            m_openError = int(net->Problem());
            throw EComPort(TComError::OpenFailed, net->Problem() == TNetProblem::Refused ? ECONNREFUSED : 0);
        }
    }
    connect(net.get(), &TNetPort::DataArrived, this, &TComPort::postAnnouncement);
    connect(net.get(), &TNetPort::Gone, this, [this] {
        if (m_connected && !m_deviceLost) {
            m_deviceLost = true;
            emit DeviceGone(m_opening);
        }
    });
    m_net = std::move(net);
    m_deviceLost = false;
    m_pending = false;
    m_lineConfirmed = true;
    m_dtr = false;
    m_connected = true;
    ++m_opening;
    try {
        m_net->SetLineFormat();
        netRate();
    } catch (const EComPort&) {
        m_openError = int(TNetProblem::Other);
        m_connected = false;
        m_net->Disconnect(0);
        m_net.reset();
        throw;
    }
    if (m_net->Available() > 0)
        postAnnouncement();
}

void TComPort::closeNet()
{
    m_connected = false;
    m_deviceLost = false;
    std::unique_ptr<TNetPort> net = std::move(m_net);
    net->disconnect(this);
    if (net->Lost())
        return;
    // What was received and not read is gone, as on a tty; what arrives
    // from now on waits for a reopen, as in a tty's driver.
    net->Read(net->Available());
    m_parked = std::move(net);
    TNetPort* parked = m_parked.get();
    QTimer::singleShot(kParkMs, parked, [this, parked] {
        if (m_parked.get() != parked)
            return;
        m_parked->Disconnect(WriteLimitMs(m_parked->OutQueue()));
        m_parked.reset();
    });
}

void TComPort::netRate()
{
    // On a raw socket the device server's own settings apply.
    if (!m_net->Telnet())
        return;
    const quint32 want = quint32(BaudRateBits(m_rate));
    const quint32 got = m_net->SetRate(want);
    // No answer: the server did not confirm, the line may still be right.
    if (got != 0 && got != want)
        throw EComPort(TComError::SetStateFailed, EINVAL);
}

void TComPort::netDtr(bool on)
{
    if (!m_connected)
        throw EComPort(TComError::LineControlFailed, 0);
    if (!m_net->Telnet())
        throw EComPort(TComError::LineControlFailed, ENOTSUP);
    // A server that does not answer (ser2net before a pseudo-terminal) may
    // still have set the line; the caller tells the user it is unconfirmed.
    m_lineConfirmed = m_net->SetDtr(on);
    m_dtr = on;
}

void TComPort::netQueue(char byte)
{
    if (!m_connected)
        throw EComPort(TComError::NotOpen, 0);
    if (m_deviceLost || !m_net->Queue(QByteArray(1, byte)))
        throw EComPort(TComError::TransmitFailed, EPIPE);
}
