#pragma once

#include "serial/Rfc2217.h"

#include <QByteArray>
#include <QObject>

class QTcpSocket;

// Why a network port did not open.
enum class TNetProblem {
    None,
    BadAddress,    // the settings entry is no valid address
    HostNotFound,  // the name does not resolve
    Refused,       // nothing listens at the port
    TimedOut,      // no connection within the time-out
    NoRfc2217,     // the server does not speak the COM-PORT-OPTION
    Other,
};

// A serial line behind a device server, reached over TCP: rfc2217:// sends
// the line settings and control lines to the server by the Telnet
// COM-PORT-OPTION, socket:// is the raw byte stream. Connecting processes
// events (the window stays responsive) up to a time-out; everything else is
// as synchronous as a serial port's calls are.
class TNetPort : public QObject {
    Q_OBJECT
public:
    static constexpr int kConnectMs = 5000;
    // How long an answer of the server to a line setting is awaited.
    static constexpr int kReplyMs = 1000;

    explicit TNetPort(QObject* parent = nullptr);
    ~TNetPort() override;

    // Connects and, for rfc2217://, agrees the option with the server; false
    // with Problem() set when it fails.
    bool Connect(const TNetAddress& address, int limitMs = kConnectMs);
    TNetProblem Problem() const { return m_problem; }
    const TNetAddress& Address() const { return m_address; }
    bool Telnet() const { return m_address.kind == TNetAddress::Kind::Rfc2217; }
    // The connection dropped (the server went away or closed it).
    bool Lost() const { return m_lost; }

    // Sets the rate at the server and waits for its answer. Returns the
    // rate the server says it set; 0 when it did not answer in time. On a
    // raw socket nothing is sent and 0 is returned.
    quint32 SetRate(quint32 bitsPerSecond);
    // 8 data bits, no parity, one stop bit, no flow control.
    void SetLineFormat();
    // DTR or RTS on or off; true when the server confirmed it.
    bool SetDtr(bool on);
    bool SetRts(bool on);
    // Discards what the server holds for either direction, and what has
    // arrived here and was not read.
    void Purge(bool input, bool output);

    // Writes the bytes in one piece (as few TCP segments as the stack
    // makes of it) and waits until the stack has taken them, at most limitMs.
    // Returns how many of the bytes have gone out.
    int Write(const QByteArray& bytes, qint64 limitMs);
    // Queues bytes without waiting: what is queued while the caller does
    // not return to the event loop (a block sent byte by byte) goes out
    // together, in one write, when the loop runs or the next wait comes.
    bool Queue(const QByteArray& bytes);
    QByteArray Read(int max);
    int Available() const { return int(m_data.size()); }
    // Handles the socket only, until data waits or ms passed.
    bool WaitForData(int ms);
    // Bytes handed over but not yet taken by the stack.
    int OutQueue() const;
    // Lets what is queued go (at most limitMs) and closes the connection.
    void Disconnect(qint64 limitMs);

signals:
    // Device data has arrived.
    void DataArrived();
    // The connection dropped while it was open.
    void Gone();

private:
    void readSocket();
    // Handles the socket until the server has answered command or ms passed.
    bool awaitReply(quint8 command, int ms, TTelnetCodec::Reply* reply = nullptr);
    bool control(quint8 value);
    void send(const QByteArray& wire);
    // Lets the stack take what is queued, at most limitMs.
    void drain(qint64 limitMs);

    QTcpSocket* m_socket;
    TNetAddress m_address;
    TTelnetCodec m_codec;
    QByteArray m_data;
    QList<TTelnetCodec::Reply> m_replies;
    TNetProblem m_problem = TNetProblem::None;
    bool m_open = false;
    bool m_lost = false;
};

// One line for a tool tip or a message: the address, what went wrong and
// what to do. Empty for TNetProblem::None.
QString NetProblemText(const QString& address, TNetProblem problem);
