// The Telnet/COM-PORT-OPTION codec and the network addresses of the "Ports"
// section, without a socket.
#include "serial/NetPort.h"
#include "serial/Rfc2217.h"

#include <QtTest>

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out += char(b);
    return out;
}

using C = TTelnetCodec;

// What ser2net 4.3 sends when a client connects to a telnet(rfc2217)
// accepter: WILL SGA, DO SGA, WILL ECHO, DONT ECHO, DO BINARY, WILL BINARY,
// DO COM-PORT-OPTION (seen on the wire).
const QByteArray kSer2netHello = QByteArray::fromHex("fffb03fffd03fffb01fffe01fffd00fffb00fffd2c");

}  // namespace

class TestRfc2217 : public QObject {
    Q_OBJECT
private slots:
    void addresses_data();
    void addresses();
    void escapeAndSubnegotiations();
    void feed_data();
    void feed();
    void cutAnywhere();
    void negotiationWithSer2net();
    void refusalAndUnknownOptions();
    void problemTexts();
};

void TestRfc2217::addresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");  // TNetAddress::Kind
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("why");  // part of the reason when invalid
    using K = TNetAddress::Kind;
    QTest::newRow("rfc2217") << "rfc2217://bench2.local:2001" << int(K::Rfc2217) << "bench2.local" << 2001 << "";
    QTest::newRow("socket, blanks around") << "  socket://10.0.0.7:4001 " << int(K::Socket) << "10.0.0.7" << 4001 << "";
    QTest::newRow("scheme in capitals") << "RFC2217://host:1" << int(K::Rfc2217) << "host" << 1 << "";
    QTest::newRow("ipv6") << "rfc2217://[::1]:65535" << int(K::Rfc2217) << "::1" << 65535 << "";
    QTest::newRow("port 0") << "rfc2217://host:0" << int(K::None) << "" << 0 << "65535";
    QTest::newRow("port too large") << "socket://host:65536" << int(K::None) << "" << 0 << "65535";
    QTest::newRow("port not a number") << "socket://host:20x1" << int(K::None) << "" << 0 << "20x1";
    QTest::newRow("negative port") << "socket://host:-5" << int(K::None) << "" << 0 << "-5";
    QTest::newRow("no port") << "rfc2217://host" << int(K::None) << "" << 0 << "Port";
    QTest::newRow("empty port") << "rfc2217://host:" << int(K::None) << "" << 0 << "Port";
    QTest::newRow("no host") << "rfc2217://:2001" << int(K::None) << "" << 0 << "Rechner";
    QTest::newRow("blank in host") << "rfc2217://my host:2001" << int(K::None) << "" << 0 << "my host";
    QTest::newRow("tab in host") << "socket://a\tb:2001" << int(K::None) << "" << 0 << "Leerzeichen";
    QTest::newRow("user part") << "socket://me@host:2001" << int(K::None) << "" << 0 << "me@host";
    QTest::newRow("path") << "socket://host/x:2001" << int(K::None) << "" << 0 << "host/x";
    QTest::newRow("tty path") << "/dev/ttyUSB0" << int(K::None) << "" << 0 << "rfc2217://";
}

void TestRfc2217::addresses()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, why);
    QString reason = QStringLiteral("unset");
    const TNetAddress a = ParseNetAddress(text, &reason);
    QCOMPARE(int(a.kind), kind);
    if (a.Valid()) {
        QCOMPARE(a.host, host);
        QCOMPARE(int(a.port), port);
        QVERIFY(reason.isEmpty());
        // Written back the way it reads.
        QCOMPARE(ParseNetAddress(a.Text()).Text(), a.Text());
    } else {
        QVERIFY2(reason.contains(why), qPrintable(reason));
    }
    QCOMPARE(LooksLikeNetAddress(text), !text.startsWith(u'/'));
}

void TestRfc2217::escapeAndSubnegotiations()
{
    QCOMPARE(C::Escape(bytes({'a', 0xFF, 'b', 0xFF, 0xFF})), bytes({'a', 0xFF, 0xFF, 'b', 0xFF, 0xFF, 0xFF, 0xFF}));
    QCOMPARE(C::Escape("plain"), QByteArray("plain"));
    QCOMPARE(C::BaudRate(115200), bytes({255, 250, 44, 1, 0x00, 0x01, 0xC2, 0x00, 255, 240}));
    QCOMPARE(C::BaudRate(9600), bytes({255, 250, 44, 1, 0, 0, 0x25, 0x80, 255, 240}));
    // A value byte 0xFF is doubled inside the subnegotiation.
    QCOMPARE(C::BaudRate(0xFF00FF), bytes({255, 250, 44, 1, 0, 0xFF, 0xFF, 0, 0xFF, 0xFF, 255, 240}));
    QCOMPARE(C::Byte(C::SetControl, C::DtrOn), bytes({255, 250, 44, 5, 8, 255, 240}));
    QCOMPARE(C::Byte(C::PurgeData, 3), bytes({255, 250, 44, 12, 3, 255, 240}));
}

void TestRfc2217::feed_data()
{
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("replies");  // "command=value(hex)" separated by blanks
    QTest::newRow("plain data") << QByteArray("#09 x\r") << QByteArray("#09 x\r") << "";
    QTest::newRow("doubled IAC is one 0xFF") << bytes({'x', 255, 255, 'y'}) << bytes({'x', 255, 'y'}) << "";
    QTest::newRow("baud answer between data")
        << bytes({'a', 255, 250, 44, 101, 0, 1, 0xC2, 0, 255, 240, 'b'}) << QByteArray("ab") << "1=0001c200";
    QTest::newRow("modem state notice") << bytes({255, 250, 44, 107, 0, 255, 240}) << QByteArray() << "7=00";
    QTest::newRow("IAC doubled inside answer")
        << bytes({255, 250, 44, 101, 0, 255, 255, 0, 1, 255, 240}) << QByteArray() << "1=00ff0001";
    QTest::newRow("client-side code is no answer") << bytes({255, 250, 44, 1, 0, 255, 240}) << QByteArray() << "";
    QTest::newRow("other option's subnegotiation") << bytes({255, 250, 24, 1, 255, 240, 'z'}) << QByteArray("z") << "";
    QTest::newRow("unknown commands dropped")
        << bytes({'a', 255, 241, 'b', 255, 249, 'c', 255, 243, 'd'}) << QByteArray("abcd") << "";
    QTest::newRow("command breaks off a subnegotiation")
        << bytes({255, 250, 44, 101, 0, 255, 241, 'q'}) << QByteArray("q") << "";
    QTest::newRow("overlong subnegotiation is dropped, data after it kept")
        << (bytes({255, 250, 44, 106}) + QByteArray(5000, 'k') + bytes({255, 240, 'e'})) << QByteArray("e") << "";
}

namespace {

QString repliesText(const QList<C::Reply>& replies)
{
    QStringList out;
    for (const C::Reply& r : replies)
        out << QStringLiteral("%1=%2").arg(r.command).arg(QString::fromLatin1(r.value.toHex()));
    return out.join(u' ');
}

}  // namespace

void TestRfc2217::feed()
{
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, data);
    QFETCH(QString, replies);
    C codec;
    QByteArray gotData, answer;
    QList<C::Reply> got;
    codec.Feed(in, gotData, answer, got);
    QCOMPARE(gotData, data);
    QCOMPARE(repliesText(got), replies);
    QVERIFY(answer.isEmpty());
}

void TestRfc2217::cutAnywhere()
{
    // Every cut of a stream mixing data, doubled IAC, a subnegotiation and a
    // negotiation gives what the whole stream gives.
    const QByteArray stream =
        bytes({'a', 255, 255, 'b', 255, 250, 44, 101, 0, 1, 0xC2, 0, 255, 240, 255, 251, 3, 'c', 255, 255});
    C whole;
    QByteArray wData, wAnswer;
    QList<C::Reply> wReplies;
    whole.Feed(stream, wData, wAnswer, wReplies);
    QCOMPARE(wData, bytes({'a', 255, 'b', 'c', 255}));
    QCOMPARE(repliesText(wReplies), QStringLiteral("1=0001c200"));
    for (qsizetype cut1 = 0; cut1 <= stream.size(); ++cut1)
        for (qsizetype cut2 = cut1; cut2 <= stream.size(); ++cut2) {
            C codec;
            QByteArray d, a;
            QList<C::Reply> r;
            codec.Feed(stream.left(cut1), d, a, r);
            codec.Feed(stream.mid(cut1, cut2 - cut1), d, a, r);
            codec.Feed(stream.mid(cut2), d, a, r);
            QCOMPARE(d, wData);
            QCOMPARE(a, wAnswer);
            QCOMPARE(repliesText(r), repliesText(wReplies));
        }
}

void TestRfc2217::negotiationWithSer2net()
{
    C codec;
    QCOMPARE(codec.Greeting(), bytes({255, 251, 44, 255, 251, 0, 255, 253, 0}));
    QByteArray data, answer;
    QList<C::Reply> replies;
    codec.Feed(kSer2netHello, data, answer, replies);
    QVERIFY(data.isEmpty());
    QCOMPARE(codec.ComPort(), C::Agreement::Agreed);
    // SGA agreed both ways, its echo refused; what was asked for in the
    // greeting is not answered again.
    QCOMPARE(answer, bytes({255, 253, 3, 255, 251, 3, 255, 254, 1}));
    // The same offers again are not answered again: no loop.
    answer.clear();
    codec.Feed(kSer2netHello, data, answer, replies);
    QCOMPARE(answer, QByteArray());
}

void TestRfc2217::refusalAndUnknownOptions()
{
    C codec;
    codec.Greeting();
    QByteArray data, answer;
    QList<C::Reply> replies;
    QCOMPARE(codec.ComPort(), C::Agreement::Unknown);
    // A plain telnet server: refuses the option, asks for terminal type and
    // offers status; both unknown to the client and refused once.
    codec.Feed(bytes({255, 254, 44, 255, 253, 24, 255, 251, 5, 255, 253, 24}), data, answer, replies);
    QCOMPARE(codec.ComPort(), C::Agreement::Refused);
    QCOMPARE(answer, bytes({255, 252, 24, 255, 254, 5}));
    QVERIFY(data.isEmpty());
}

void TestRfc2217::problemTexts()
{
    const QString a = QStringLiteral("rfc2217://bench:2001");
    QCOMPARE(NetProblemText(a, TNetProblem::None), QString());
    QSet<QString> seen;
    for (TNetProblem p : {TNetProblem::HostNotFound, TNetProblem::Refused, TNetProblem::TimedOut,
                          TNetProblem::NoRfc2217, TNetProblem::Other}) {
        const QString t = NetProblemText(a, p);
        QVERIFY2(t.startsWith(a + u':'), qPrintable(t));
        seen.insert(t);
    }
    QCOMPARE(seen.size(), 5);
    QVERIFY(NetProblemText(QStringLiteral("rfc2217://host:0"), TNetProblem::BadAddress).contains(u"65535"));
}

QTEST_GUILESS_MAIN(TestRfc2217)
#include "tst_rfc2217.moc"
