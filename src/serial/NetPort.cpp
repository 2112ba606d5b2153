#include "serial/NetPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

namespace {

// How long the server may take to agree to the COM-PORT-OPTION once the
// connection stands (its answer follows the greeting within a round trip).
constexpr int kAgreeMs = 2000;
// Answers of the server nobody waits for (modem state notices and the like)
// are kept only this many.
constexpr qsizetype kKeptReplies = 16;

}  // namespace

TNetPort::TNetPort(QObject* parent) : QObject(parent), m_socket(new QTcpSocket(this))
{
    connect(m_socket, &QTcpSocket::readyRead, this, &TNetPort::readSocket);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        if (m_open && !m_lost) {
            m_lost = true;
            emit Gone();
        }
    });
}

TNetPort::~TNetPort() { m_socket->abort(); }

bool TNetPort::Connect(const TNetAddress& address, int limitMs)
{
    m_address = address;
    m_problem = TNetProblem::None;
    m_open = m_lost = false;
    m_data.clear();
    m_replies.clear();
    m_codec = TTelnetCodec();
    if (!address.Valid()) {
        m_problem = TNetProblem::BadAddress;
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    bool connected = false;
    {
        // The window goes on painting and its timers run; what the user
        // clicks meanwhile waits until the connection is decided.
        QEventLoop loop;
        QTimer limit, agree;
        limit.setSingleShot(true);
        agree.setSingleShot(true);
        connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(&agree, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(m_socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
        connect(m_socket, &QTcpSocket::connected, &loop, [&] {
            connected = true;
            // A block goes out as it is written, not held back for more.
            m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
            if (!Telnet())
                return loop.quit();
            send(m_codec.Greeting());
            agree.start(kAgreeMs);
        });
        // The server's answer to the greeting (readSocket runs first).
        connect(m_socket, &QTcpSocket::readyRead, &loop, [&] {
            if (m_codec.ComPort() != TTelnetCodec::Agreement::Unknown)
                loop.quit();
        });
        m_socket->connectToHost(address.host, address.port);
        limit.start(limitMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    const bool standing = m_socket->state() == QAbstractSocket::ConnectedState;
    if (!standing) {
        switch (m_socket->error()) {
        case QAbstractSocket::HostNotFoundError:
            m_problem = TNetProblem::HostNotFound;
            break;
        case QAbstractSocket::ConnectionRefusedError:
            m_problem = TNetProblem::Refused;
            break;
        default:
            m_problem = !connected && clock.elapsed() >= limitMs ? TNetProblem::TimedOut : TNetProblem::Other;
            break;
        }
        m_socket->abort();
        return false;
    }
    if (Telnet() && m_codec.ComPort() != TTelnetCodec::Agreement::Agreed) {
        m_problem = TNetProblem::NoRfc2217;
        m_socket->abort();
        return false;
    }
    m_open = true;
    return true;
}

void TNetPort::send(const QByteArray& wire)
{
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->write(wire);
}

void TNetPort::readSocket()
{
    const QByteArray bytes = m_socket->readAll();
    if (bytes.isEmpty())
        return;
    const qsizetype before = m_data.size();
    if (Telnet()) {
        QByteArray answer;
        m_codec.Feed(bytes, m_data, answer, m_replies);
        if (m_replies.size() > kKeptReplies)
            m_replies.remove(0, m_replies.size() - kKeptReplies);
        if (!answer.isEmpty())
            send(answer);
    } else {
        m_data += bytes;
    }
    if (m_open && m_data.size() > before)
        emit DataArrived();
}

bool TNetPort::awaitReply(quint8 command, int ms, TTelnetCodec::Reply* reply)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        for (qsizetype i = 0; i < m_replies.size(); ++i)
            if (m_replies[i].command == command) {
                if (reply)
                    *reply = m_replies[i];
                m_replies.remove(0, i + 1);
                return true;
            }
        const qint64 left = ms - clock.elapsed();
        if (left <= 0 || m_socket->state() != QAbstractSocket::ConnectedState)
            return false;
        m_socket->waitForReadyRead(int(left));
    }
}

quint32 TNetPort::SetRate(quint32 bitsPerSecond)
{
    if (!Telnet() || !m_open)
        return 0;
    // An answer to an earlier request must not pass for this one.
    m_replies.removeIf([](const TTelnetCodec::Reply& r) { return r.command == TTelnetCodec::SetBaudRate; });
    send(TTelnetCodec::BaudRate(bitsPerSecond));
    TTelnetCodec::Reply r;
    return awaitReply(TTelnetCodec::SetBaudRate, kReplyMs, &r) ? r.Number() : 0;
}

void TNetPort::SetLineFormat()
{
    if (!Telnet() || !m_open)
        return;
    // 8 data bits, parity NONE (1), one stop bit (1), no flow control; DTR
    // and RTS inactive. One write: the server takes them in order.
    send(TTelnetCodec::Byte(TTelnetCodec::SetDataSize, 8) + TTelnetCodec::Byte(TTelnetCodec::SetParity, 1)
         + TTelnetCodec::Byte(TTelnetCodec::SetStopSize, 1)
         + TTelnetCodec::Byte(TTelnetCodec::SetControl, TTelnetCodec::NoFlowControl)
         + TTelnetCodec::Byte(TTelnetCodec::SetControl, TTelnetCodec::DtrOff)
         + TTelnetCodec::Byte(TTelnetCodec::SetControl, TTelnetCodec::RtsOff));
}

bool TNetPort::control(quint8 value)
{
    if (!Telnet() || !m_open)
        return false;
    m_replies.removeIf([](const TTelnetCodec::Reply& r) { return r.command == TTelnetCodec::SetControl; });
    send(TTelnetCodec::Byte(TTelnetCodec::SetControl, value));
    TTelnetCodec::Reply r;
    return awaitReply(TTelnetCodec::SetControl, kReplyMs, &r) && r.Number() == value;
}

bool TNetPort::SetDtr(bool on) { return control(on ? TTelnetCodec::DtrOn : TTelnetCodec::DtrOff); }

bool TNetPort::SetRts(bool on) { return control(on ? TTelnetCodec::RtsOn : TTelnetCodec::RtsOff); }

void TNetPort::Purge(bool input, bool output)
{
    if (input) {
        readSocket();
        m_data.clear();
    }
    if (Telnet() && m_open && (input || output))
        send(TTelnetCodec::Byte(TTelnetCodec::PurgeData, input && output ? 3 : input ? 1 : 2));
}

void TNetPort::drain(qint64 limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_socket->bytesToWrite() > 0 && clock.elapsed() < limitMs
           && m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->waitForBytesWritten(int(qMax<qint64>(limitMs - clock.elapsed(), 1)));
}

int TNetPort::Write(const QByteArray& bytes, qint64 limitMs)
{
    if (!Queue(bytes))
        return 0;
    drain(limitMs);
    const qint64 left = m_socket->bytesToWrite();
    return left == 0 ? int(bytes.size()) : int(qMax<qint64>(0, bytes.size() - left));
}

bool TNetPort::Queue(const QByteArray& bytes)
{
    if (!m_open || m_lost || m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    const QByteArray wire = Telnet() ? TTelnetCodec::Escape(bytes) : bytes;
    return m_socket->write(wire) == wire.size();
}

QByteArray TNetPort::Read(int max)
{
    const QByteArray out = m_data.left(max);
    m_data.remove(0, out.size());
    return out;
}

bool TNetPort::WaitForData(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (m_data.isEmpty()) {
        const qint64 left = ms - clock.elapsed();
        if (left <= 0 || m_socket->state() != QAbstractSocket::ConnectedState)
            return false;
        m_socket->waitForReadyRead(int(left));
    }
    return true;
}

int TNetPort::OutQueue() const { return m_open ? int(m_socket->bytesToWrite()) : -1; }

void TNetPort::Disconnect(qint64 limitMs)
{
    const bool wasOpen = m_open;
    m_open = false;
    if (wasOpen && m_socket->state() == QAbstractSocket::ConnectedState) {
        drain(limitMs);
        // Unread input would make the close a reset that drops what is
        // still on its way out.
        m_socket->readAll();
        m_socket->disconnectFromHost();
        if (m_socket->state() != QAbstractSocket::UnconnectedState)
            m_socket->waitForDisconnected(200);
    }
    m_socket->abort();
    m_data.clear();
    m_replies.clear();
}

QString NetProblemText(const QString& address, TNetProblem problem)
{
    switch (problem) {
    case TNetProblem::None:
        return QString();
    case TNetProblem::BadAddress: {
        QString why;
        ParseNetAddress(address, &why);
        return address.trimmed() + QStringLiteral(": ") + why;
    }
    case TNetProblem::HostNotFound:
        return QCoreApplication::translate(
                   "NetPort", "%1: der Rechnername lässt sich nicht auflösen; Namen im Abschnitt [Ports] prüfen")
            .arg(address);
    case TNetProblem::Refused:
        return QCoreApplication::translate(
                   "NetPort", "%1: Verbindung abgewiesen; läuft der Geräteserver (z. B. ser2net) und stimmt der Port?")
            .arg(address);
    case TNetProblem::TimedOut:
        return QCoreApplication::translate("NetPort",
                                           "%1: keine Verbindung innerhalb von 5 s; Netz, Rechner und Firewall prüfen")
            .arg(address);
    case TNetProblem::NoRfc2217:
        return QCoreApplication::translate(
                   "NetPort", "%1: der Server spricht kein RFC 2217; am Server Telnet mit RFC 2217 einschalten oder "
                              "socket:// verwenden")
            .arg(address);
    case TNetProblem::Other:
        break;
    }
    return QCoreApplication::translate("NetPort", "%1: Verbindung fehlgeschlagen").arg(address);
}
