#include "app/IniFile.h"
#include "serial/ComPort.h"
#include "support/DevicePeer.h"
#include "support/Harness.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <fcntl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

class TestComPort : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString ini() const { return dir.filePath(QStringLiteral("ports.ini")); }

private slots:
    void baudRateNames()
    {
        QCOMPARE(BaudRateFromName(QStringLiteral("115200")), TBaudRate::br115200);
        QCOMPARE(BaudRateFromName(QStringLiteral("38400")), TBaudRate::br38400);
        QCOMPARE(BaudRateFromName(QStringLiteral("custom")), TBaudRate::brCustom);
        QCOMPARE(BaudRateBits(TBaudRate::brCustom), 9600);
        QCOMPARE(BaudRateFromName(QStringLiteral("")), TBaudRate::br9600);
        QCOMPARE(BaudRateFromName(QStringLiteral("12345")), TBaudRate::br9600);
        const QStringList names = {"Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
                                   "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(BaudRateName(TBaudRate(i)), names[i]);
            QCOMPARE(int(BaudRateFromName(names[i])), i);
        }
    }

    void portNamesMapToDevices()
    {
        QCOMPARE(TComPort::DefaultDevicePath(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(TComPort::DefaultDevicePath(4), QStringLiteral("/dev/ttyS3"));
        QCOMPARE(TComPort::DefaultDevicePath(5), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(TComPort::DefaultDevicePath(14), QStringLiteral("/dev/ttyUSB9"));
        QCOMPARE(TComPort::DefaultDevicePath(15), QStringLiteral("/dev/ttyACM0"));
        QCOMPARE(TComPort::DefaultDevicePath(24), QStringLiteral("/dev/ttyACM9"));
        QCOMPARE(TComPort::ComNumberOf(QStringLiteral("COM12")), 12);
        QCOMPARE(TComPort::ComNumberOf(QStringLiteral("com3")), 3);
        QCOMPARE(TComPort::ComNumberOf(QStringLiteral("Com0")), 0);
        QCOMPARE(TComPort::ComNumberOf(QStringLiteral("Com25")), 0);
        QCOMPARE(TComPort::ComNumberOf(QStringLiteral("Com03")), 0);

        TComPort port;
        port.SetSettingsFile(ini());
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[ports]\ncom7=/dev/serial/by-id/usb-X\n");
        f.close();
        QCOMPARE(port.DevicePathFor(QStringLiteral("Com7")), QStringLiteral("/dev/serial/by-id/usb-X"));
        QCOMPARE(port.DevicePathFor(QStringLiteral("COM8")), QStringLiteral("/dev/ttyUSB3"));
    }

    // Com12 opens like Com2; the override is read at every open.
    void openCloseAndOverride()
    {
        TDevicePeer peer;
        peer.MapPort(ini(), 12);
        TComPort port;
        port.SetSettingsFile(ini());
        port.SetPort(QStringLiteral("Com12"));
        port.Open();
        QVERIFY(port.Connected());
        port.Open();  // no effect, no error
        QVERIFY(port.Connected());
        QCOMPARE(port.WriteStr(QStringLiteral("HELLO")), 5);
        QVERIFY(peer.WaitForBytes(5));
        QCOMPARE(peer.Received(), QByteArray("HELLO"));
        QCOMPARE(peer.SlaveBaud(), 9600);
        port.Close();
        port.Close();
        QVERIFY(!port.Connected());

        TDevicePeer second;
        second.MapPort(ini(), 2);
        port.SetPort(QStringLiteral("Com2"));
        port.Open();
        QVERIFY(port.Connected());
        QCOMPARE(port.WriteStr(QString()), 0);
        // Changing the name while open reopens under the new name.
        port.SetPort(QStringLiteral("Com12"));
        QVERIFY(port.Connected());
        port.WriteStr(QStringLiteral("X"));
        QVERIFY(peer.WaitForBytes(6));
        QCOMPARE(second.Received(), QByteArray());
    }

    void failedOpenHoldsNothing()
    {
        TComPort port;
        port.SetSettingsFile(ini());
        TIniFile(ini()).WriteString(QStringLiteral("Ports"), QStringLiteral("Com9"), dir.filePath("missing"));
        port.SetPort(QStringLiteral("Com9"));
        try {
            port.Open();
            QFAIL("open of a missing device succeeded");
        } catch (const EComPort& e) {
            QCOMPARE(e.Error(), TComError::OpenFailed);
            QVERIFY(e.Message().startsWith(QStringLiteral("Unable to open com port (Error: ")));
        }
        QVERIFY(!port.Connected());

        // A file that is not a tty.
        const QString plain = dir.filePath(QStringLiteral("plain"));
        QFile(plain).open(QIODevice::WriteOnly);
        TIniFile(ini()).WriteString(QStringLiteral("Ports"), QStringLiteral("Com9"), plain);
        QVERIFY_THROWS_EXCEPTION(EComPort, port.Open());
        QVERIFY(!port.Connected());

        // A failed open of a busy tty leaves it free for its owner.
        TDevicePeer peer;
        peer.MapPort(ini(), 9);
        TComPort first;
        first.SetSettingsFile(ini());
        first.SetPort(QStringLiteral("Com9"));
        first.Open();
        bool refused = false;
        try {
            port.Open();
        } catch (const EComPort& e) {
            refused = e.Error() == TComError::OpenFailed;
        }
        QVERIFY(refused);
        QVERIFY(!port.Connected());
        first.Close();
        port.Open();  // nothing was held by the failed attempt
        QVERIFY(port.Connected());
    }

    void notOpenErrors()
    {
        TComPort port;
        try {
            port.WriteStr(QStringLiteral("x"));
            QFAIL("write on a closed port");
        } catch (const EComPort& e) {
            QCOMPARE(e.Error(), TComError::NotOpen);
            QCOMPARE(e.Message(), QStringLiteral("Port Not Open"));
        }
        QString s;
        QVERIFY_THROWS_EXCEPTION(EComPort, port.ReadStr(s, 10));
    }

    // Bytes 0..255 arrive unchanged as U+0000..U+00FF; announcements carry the
    // waiting count and are never 0.
    void receiveAnnouncements()
    {
        TDevicePeer peer;
        peer.MapPort(ini(), 3);
        TComPort port;
        port.SetSettingsFile(ini());
        port.SetPort(QStringLiteral("Com3"));
        port.Open();
        QString got;
        QList<int> counts;
        port.OnRxChar = [&](TComPort* p, int count) {
            counts << count;
            QString piece;
            p->ReadStr(piece, count);
            got += piece;
        };
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all += char(i);
        peer.Write(all);
        QVERIFY(PumpUntil([&] { return got.size() >= 256; }));
        QCOMPARE(got.size(), 256);
        for (int i = 0; i < 256; ++i)
            QCOMPARE(int(got[i].unicode()), i);
        QVERIFY(!counts.contains(0));
        QVERIFY(!counts.isEmpty());
    }

    // Waiting for data without an event loop: it ends as soon as bytes wait,
    // runs out at its limit when none come, and fails at once on a closed port.
    void waitForDataWithoutEvents()
    {
        TDevicePeer peer;
        peer.MapPort(ini(), 4);
        TComPort port;
        port.SetSettingsFile(ini());
        QVERIFY(!port.WaitForData(1000));
        port.SetPort(QStringLiteral("Com4"));
        port.Open();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!port.WaitForData(150));
        QVERIFY(clock.elapsed() >= 140);

        peer.Write("3");
        clock.restart();
        QVERIFY(port.WaitForData(10000));
        QVERIFY(clock.elapsed() < 5000);
        QString got;
        QCOMPARE(port.ReadStr(got, port.InQueue()), 1);
        QCOMPARE(got, QStringLiteral("3"));
        port.Close();
        clock.restart();
        QVERIFY(!port.WaitForData(1000));
        QVERIFY(clock.elapsed() < 500);
    }

    // A handler that lets an error escape does not stop later deliveries, and
    // data arriving during a handler (a modal message) is announced after it.
    void deliveryGoesOnAfterErrorsAndNesting()
    {
        TDevicePeer peer;
        peer.MapPort(ini(), 4);
        TComPort port;
        port.SetSettingsFile(ini());
        port.SetPort(QStringLiteral("Com4"));
        port.Open();
        int errors = 0;
        int calls = 0;
        bool nested = false, inside = false;
        QString got;
        port.OnHandlerError = [&](const std::exception&) { ++errors; };
        port.OnRxChar = [&](TComPort* p, int count) {
            if (inside)
                nested = true;
            inside = true;
            ++calls;
            QString piece;
            p->ReadStr(piece, count);
            got += piece;
            if (calls == 1) {
                inside = false;
                throw EComPort(TComError::ReadFailed, 0);
            }
            if (calls == 2) {
                // Like a modal message: events run while more data arrives.
                peer.Write("late");
                Pump(100);
            }
            inside = false;
        };
        peer.Write("a");
        QVERIFY(PumpUntil([&] { return calls >= 1; }));
        peer.Write("b");
        QVERIFY(PumpUntil([&] { return got.contains("late"); }));
        QCOMPARE(errors, 1);
        QVERIFY(!nested);
        QCOMPARE(got, QStringLiteral("ablate"));
    }

    void dtrOnPseudoTerminalFails()
    {
        TDevicePeer peer;
        peer.MapPort(ini(), 5);
        TComPort port;
        port.SetSettingsFile(ini());
        port.SetPort(QStringLiteral("Com5"));
        port.Open();
        try {
            port.SetDTR(true);
            QFAIL("DTR raised on a pseudo-terminal");
        } catch (const EComPort& e) {
            QCOMPARE(e.Error(), TComError::LineControlFailed);
            QVERIFY(e.Message().startsWith(QStringLiteral("EscapeCommFunction function failed")));
        }
        QVERIFY(port.Connected());
    }

    void rateChangesWhileOpen()
    {
        TDevicePeer peer;
        peer.MapPort(ini(), 6);
        TComPort port;
        port.SetSettingsFile(ini());
        port.SetPort(QStringLiteral("Com6"));
        port.SetBaudRate(TBaudRate::br38400);
        port.Open();
        QCOMPARE(peer.SlaveBaud(), 38400);
        port.SetBaudRate(TBaudRate::br115200);
        QCOMPARE(peer.SlaveBaud(), 115200);
    }

    // The adapter vanishes: writes fail with an error, nothing hangs, and no
    // endless announcements follow.
    void deviceVanishes()
    {
        TDevicePeer peer;
        peer.MapPort(ini(), 7);
        TComPort port;
        port.SetSettingsFile(ini());
        port.SetPort(QStringLiteral("Com7"));
        port.Open();
        int calls = 0;
        port.OnRxChar = [&](TComPort* p, int count) {
            ++calls;
            QString s;
            p->ReadStr(s, count);
        };
        peer.Vanish();
        Pump(200);
        QElapsedTimer clock;
        clock.start();
        bool failed = false;
        try {
            failed = port.WriteStr(QStringLiteral("GET\r")) == 0;
        } catch (const EComPort& e) {
            failed = e.Error() == TComError::WriteFailed;
        }
        QVERIFY(failed);
        QVERIFY(clock.elapsed() < 1500);
        QVERIFY(calls < 3);
        QVERIFY(port.Connected());
        port.Close();
        QVERIFY(!port.Connected());
    }

    // The wait for the output queue. A pseudo-terminal reports an empty queue
    // at once (what the slave writes is already in the master's buffer, and
    // discarding on close does not reach it), so the wait is tried on a
    // socket pair, whose queue (the same ioctl) holds what the other end has
    // not read yet: the far end reads slowly, stops, or is no queue at all.
    void outputWaitFollowsTheQueue_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("readDelayMs");  // per piece of 16 bytes; -1: never reads
        QTest::addColumn<int>("limitMs");
        QTest::addColumn<bool>("drained");
        QTest::newRow("slow reader") << 160 << 10 << 5000 << true;
        QTest::newRow("prompt reader") << 16 << 0 << 5000 << true;
        QTest::newRow("reader stopped") << 64 << -1 << 300 << false;
    }
    void outputWaitFollowsTheQueue()
    {
        QFETCH(int, bytes);
        QFETCH(int, readDelayMs);
        QFETCH(int, limitMs);
        QFETCH(bool, drained);
        int sv[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
        const QByteArray data(bytes, 'U');
        QCOMPARE(int(::write(sv[0], data.constData(), size_t(data.size()))), bytes);
        std::atomic<int> taken{0};
        std::atomic<bool> stop{false};
        std::thread reader([&] {
            if (readDelayMs < 0)
                return;
            char buf[16];
            while (!stop && taken < bytes) {
                std::this_thread::sleep_for(std::chrono::milliseconds(readDelayMs));
                const ssize_t n = ::read(sv[1], buf, sizeof buf);
                if (n > 0)
                    taken += int(n);
            }
        });
        QElapsedTimer clock;
        clock.start();
        const int still = WaitOutputSent(sv[0], 9600, limitMs);
        const qint64 took = clock.elapsed();
        const int takenAtReturn = taken;
        stop = true;
        reader.join();
        ::close(sv[0]);
        ::close(sv[1]);
        if (drained) {
            QCOMPARE(still, 0);
            QCOMPARE(takenAtReturn, bytes);  // returned only once all had left
        } else {
            QVERIFY(still > 0);
            QVERIFY(took >= limitMs);
            QVERIFY(took < limitMs + 2000);
        }
    }

    void outputWaitWithoutQueue()
    {
        int p[2];
        QCOMPARE(::pipe(p), 0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(WaitOutputSent(p[1], 9600, 5000), -1);
        QCOMPARE(WaitOutputSent(-1, 9600, 5000), -1);
        QVERIFY(clock.elapsed() < 1000);
        ::close(p[0]);
        ::close(p[1]);
    }

    // Over the pseudo-terminal: what is sent just before a close and a rate
    // change all arrives (discarding the output on close would drop what the
    // far side has not taken yet), and the sends report every byte.
    void bytesBeforeCloseAndRateChangeArrive()
    {
        TDevicePeer peer;
        peer.MapPort(ini(), 8);
        TComPort port;
        port.SetSettingsFile(ini());
        port.SetPort(QStringLiteral("Com8"));
        port.Open();
        port.TransmitChar(0x55);
        port.SetBaudRate(TBaudRate::br115200);
        QCOMPARE(port.WriteStr(QStringLiteral("{+}reset\r")), 9);
        port.Close();
        port.Open();
        QCOMPARE(port.OutQueue(), 0);
        QVERIFY(peer.WaitForBytes(10));
        QCOMPARE(peer.Received(), QByteArray("U{+}reset\r"));
    }

    // Closing, reopening under another name and every change of the rate let
    // the driver's queue empty first (a real adapter's queue; a
    // pseudo-terminal's always reads empty, so the test keeps one of its own
    // that empties after a while). A queue that never empties is waited for
    // as long as its bytes may take, then discarded.
    void closeAndRateChangesWaitForTheQueue_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("queued");
        QTest::addColumn<int>("emptyAfterMs");  // -1: never
        QTest::addColumn<int>("minMs");
        QTest::addColumn<int>("maxMs");
        QTest::newRow("close") << "close" << 40 << 300 << 280 << 1500;
        QTest::newRow("other rate") << "rate 115200" << 40 << 300 << 280 << 1500;
        QTest::newRow("same rate") << "rate 9600" << 40 << 300 << 0 << 150;
        QTest::newRow("other port name") << "port Com9" << 40 << 300 << 280 << 1500;
        QTest::newRow("write") << "write" << 40 << 300 << 280 << 1500;
        QTest::newRow("stuck queue") << "close" << 2 << -1 << 1150 << 2500;
    }
    void closeAndRateChangesWaitForTheQueue()
    {
        QFETCH(QString, action);
        QFETCH(int, queued);
        QFETCH(int, emptyAfterMs);
        QFETCH(int, minMs);
        QFETCH(int, maxMs);
        TDevicePeer peer;
        peer.MapPort(ini(), 8);
        TDevicePeer other;
        other.MapPort(ini(), 9);
        TComPort port;
        port.SetSettingsFile(ini());
        port.SetPort(QStringLiteral("Com8"));
        port.Open();
        QElapsedTimer queue;
        port.OutQueueProbe = [&] { return emptyAfterMs >= 0 && queue.elapsed() >= emptyAfterMs ? 0 : queued; };
        queue.start();
        if (action == QLatin1String("close"))
            port.Close();
        else if (action.startsWith(QLatin1String("rate ")))
            port.SetBaudRate(BaudRateFromName(action.mid(5)));
        else if (action.startsWith(QLatin1String("port ")))
            port.SetPort(action.mid(5));
        else
            port.WriteStr(QStringLiteral("x"));
        const qint64 took = queue.elapsed();
        QVERIFY2(took >= minMs && took <= maxMs, qPrintable(QString::number(took)));
    }
};

QTEST_MAIN(TestComPort)
#include "tst_comport.moc"
