#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A network port: a "Ports" entry of the form rfc2217://HOST:PORT (Telnet
// with the COM-PORT-OPTION: the line settings go to the server) or
// socket://HOST:PORT (raw TCP: the server's line settings apply).
struct TNetAddress {
    enum class Kind { None, Rfc2217, Socket };
    Kind kind = Kind::None;
    QString host;
    quint16 port = 0;

    bool Valid() const { return kind != Kind::None; }
    // The address as it is written in the settings file.
    QString Text() const;
};

// Whether text is meant as a network address at all (it has one of the two
// schemes), valid or not.
bool LooksLikeNetAddress(const QString& text);
// Reads an address; on failure the kind is None and why says what is wrong
// (a German source text, translated).
TNetAddress ParseNetAddress(const QString& text, QString* why = nullptr);

// The Telnet side of an RFC 2217 connection, without a socket: what the
// server sends goes in (in pieces as they arrive, cut anywhere), the device's
// data and the server's answers come out; what the client sends is built
// here (IAC doubled in data, the option's subnegotiations).
class TTelnetCodec {
public:
    // Telnet bytes and options used here.
    enum : quint8 {
        SE = 240,
        SB = 250,
        WILL = 251,
        WONT = 252,
        DO = 253,
        DONT = 254,
        IAC = 255,
        OptBinary = 0,
        OptEcho = 1,
        OptSuppressGoAhead = 3,
        OptComPort = 44,
    };
    // Client-to-server commands of the COM-PORT-OPTION; the server answers
    // with the same code + 100.
    enum Command : quint8 {
        Signature = 0,
        SetBaudRate = 1,
        SetDataSize = 2,
        SetParity = 3,
        SetStopSize = 4,
        SetControl = 5,
        NotifyLineState = 6,
        NotifyModemState = 7,
        FlowSuspend = 8,
        FlowResume = 9,
        SetLineStateMask = 10,
        SetModemStateMask = 11,
        PurgeData = 12,
    };
    // Values of SET-CONTROL used here.
    enum Control : quint8 {
        NoFlowControl = 1,
        DtrOn = 8,
        DtrOff = 9,
        RtsOn = 11,
        RtsOff = 12,
    };

    // A subnegotiation of the COM-PORT-OPTION the server sent: its command
    // (already minus 100) and its value bytes.
    struct Reply {
        quint8 command = 0;
        QByteArray value;
        // The value as a big-endian number (rates are four bytes, others one).
        quint32 Number() const;
    };

    // What the client offers when it connects: to do the COM-PORT-OPTION
    // and binary transmission both ways.
    QByteArray Greeting();
    // Data for the device, IAC doubled.
    static QByteArray Escape(const QByteArray& data);
    // A COM-PORT-OPTION subnegotiation (value bytes IAC-doubled).
    static QByteArray Subnegotiation(quint8 command, const QByteArray& value);
    static QByteArray BaudRate(quint32 bitsPerSecond);
    static QByteArray Byte(quint8 command, quint8 value) { return Subnegotiation(command, QByteArray(1, char(value))); }

    // Takes what the server sent. The device's data is added to data; the
    // answers of the Telnet negotiation are added to answer (to be sent back
    // at once); COM-PORT-OPTION subnegotiations are appended to replies. A
    // sequence cut at the end of bytes is completed by the next call.
    void Feed(const QByteArray& bytes, QByteArray& data, QByteArray& answer, QList<Reply>& replies);

    // The server has agreed to the COM-PORT-OPTION (DO 44), refused it
    // (DONT 44), or not said yet.
    enum class Agreement { Unknown, Agreed, Refused };
    Agreement ComPort() const { return m_comPort; }

private:
    enum class State { Data, Iac, Verb, Sb, SbIac };
    void negotiate(quint8 verb, quint8 option, QByteArray& answer);
    void endSubnegotiation(QList<Reply>& replies);
    // Keeps a byte of a subnegotiation; one that grows too long is dropped.
    void collect(quint8 b);

    State m_state = State::Data;
    quint8 m_verb = 0;
    QByteArray m_sb;
    bool m_sbTooLong = false;
    Agreement m_comPort = Agreement::Unknown;
    // Per option: on for this side (my) or the server (his); asked by this
    // side and not answered yet; refused once (a refusal is not repeated,
    // so that no negotiation runs in circles).
    bool m_myOn[256] = {};
    bool m_hisOn[256] = {};
    bool m_myAsked[256] = {};
    bool m_hisAsked[256] = {};
    bool m_myRefused[256] = {};
    bool m_hisRefused[256] = {};
};
