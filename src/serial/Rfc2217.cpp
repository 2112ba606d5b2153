#include "serial/Rfc2217.h"

#include <QCoreApplication>

namespace {

const QString kRfc2217 = QStringLiteral("rfc2217://");
const QString kSocket = QStringLiteral("socket://");

// A subnegotiation longer than this is no COM-PORT-OPTION answer: the rest
// is dropped, not collected without end.
constexpr qsizetype kMaxSubnegotiation = 256;

}  // namespace

QString TNetAddress::Text() const
{
    if (kind == Kind::None)
        return QString();
    const QString h = host.contains(u':') ? u'[' + host + u']' : host;
    return (kind == Kind::Rfc2217 ? kRfc2217 : kSocket) + h + u':' + QString::number(port);
}

bool LooksLikeNetAddress(const QString& text)
{
    const QString t = text.trimmed();
    return t.startsWith(kRfc2217, Qt::CaseInsensitive) || t.startsWith(kSocket, Qt::CaseInsensitive);
}

TNetAddress ParseNetAddress(const QString& text, QString* why)
{
    auto fail = [why](const QString& reason) {
        if (why)
            *why = reason;
        return TNetAddress();
    };
    const QString t = text.trimmed();
    TNetAddress a;
    QString rest;
    if (t.startsWith(kRfc2217, Qt::CaseInsensitive)) {
        a.kind = TNetAddress::Kind::Rfc2217;
        rest = t.mid(kRfc2217.size());
    } else if (t.startsWith(kSocket, Qt::CaseInsensitive)) {
        a.kind = TNetAddress::Kind::Socket;
        rest = t.mid(kSocket.size());
    } else {
        return fail(QCoreApplication::translate(
            "NetPort", "keine Netzwerkadresse (rfc2217://RECHNER:PORT oder socket://RECHNER:PORT)"));
    }
    QString portText;
    if (rest.startsWith(u'[')) {
        // An IPv6 address in brackets.
        const qsizetype close = rest.indexOf(u']');
        if (close < 0 || rest.mid(close + 1, 1) != QLatin1String(":"))
            return fail(QCoreApplication::translate("NetPort", "Adresse ohne Port: %1").arg(t));
        a.host = rest.mid(1, close - 1);
        portText = rest.mid(close + 2);
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        if (colon < 0)
            return fail(QCoreApplication::translate("NetPort", "Adresse ohne Port: %1").arg(t));
        a.host = rest.left(colon);
        portText = rest.mid(colon + 1);
    }
    if (a.host.isEmpty())
        return fail(QCoreApplication::translate("NetPort", "Adresse ohne Rechnernamen: %1").arg(t));
    for (const QChar c : a.host)
        if (c.isSpace() || c == u'/' || c == u'@' || c.unicode() < 0x21 || (c == u':' && !rest.startsWith(u'[')))
            return fail(
                QCoreApplication::translate("NetPort", "ungültiger Rechnername \"%1\" (Leerzeichen oder Sonderzeichen)")
                    .arg(a.host));
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || portText.isEmpty() || !portText.front().isDigit())
        return fail(QCoreApplication::translate("NetPort", "ungültiger Port \"%1\"").arg(portText));
    if (port < 1 || port > 65535)
        return fail(QCoreApplication::translate("NetPort", "Port %1 außerhalb von 1 bis 65535").arg(portText));
    a.port = quint16(port);
    if (why)
        why->clear();
    return a;
}

quint32 TTelnetCodec::Reply::Number() const
{
    quint32 n = 0;
    for (const char c : value)
        n = (n << 8) | quint8(c);
    return n;
}

QByteArray TTelnetCodec::Greeting()
{
    m_myAsked[OptComPort] = m_myAsked[OptBinary] = m_hisAsked[OptBinary] = true;
    const char g[] = {char(IAC),       char(WILL), char(OptComPort), char(IAC),      char(WILL),
                      char(OptBinary), char(IAC),  char(DO),         char(OptBinary)};
    return QByteArray(g, sizeof g);
}

QByteArray TTelnetCodec::Escape(const QByteArray& data)
{
    if (!data.contains(char(IAC)))
        return data;
    QByteArray out;
    out.reserve(data.size() + data.count(char(IAC)));
    for (const char c : data) {
        out += c;
        if (quint8(c) == IAC)
            out += c;
    }
    return out;
}

QByteArray TTelnetCodec::Subnegotiation(quint8 command, const QByteArray& value)
{
    QByteArray out;
    out += char(IAC);
    out += char(SB);
    out += char(OptComPort);
    out += char(command);
    out += Escape(value);
    out += char(IAC);
    out += char(SE);
    return out;
}

QByteArray TTelnetCodec::BaudRate(quint32 bitsPerSecond)
{
    QByteArray v(4, '\0');
    for (int i = 0; i < 4; ++i)
        v[i] = char((bitsPerSecond >> (24 - 8 * i)) & 0xFF);
    return Subnegotiation(SetBaudRate, v);
}

void TTelnetCodec::Feed(const QByteArray& bytes, QByteArray& data, QByteArray& answer, QList<Reply>& replies)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const quint8 b = quint8(bytes[i]);
        switch (m_state) {
        case State::Data:
            if (b == IAC)
                m_state = State::Iac;
            else
                data += char(b);
            break;
        case State::Iac:
            if (b == IAC) {
                data += char(IAC);
                m_state = State::Data;
            } else if (b >= WILL && b <= DONT) {
                m_verb = b;
                m_state = State::Verb;
            } else if (b == SB) {
                m_sb.clear();
                m_sbTooLong = false;
                m_state = State::Sb;
            } else {
                // NOP, go-ahead, break, and whatever else: nothing to do.
                m_state = State::Data;
            }
            break;
        case State::Verb:
            negotiate(m_verb, b, answer);
            m_state = State::Data;
            break;
        case State::Sb:
            if (b == IAC)
                m_state = State::SbIac;
            else
                collect(b);
            break;
        case State::SbIac:
            if (b == IAC) {
                collect(IAC);
                m_state = State::Sb;
            } else if (b == SE) {
                endSubnegotiation(replies);
                m_state = State::Data;
            } else {
                // A command inside a subnegotiation: the subnegotiation is
                // broken off, the command counts.
                m_sb.clear();
                m_state = State::Iac;
                --i;
            }
            break;
        }
    }
}

void TTelnetCodec::collect(quint8 b)
{
    if (m_sb.size() < kMaxSubnegotiation)
        m_sb += char(b);
    else
        m_sbTooLong = true;
}

void TTelnetCodec::endSubnegotiation(QList<Reply>& replies)
{
    if (!m_sbTooLong && m_sb.size() >= 2 && quint8(m_sb[0]) == OptComPort && quint8(m_sb[1]) >= 100)
        replies.append(Reply{quint8(quint8(m_sb[1]) - 100), m_sb.mid(2)});
    m_sb.clear();
}

void TTelnetCodec::negotiate(quint8 verb, quint8 option, QByteArray& answer)
{
    auto say = [&answer](quint8 v, quint8 o) {
        answer += char(IAC);
        answer += char(v);
        answer += char(o);
    };
    // What this side does itself (answers to DO/DONT), and what it lets
    // the server do (answers to WILL/WONT). The server's echo is refused:
    // what the program writes is for the device only.
    const bool mine = option == OptBinary || option == OptComPort || option == OptSuppressGoAhead;
    const bool his = option == OptBinary || option == OptSuppressGoAhead;
    switch (verb) {
    case DO:
        if (mine) {
            if (!m_myOn[option] && !m_myAsked[option])
                say(WILL, option);
            m_myOn[option] = true;
        } else if (!m_myRefused[option]) {
            say(WONT, option);
            m_myRefused[option] = true;
        }
        m_myAsked[option] = false;
        if (option == OptComPort)
            m_comPort = Agreement::Agreed;
        break;
    case DONT:
        if (m_myOn[option] && !m_myAsked[option])
            say(WONT, option);
        m_myOn[option] = false;
        m_myAsked[option] = false;
        if (option == OptComPort)
            m_comPort = Agreement::Refused;
        break;
    case WILL:
        if (his) {
            if (!m_hisOn[option] && !m_hisAsked[option])
                say(DO, option);
            m_hisOn[option] = true;
        } else if (!m_hisRefused[option]) {
            say(DONT, option);
            m_hisRefused[option] = true;
        }
        m_hisAsked[option] = false;
        break;
    case WONT:
        if (m_hisOn[option] && !m_hisAsked[option])
            say(DONT, option);
        m_hisOn[option] = false;
        m_hisAsked[option] = false;
        break;
    }
}
