// The port over the network: TComPort against a real ser2net serving a
// pseudo-terminal whose other side is a device peer.
#include "app/IniFile.h"
#include "serial/ComPort.h"
#include "serial/NetPort.h"
#include "serial/PortDiagnostics.h"
#include "support/DevicePeer.h"
#include "support/Harness.h"
#include "support/Ser2net.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {

// Com3 of the test's settings file is this entry.
void mapCom3(const QString& entry)
{
    WriteTestSettings("[Misc]\r\nCOM=0\r\n");
    TIniFile(TestSettingsFile()).WriteString(QStringLiteral("Ports"), QStringLiteral("Com3"), entry);
}

struct TNetRig {
    TDevicePeer peer;
    TSer2net server;
    TComPort port;
    QByteArray got;  // what the receive announcements delivered

    explicit TNetRig(TSer2net::Accepter accepter = TSer2net::Accepter::Rfc2217) : server(peer.SlavePath(), accepter)
    {
        mapCom3(server.Address());
        port.SetSettingsFile(TestSettingsFile());
        port.SetPort(QStringLiteral("Com3"));
        port.OnRxChar = [this](TComPort* p, int count) {
            QString text;
            p->ReadStr(text, count);
            got += text.toLatin1();
        };
    }
    bool receive(const QByteArray& expected, int ms = 3000)
    {
        PumpUntil([&] { return got.size() >= expected.size(); }, ms);
        return got == expected;
    }
};

}  // namespace

class TestNetPort : public QObject {
    Q_OBJECT
private slots:
    void bothWaysOverRfc2217();
    void rateReachesTheLine();
    void rawSocket();
    void openFailures_data();
    void openFailures();
    void connectingKeepsEventsGoing();
    void controlLineUnconfirmed();
    void reopenKeepsTheConnection();
    void droppedConnectionIsDeviceGone();
    void cleanupTestCase() { RemoveTestSettings(); }
};

void TestNetPort::bothWaysOverRfc2217()
{
    TNetRig rig;
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.port.Open();
    QVERIFY(rig.port.Connected());
    QVERIFY(rig.port.IsNetwork());
    QVERIFY(rig.port.CanChangeRate());
    // An IAC byte in device data, both ways, and every other byte value.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    QString text;
    for (char c : all)
        text += QChar(quint8(c));
    QCOMPARE(rig.port.WriteStr(text), 256);
    QVERIFY(rig.peer.WaitForBytes(256, 3000));
    QCOMPARE(rig.peer.Received(), all);
    rig.peer.Write(all + all);
    QVERIFY(rig.receive(all + all));
    QCOMPARE(rig.port.InQueue(), 0);
    rig.port.Close();
    QVERIFY(!rig.port.Connected());
}

void TestNetPort::rateReachesTheLine()
{
    TNetRig rig;
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.port.SetBaudRate(BaudRateFromName(QStringLiteral("38400")));
    rig.port.Open();
    // ser2net sets the pseudo-terminal to the rate asked for.
    QCOMPARE(rig.peer.SlaveBaud(), 38400);
    for (const char* name : {"115200", "9600", "1200"}) {
        rig.port.SetBaudRate(BaudRateFromName(QLatin1String(name)));
        QCOMPARE(rig.peer.SlaveBaud(), QByteArray(name).toInt());
    }
    QVERIFY(rig.port.Connected());
    QCOMPARE(rig.port.WriteStr(QStringLiteral("still")), 5);
    QVERIFY(rig.peer.WaitForBytes(5));
}

void TestNetPort::rawSocket()
{
    TNetRig rig(TSer2net::Accepter::Raw);
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    QVERIFY(!rig.port.CanChangeRate());
    rig.port.Open();
    QVERIFY(rig.port.Connected());
    QVERIFY(!rig.port.CanChangeRate());
    // No Telnet: 0xFF goes as it is, and a rate change sends nothing.
    rig.port.SetBaudRate(TBaudRate::br115200);
    QCOMPARE(rig.port.WriteStr(QString::fromLatin1("a\xff"
                                                   "b")),
             3);
    QVERIFY(rig.peer.WaitForBytes(3));
    QCOMPARE(rig.peer.Received(), QByteArray("a\xff"
                                             "b"));
    QCOMPARE(rig.peer.SlaveBaud(), 9600);
    rig.peer.Write("x\xff\xffy");
    QVERIFY(rig.receive("x\xff\xffy"));
    QVERIFY_THROWS_EXCEPTION(EComPort, rig.port.SetDTR(true));
}

void TestNetPort::openFailures_data()
{
    QTest::addColumn<QString>("entry");  // %1: a free port, %2: ser2net's
    QTest::addColumn<int>("accepter");   // ser2net's accepter, -1: none runs
    QTest::addColumn<int>("problem");
    QTest::addColumn<QString>("text");  // in the diagnosis
    QTest::newRow("refused") << "rfc2217://127.0.0.1:%1" << -1 << int(TNetProblem::Refused) << "abgewiesen";
    QTest::newRow("name does not resolve")
        << "rfc2217://no-such-host.invalid:2001" << -1 << int(TNetProblem::HostNotFound) << "auflösen";
    QTest::newRow("port 0") << "rfc2217://127.0.0.1:0" << -1 << int(TNetProblem::BadAddress) << "65535";
    QTest::newRow("port too large") << "socket://127.0.0.1:70000" << -1 << int(TNetProblem::BadAddress) << "65535";
    QTest::newRow("blank in host") << "socket://bench 2:2001" << -1 << int(TNetProblem::BadAddress) << "bench 2";
    QTest::newRow("telnet without RFC 2217")
        << "rfc2217://127.0.0.1:%2" << int(TSer2net::Accepter::TelnetOnly) << int(TNetProblem::NoRfc2217) << "RFC 2217";
    QTest::newRow("raw server asked for RFC 2217")
        << "rfc2217://127.0.0.1:%2" << int(TSer2net::Accepter::Raw) << int(TNetProblem::NoRfc2217) << "RFC 2217";
}

void TestNetPort::openFailures()
{
    QFETCH(QString, entry);
    QFETCH(int, accepter);
    QFETCH(int, problem);
    QFETCH(QString, text);
    TDevicePeer peer;
    std::unique_ptr<TSer2net> server;
    if (accepter >= 0) {
        server = std::make_unique<TSer2net>(peer.SlavePath(), TSer2net::Accepter(accepter));
        QVERIFY2(server->Start(), qPrintable(server->Failure()));
    }
    entry.replace(QStringLiteral("%1"), QString::number(TSer2net::FreePort()));
    entry.replace(QStringLiteral("%2"), QString::number(server ? server->Port() : 0));
    mapCom3(entry);
    TComPort port;
    port.SetSettingsFile(TestSettingsFile());
    port.SetPort(QStringLiteral("Com3"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_EXCEPTION(EComPort, port.Open());
    QVERIFY(clock.elapsed() < TNetPort::kConnectMs + 1000);
    QVERIFY(!port.Connected());
    QCOMPARE(port.LastOpenError(), problem);
    const QString why = PortProblemText(entry, DiagnosePort(entry, port.LastOpenError()));
    QVERIFY2(why.contains(text) && why.startsWith(entry.trimmed()), qPrintable(why));
    QVERIFY_THROWS_EXCEPTION(EComPort, port.WriteStr(QStringLiteral("x")));
}

void TestNetPort::connectingKeepsEventsGoing()
{
    // A raw server never answers the Telnet greeting: the open waits for
    // the agreement, and the event loop (the window's timers) goes on
    // meanwhile.
    TDevicePeer peer;
    TSer2net server(peer.SlavePath(), TSer2net::Accepter::Raw);
    QVERIFY2(server.Start(), qPrintable(server.Failure()));
    mapCom3(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.Port()));
    TComPort port;
    port.SetSettingsFile(TestSettingsFile());
    port.SetPort(QStringLiteral("Com3"));
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_EXCEPTION(EComPort, port.Open());
    const qint64 took = clock.elapsed();
    QVERIFY2(ticks >= took / 20 / 2, qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(took)));
    QVERIFY(took >= 500);
}

void TestNetPort::controlLineUnconfirmed()
{
    TNetRig rig;
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.port.Open();
    QVERIFY(rig.port.LineControlConfirmed());
    // ser2net before a pseudo-terminal does not answer DTR: no error, but
    // not confirmed; the port goes on working.
    rig.port.SetDTR(true);
    QVERIFY(!rig.port.LineControlConfirmed());
    QCOMPARE(rig.port.WriteStr(QStringLiteral("ok\r")), 3);
    QVERIFY(rig.peer.WaitForBytes(3));
    QCOMPARE(rig.peer.Received(), QByteArray("ok\r"));
}

void TestNetPort::reopenKeepsTheConnection()
{
    TNetRig rig;
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.port.Open();
    rig.peer.Write("old");
    PumpUntil([&] { return rig.port.InQueue() == 3; });
    rig.port.OnRxChar = nullptr;
    // Closed with unread data: it is gone. What comes while closed waits, as
    // in a tty's driver, and the reopen at another rate keeps the line.
    rig.port.Close();
    rig.peer.Write("3");
    Pump(200);
    rig.port.SetBaudRate(TBaudRate::br115200);
    rig.port.Open();
    QCOMPARE(rig.peer.SlaveBaud(), 115200);
    QVERIFY(rig.port.WaitForData(2000));
    QString text;
    rig.port.ReadStr(text, 10);
    QCOMPARE(text, QStringLiteral("3"));
}

void TestNetPort::droppedConnectionIsDeviceGone()
{
    TNetRig rig;
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.port.Open();
    QSignalSpy gone(&rig.port, &TComPort::DeviceGone);
    rig.server.Stop();
    QVERIFY(PumpUntil([&] { return gone.count() == 1; }, 3000));
    QVERIFY(rig.port.DeviceLost());
    QVERIFY(rig.port.Connected());
    QVERIFY_THROWS_EXCEPTION(EComPort, rig.port.WriteStr(QStringLiteral("x")));
    rig.port.Close();
    // The server back: the port opens again.
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.port.Open();
    QCOMPARE(rig.port.WriteStr(QStringLiteral("back")), 4);
    QVERIFY(rig.peer.WaitForBytes(4));
    QCOMPARE(gone.count(), 1);
}

QTEST_MAIN(TestNetPort)
#include "tst_netport.moc"
