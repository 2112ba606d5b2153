// The command-line flasher with network addresses: the built program against
// a boot loader behind a real ser2net, by address and by Com name.
#include "support/BootLoaderPeer.h"
#include "support/FlashToolRun.h"
#include "support/Ser2net.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kTool = QStringLiteral(VELMOR_FLASH_PATH);

}  // namespace

class TestFlashToolNet : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString file(const char* name, const QByteArray& content)
    {
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void flashes_data()
    {
        QTest::addColumn<bool>("byName");
        QTest::newRow("address given") << false;
        QTest::newRow("Com name mapped in the settings") << true;
    }
    void flashes()
    {
        QFETCH(bool, byName);
        TDevicePeer peer;
        TBootLoaderPeer loader(peer, 128);
        TSer2net server(peer.SlavePath());
        QVERIFY2(server.Start(), qPrintable(server.Failure()));
        const QString settings =
            file("settings.ini", "[Misc]\r\nCOM=0\r\n[Ports]\r\nCom7=" + server.Address().toUtf8() + "\r\n");
        const QByteArray data = flashtool::Words(700);
        const QString rom = file("fw.rom", flashtool::RomText(data));
        const flashtool::TRun r = flashtool::Run(
            kTool, {QStringLiteral("--settings"), settings, byName ? QStringLiteral("Com7") : server.Address(), rom});
        QCOMPARE(r.exit, 0);
        QCOMPARE(r.out, QStringList{QStringLiteral("Firmware-Update OK")});
        QCOMPARE(loader.Flash(), flashtool::Padded(data, 128));
        QCOMPARE(loader.ChecksumFaults(), 0);
        // (What the line is left at cannot be seen: ser2net puts back the
        // device's own settings when the tool's connection ends.)
        QCOMPARE(loader.TransferBauds(), QSet<int>{115200});
    }

    void rawSocketWithoutRateSwitch_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("modem link") << "--csd";
        QTest::newRow("loader already at the server's rate") << "--start-rate=115200";
    }
    void rawSocketWithoutRateSwitch()
    {
        // No rate to change: the update runs at the server's rate.
        QFETCH(QString, option);
        TDevicePeer peer;
        TBootLoaderPeer::Script script;
        script.startAt115200Only = false;
        TBootLoaderPeer loader(peer, 128, script);
        TSer2net server(peer.SlavePath(), TSer2net::Accepter::Raw);
        QVERIFY2(server.Start(), qPrintable(server.Failure()));
        const QString settings = file("raw.ini", "[Misc]\r\nCOM=0\r\n");
        const QByteArray data = flashtool::Words(300);
        const QString rom = file("raw.rom", flashtool::RomText(data));
        const flashtool::TRun r =
            flashtool::Run(kTool, {QStringLiteral("--settings"), settings, option, server.Address(), rom});
        QCOMPARE(r.exit, 0);
        QCOMPARE(loader.Flash(), flashtool::Padded(data, 128));
        QCOMPARE(loader.TransferBauds(), QSet<int>{9600});
    }

    void refusals_data()
    {
        QTest::addColumn<int>("accepter");  // -1: no server
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("text");
        QTest::newRow("nobody listens") << -1 << "rfc2217"
                                        << "abgewiesen";
        QTest::newRow("raw socket cannot switch the rate") << int(TSer2net::Accepter::Raw) << "socket"
                                                           << "kann seine Übertragungsrate nicht ändern";
    }
    void refusals()
    {
        QFETCH(int, accepter);
        QFETCH(QString, scheme);
        QFETCH(QString, text);
        TDevicePeer peer;
        std::unique_ptr<TSer2net> server;
        quint16 port = TSer2net::FreePort();
        if (accepter >= 0) {
            server = std::make_unique<TSer2net>(peer.SlavePath(), TSer2net::Accepter(accepter));
            QVERIFY2(server->Start(), qPrintable(server->Failure()));
            port = server->Port();
        }
        const QString address = QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port);
        const QString settings = file("none.ini", "[Misc]\r\nCOM=0\r\n");
        const QString rom = file("small.rom", flashtool::RomText(flashtool::Words(10)));
        const flashtool::TRun r = flashtool::Run(kTool, {QStringLiteral("--settings"), settings, address, rom});
        QCOMPARE(r.exit, 21);  // the device was not opened
        QVERIFY2(r.err.contains(text), qPrintable(r.err));
        // Nothing reached the device.
        QCOMPARE(peer.Received(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestFlashToolNet)
#include "tst_flashtoolnet.moc"
