// The real window with its port on the network: ser2net on 127.0.0.1 serves
// the pseudo-terminal of a device peer, Com3 of the settings file is its
// address.
#include "app/IniFile.h"
#include "firmware/UnitFlashen.h"
#include "serial/PortLink.h"
#include "support/BootLoaderPeer.h"
#include "support/FlashToolRun.h"
#include "support/ItemMenu.h"
#include "support/Ser2net.h"
#include "support/WindowRig.h"
#include "widgets/RadioGroup.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>

namespace {

struct TNetWindowRig : TWindowRig {
    TSer2net server;
    QTemporaryDir dir;

    TNetWindowRig(const QByteArray& identification, TSer2net::Accepter accepter = TSer2net::Accepter::Rfc2217)
        : TWindowRig(identification), server(peer.SlavePath(), accepter)
    {
        TIniFile(TestSettingsFile()).WriteString(QStringLiteral("Ports"), QStringLiteral("Com3"), server.Address());
        // The list shows what the file says now.
        form->PortLink()->LookAgain();
    }

    // A .rom file of these bytes, queued as the file dialog's answer.
    void rom(const QByteArray& data)
    {
        const QString path = dir.filePath(QStringLiteral("fw.rom"));
        PutFile(path, flashtool::RomText(data));
        scope.dialogs->files.enqueue(path);
    }

    // Runs the firmware dialog from the main menu's entry and closes it
    // once the procedure has ended; the status line it showed.
    QString flash(TFormFlashen& dialog)
    {
        QString status;
        QTimer driver;
        driver.setInterval(5);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            if (!dialog.isVisible() || !dialog.ProcedureEnded())
                return;
            driver.stop();
            status = dialog.findChild<QLabel*>(QStringLiteral("LabelFlashen"))->text();
            dialog.close();
        });
        driver.start();
        form->Flashen1Click();
        return status;
    }
};

}  // namespace

class TestNetWindow : public QObject {
    Q_OBJECT
private slots:
    void identificationAndCommandsOverRfc2217();
    void firmwareUpdateOverRfc2217();
    void rawSocketRefusesTheRateSwitch();
    void unreachableServerIsTold();
    void droppedConnectionIsAReplug();
    void pinningANetworkPort();
    void unconfirmedDtrIsTold();
    void listDownloadOverRawSocket();
    void scanAsksNetworkEntriesLikeAnyOther();
    void enduranceRunThroughADroppedServer();
    void cleanupTestCase() { RemoveTestSettings(); }
};

void TestNetWindow::identificationAndCommandsOverRfc2217()
{
    TNetWindowRig rig("#09.01.00.03");
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.selectPort();
    QCOMPARE(rig.form->ActivePanel, QStringLiteral("Zerbo"));
    QCOMPARE(rig.form->StatusPanel(1)->text(), QStringLiteral("Com3 = connected"));
    QCOMPARE(rig.form->RadioGroupCOMconnect()->Item(2), QStringLiteral("#09.01.00.03  (= Zerbo)"));
    QCOMPARE(rig.peer.SlaveBaud(), 9600);
    EXPECT_SENT(rig, "{+}h\r");
    // A small command and its answer through the receive side, with an
    // IAC byte in the answer.
    rig.peer.SetLineHandler([](const QByteArray& line) {
        return line == "{+}f" ? QByteArray("#FW 2.\xff"
                                           "1\r")
                              : QByteArray();
    });
    rig.click(QStringLiteral("ButtonFirmware"));
    EXPECT_SENT(rig, "{+}f\r");
    QVERIFY(rig.logged(QString::fromLatin1("#FW 2.\xff"
                                           "1")));
}

void TestNetWindow::firmwareUpdateOverRfc2217()
{
    TNetWindowRig rig("#01.00.00");
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.selectPort();
    QCOMPARE(rig.form->ActivePanel, QStringLiteral("Vigilo"));
    TFormFlashen dialog(rig.form.get());
    rig.peer.ClearReceived();
    // 0xFF in the data and in the fill: escaped on the way, whole at the end.
    const QByteArray data = flashtool::Words(700);
    QVERIFY(data.contains(char(0xFF)));
    rig.rom(data);
    TBootLoaderPeer loader(rig.peer, rig.form->FlashBlockSize);
    QCOMPARE(rig.flash(dialog), QStringLiteral("Firmware-Update OK"));
    QCOMPARE(loader.Flash(), flashtool::Padded(data, rig.form->FlashBlockSize));
    QCOMPARE(loader.ChecksumFaults(), 0);
    // The blocks went at the rate set over RFC 2217; the port is back at 9600.
    QCOMPARE(loader.TransferBauds(), QSet<int>{115200});
    QVERIFY(rig.form->ComPort.Connected());
    QCOMPARE(rig.peer.SlaveBaud(), 9600);
}

void TestNetWindow::rawSocketRefusesTheRateSwitch()
{
    TNetWindowRig rig("#01.00.00", TSer2net::Accepter::Raw);
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.selectPort();
    // Identification works over the raw socket at the server's rate.
    QCOMPARE(rig.form->ActivePanel, QStringLiteral("Vigilo"));
    TFormFlashen dialog(rig.form.get());
    rig.peer.ClearReceived();
    rig.rom(flashtool::Words(10));
    rig.form->Flashen1Click();
    PumpUntil([&] { return !rig.dialogs().Texts(QStringLiteral("warning")).isEmpty(); });
    const QStringList warnings = rig.dialogs().Texts(QStringLiteral("warning"));
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings[0].contains(u"socket://") && warnings[0].contains(u"115200"), qPrintable(warnings[0]));
    // Stopped before it started: no file asked for, nothing sent.
    QVERIFY(rig.dialogs().Texts(QStringLiteral("open")).isEmpty());
    Pump(200);
    QCOMPARE(rig.peer.Received(), QByteArray());
    QVERIFY(!dialog.isVisible());
}

void TestNetWindow::unreachableServerIsTold()
{
    TNetWindowRig rig("#01.00.00");
    // The server is not started: nothing listens at its port.
    rig.selectPort();
    QCOMPARE(rig.form->StatusPanel(1)->text(), QStringLiteral("disconnected"));
    const QString why = rig.form->StatusPanel(1)->toolTip();
    QVERIFY2(why.startsWith(rig.server.Address()) && why.contains(u"abgewiesen"), qPrintable(why));
    QCOMPARE(rig.form->RadioGroupCOM()->ItemIndex(), -1);
}

void TestNetWindow::droppedConnectionIsAReplug()
{
    TNetWindowRig rig("#09.01.00.03");
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.selectPort();
    QCOMPARE(rig.form->ActivePanel, QStringLiteral("Zerbo"));
    EXPECT_SENT(rig, "{+}h\r");
    // The server goes away: the port waits for it as for a pulled adapter.
    rig.server.Stop();
    QVERIFY(rig.logged(QStringLiteral("Com3: Gerät getrennt (%1), warte").arg(rig.server.Address()), 3000));
    QCOMPARE(rig.form->StatusPanel(1)->text(), QStringLiteral("Com3 = Gerät getrennt, warte"));
    QVERIFY(DeviceAwaited(*rig.form));
    // Tried again with a growing pause, each try refused; then it is back.
    Pump(1200);
    QVERIFY(!rig.form->ComPort.Connected());
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    QVERIFY(rig.logged(QStringLiteral("Com3: Gerät wieder da, Schnittstelle wieder offen mit 9600 bit/s"), 8000));
    QCOMPARE(rig.form->StatusPanel(1)->text(), QStringLiteral("Com3 = connected"));
    QVERIFY(!DeviceAwaited(*rig.form));
    // Identified again where it was, and the commands go through.
    EXPECT_SENT(rig, "{+}h\r");
    rig.click(QStringLiteral("ButtonHardware"));
    EXPECT_SENT(rig, "{+}h\r");
}

void TestNetWindow::pinningANetworkPort()
{
    TNetWindowRig rig("#01.00.00");
    TFormMain& form = *rig.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    TRadioGroup& list = *form.RadioGroupCOM();
    const QByteArray before = FileBytes(TestSettingsFile());
    // The network entry's tool tip names its address and kind.
    QVERIFY2(list.Button(2)->toolTip().startsWith(rig.server.Address() + QStringLiteral("\nNetzwerkport, RFC 2217")),
             qPrintable(list.Button(2)->toolTip()));

    // The real dialog, typed into by keys to the focused control.
    bool refusedBlank = false;
    QString problem;
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d)
            return;
        driver.stop();
        auto* host = d->findChild<QLineEdit*>(QStringLiteral("EditHost"));
        auto* port = d->findChild<QLineEdit*>(QStringLiteral("EditPort"));
        QPushButton* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        host->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("bench 2"));
        port->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("2001"));
        refusedBlank = !ok->isEnabled();
        problem = d->findChild<QLabel*>(QStringLiteral("LabelProblem"))->text();
        host->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    driver.start();
    QVERIFY(PickFromItemMenu(form, list, 4, QStringLiteral("Netzwerkport an Com5 binden")));
    QVERIFY(refusedBlank);
    QVERIFY2(problem.contains(u"bench 2"), qPrintable(problem));
    // Written the way pinning writes: that line added, the rest byte for byte.
    QByteArray pinned = before;
    pinned.append("Com5=rfc2217://bench2:2001\r\n");
    QCOMPARE(FileBytes(TestSettingsFile()), pinned);
    QVERIFY(list.Button(4)->toolTip().startsWith(QStringLiteral("rfc2217://bench2:2001\n")));
}

void TestNetWindow::unconfirmedDtrIsTold()
{
    // The Lupino panel raises DTR; ser2net before a pseudo-terminal does not
    // confirm it: the log says so and the port goes on at the panel's rate.
    TNetWindowRig rig("#01.00.00");
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.selectPort();
    rig.form->ClearPanels(QStringLiteral("Lupino"));
    QVERIFY(rig.logged(QStringLiteral("Com3: DTR vom Geräteserver nicht bestätigt")));
    QVERIFY(rig.form->ComPort.Connected());
    QCOMPARE(rig.peer.SlaveBaud(), 38400);
    QVERIFY(rig.dialogs().Texts(QStringLiteral("error")).isEmpty());
}

void TestNetWindow::listDownloadOverRawSocket()
{
    TNetWindowRig rig("#80.00.00", TSer2net::Accepter::Raw);
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.selectPort();
    QCOMPARE(rig.form->ActivePanel, QStringLiteral("GPSDataLogger"));
    rig.peer.ClearReceived();
    const QString file = rig.dir.filePath(QStringLiteral("trip.lst"));
    rig.dialogs().files.enqueue(file);
    rig.click(QStringLiteral("BtnL_GPSDL"));
    EXPECT_SENT(rig, "L\r");
    // A recording as the logger sends it, in two pieces.
    rig.peer.Write("$GPGGA,120000,5130.1,N\r\n$GPRMC,120001,A\r\n");
    rig.peer.Write("end of data ... 2 records\r");
    QVERIFY(rig.logged(QStringLiteral("end of data")));
    QVERIFY(PumpUntil([&] { return !rig.form->DataFileOpen(); }));
    QCOMPARE(FileBytes(file), QByteArray("$GPGGA,120000,5130.1,N\r\n$GPRMC,120001,A\r\nend of data ... 2 records\r\n"));
}

void TestNetWindow::scanAsksNetworkEntriesLikeAnyOther()
{
    TNetWindowRig rig("#09.01.00.03");
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    // Com3 the unit over the network, Com4 an address nobody listens at,
    // every other entry a device that does not exist.
    TIniFile ini(TestSettingsFile());
    for (int n = 1; n <= 24; ++n)
        if (n != 3)
            ini.WriteString(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(n),
                            n == 4 ? QStringLiteral("rfc2217://127.0.0.1:%1").arg(TSer2net::FreePort())
                                   : rig.dir.filePath(QStringLiteral("none")));
    rig.click(QStringLiteral("ButtonScan"));
    QCOMPARE(rig.form->RadioGroupCOMconnect()->Item(2), QStringLiteral("#09.01.00.03  (= Zerbo)"));
    QCOMPARE(rig.form->RadioGroupCOMconnect()->Item(3), QString());
    // The one unit found is selected, opened and identified.
    QCOMPARE(rig.form->RadioGroupCOM()->ItemIndex(), 2);
    QVERIFY(rig.form->ComPort.Connected());
    QCOMPARE(rig.form->ActivePanel, QStringLiteral("Zerbo"));
}

void TestNetWindow::enduranceRunThroughADroppedServer()
{
    TNetWindowRig rig("#01.00.01");
    std::atomic<int> queries{0};
    rig.peer.SetLineHandler([&queries](const QByteArray& line) {
        if (line == "{+}h")
            return QByteArray("#01.00.01\r");
        if (line == "{+}gsminfo")
            return "CSQ " + QByteArray::number(++queries) + "\r";
        return QByteArray();
    });
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    rig.selectPort();
    QCOMPARE(rig.form->ActivePanel, QStringLiteral("VigiloGSM"));
    const QString protocol = rig.dir.filePath(QStringLiteral("run.pro"));
    rig.dialogs().files.enqueue(protocol);
    rig.w(QStringLiteral("ButtonDauerlauf"))->click();
    // The run's 30 s query at a quicker pace.
    QTimer pace;
    QObject::connect(&pace, &QTimer::timeout, [&] {
        if (rig.form->Timer4.isActive() && rig.form->Timer4.interval() >= 2000)
            rig.form->Timer4.setInterval(100);
    });
    pace.start(10);
    QVERIFY(PumpUntil([&] { return queries >= 3; }, 5000));

    rig.server.Stop();
    QVERIFY(rig.logged(QStringLiteral("Com3: Gerät getrennt"), 3000));
    const int before = queries;
    Pump(600);
    QCOMPARE(int(queries), before);  // nothing reaches the device meanwhile
    QVERIFY2(rig.server.Start(), qPrintable(rig.server.Failure()));
    QVERIFY(rig.logged(QStringLiteral("Com3: Gerät wieder da"), 8000));
    QVERIFY(PumpUntil([&] { return queries >= before + 3; }, 5000));
    pace.stop();
    // One protocol file through the gap, with the replies from before and
    // after it.
    const QByteArray written = FileBytes(protocol);
    QVERIFY2(written.contains("CSQ 1") && written.contains("CSQ " + QByteArray::number(before + 2)),
             written.constData());
}

QTEST_MAIN(TestNetWindow)
#include "tst_netwindow.moc"
