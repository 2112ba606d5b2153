// Port selection, identification and scan with real pseudo-terminal devices.
#include "app/IniFile.h"
#include "app/UnitMain.h"
#include "serial/DeviceTable.h"
#include "support/Harness.h"
#include "support/Unprivileged.h"
#include "widgets/RadioGroup.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestPortSelection : public QObject {
    Q_OBJECT

    std::unique_ptr<TScriptedDialogsScope> scope;
    QTemporaryDir dir;

    // Every port points at a device that does not exist.
    void noDevices()
    {
        QByteArray s = "[Misc]\r\nCOM=0\r\n[Ports]\r\n";
        for (int n = 1; n <= 24; ++n)
            s += "Com" + QByteArray::number(n) + "=" + dir.filePath("none").toUtf8() + "\r\n";
        WriteTestSettings(s);
    }
    int storedCom() { return TIniFile(TestSettingsFile()).ReadInteger("Misc", "COM", -99); }

private slots:
    void init()
    {
        noDevices();
        scope = std::make_unique<TScriptedDialogsScope>();
    }
    void cleanup() { scope.reset(); }

    void deviceTable()
    {
        QCOMPARE(ReadDeviceId(QStringLiteral("#09.01.00.03"), false).family, 9);
        const TDeviceId id = ReadDeviceId(QStringLiteral("#01.02.01.00"), false);
        QCOMPARE(id.family, 1);
        QCOMPARE(id.variant, 1);
        // Characters 2-3 not a number: read from 4-5 and 10-11.
        const TDeviceId second = ReadDeviceId(QStringLiteral("#AB03xxxx07"), false);
        QCOMPARE(second.family, 3);
        QCOMPARE(second.variant, 7);
        // The selection re-reads below 1, the scan only at exactly 0.
        QCOMPARE(ReadDeviceId(QStringLiteral("#-1809"), false).family, 80);
        QCOMPARE(ReadDeviceId(QStringLiteral("#-1809"), true).family, -1);
        QCOMPARE(ReadDeviceId(QStringLiteral("#"), false).family, 0);
        QCOMPARE(LookupDevice({1, 0}, false)->panel, QStringLiteral("Vigilo"));
        QCOMPARE(LookupDevice({1, 1}, false)->suffix, QStringLiteral("  (= Vigilo-GSM)"));
        QVERIFY(!LookupDevice({1, 2}, false));
        QCOMPARE(LookupDevice({70, 5}, false)->panel, QStringLiteral("VigiloGSM"));
        QCOMPARE(LookupDevice({80, 0}, false)->panel, QStringLiteral("GPSDataLogger"));
        QCOMPARE(LookupDevice({81, 0}, false)->panel, QStringLiteral("Lokari"));
        QVERIFY(!LookupDevice({31, 0}, false));
        QCOMPARE(LookupDevice({31, 0}, true)->suffix, QStringLiteral("  (= Brakka)"));
        QVERIFY(!LookupDevice({2, 0}, true));
    }

    void selectingAZerbo()
    {
        TDevicePeer peer;
        peer.AnswerIdentification("#09.01.00.03");
        peer.MapPort(TestSettingsFile(), 3);
        TFormMain form;
        form.RadioGroupCOM()->SetItemIndex(2);
        QCOMPARE(form.ActivePanel, QStringLiteral("Zerbo"));
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("Com3 = connected"));
        QCOMPARE(form.RadioGroupCOMconnect()->Item(2), QStringLiteral("#09.01.00.03  (= Zerbo)"));
        QCOMPARE(form.RadioGroupCOMconnect()->ItemIndex(), 2);
        QCOMPARE(form.IdReply, QString());
        QCOMPARE(storedCom(), 3);
        QCOMPARE(peer.SlaveBaud(), 9600);
        QCOMPARE(LogLines(form), QStringList({"       <--- #09.01.00.03"}));  // the request is not echoed
    }

    void fallbackPositionsAndUnknownReplies()
    {
        TDevicePeer peer;
        peer.AnswerIdentification("#xx01xxxx01");  // Vigilo-GSM from characters 4-5 and 10-11
        peer.MapPort(TestSettingsFile(), 4);
        TFormMain form;
        form.RadioGroupCOM()->SetItemIndex(3);
        QCOMPARE(form.ActivePanel, QStringLiteral("VigiloGSM"));
        QCOMPARE(form.DeviceVariant, 1);

        peer.AnswerIdentification("junk #55.00");
        form.ClearPanels(QStringLiteral("Zerbo"));
        form.RadioGroupCOM()->SetItemIndex(2);                    // Com3: missing device
        QCOMPARE(form.ActivePanel, QStringLiteral("allgemein"));  // nothing written
        QCOMPARE(form.RadioGroupCOM()->ItemIndex(), -1);
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("disconnected"));
        form.RadioGroupCOM()->SetItemIndex(3);
        QCOMPARE(form.RadioGroupCOMconnect()->Item(3), QStringLiteral("#55.00"));
        QCOMPARE(form.ActivePanel, QStringLiteral("allgemein"));

        peer.AnswerIdentification("#31.00.00");
        form.RadioGroupCOM()->SetItemIndex(-1);
        form.RadioGroupCOM()->SetItemIndex(3);
        QCOMPARE(form.RadioGroupCOMconnect()->Item(3), QStringLiteral("#31.00.00"));
    }

    // A port that exists but does not open: the status still reads
    // "disconnected", and the tool tips of the status panel and of the port's
    // entry say why. A later successful selection takes the reason back.
    void portThatDoesNotOpenSaysWhy_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << "missing"
                                 << "kein solches Gerät";
        QTest::newRow("regular file") << "file"
                                      << "keine serielle Schnittstelle";
        QTest::newRow("held by another program") << "held"
                                                 << "belegt - ein anderes Programm benutzt sie";
        QTest::newRow("no permission") << "000"
                                       << "keine Berechtigung - den Benutzer in die Gruppe dialout aufnehmen";
    }
    void portThatDoesNotOpenSaysWhy()
    {
        QFETCH(QString, setup);
        QFETCH(QString, says);
        if (setup == QLatin1String("000") && RunningAsRoot())
            QSKIP("root opens a device whatever its mode; the probe covers this case as an ordinary user");

        TDevicePeer peer;
        peer.AnswerIdentification("#09.00.00");
        TComPort holder;
        QString device = peer.SlavePath();
        if (setup == QLatin1String("missing")) {
            device = dir.filePath("ttyUSB9");
        } else if (setup == QLatin1String("file")) {
            device = dir.filePath("plain.txt");
            QFile(device).open(QIODevice::WriteOnly);
        } else if (setup == QLatin1String("held")) {
            holder.SetPort(device);
            holder.Open();
        } else {
            QCOMPARE(::chmod(device.toLocal8Bit().constData(), 0), 0);
        }
        TIniFile(TestSettingsFile()).WriteString("Ports", "Com5", device);

        TFormMain form;
        const QString otherHint = form.RadioGroupCOM()->Button(5)->toolTip();
        form.RadioGroupCOM()->SetItemIndex(4);
        QVERIFY(!form.ComPort.Connected());
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("disconnected"));
        const QString why = form.StatusPanel(1)->toolTip();
        QVERIFY2(why.startsWith(device + QStringLiteral(": ")) && why.contains(says), qPrintable(why));
        QCOMPARE(form.RadioGroupCOM()->Button(4)->toolTip(), why);
        QCOMPARE(form.RadioGroupCOM()->Button(5)->toolTip(), otherHint);  // other entries keep theirs
        QCOMPARE(form.ActivePanel, QStringLiteral("allgemein"));

        // The cause goes away: the port opens, both tool tips lose the reason.
        holder.Close();
        ::chmod(peer.SlavePath().toLocal8Bit().constData(), 0620);
        peer.MapPort(TestSettingsFile(), 5);
        form.RadioGroupCOM()->SetItemIndex(4);
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("Com5 = connected"));
        QCOMPARE(form.StatusPanel(1)->toolTip(), QString());
        QCOMPARE(form.RadioGroupCOM()->Button(4)->toolTip(), peer.SlavePath());
        QCOMPARE(form.ActivePanel, QStringLiteral("Zerbo"));
    }

    void lateReplyIsLoggedOnly()
    {
        TDevicePeer peer;
        peer.SetLineHandler([](const QByteArray&) {
            QThread::msleep(700);
            return QByteArray("#01.00.00.00.00\r");
        });
        peer.MapPort(TestSettingsFile(), 2);
        TFormMain form;
        form.RadioGroupCOM()->SetItemIndex(1);
        QCOMPARE(form.ActivePanel, QStringLiteral("allgemein"));
        QCOMPARE(form.RadioGroupCOMconnect()->Item(1), QString());
        QCOMPARE(storedCom(), 2);  // written all the same
        QVERIFY(PumpUntil([&] { return !LogLines(form).isEmpty(); }));
        QCOMPARE(LogLines(form).last(), QStringLiteral("       <--- #01.00.00.00.00"));
        QCOMPARE(form.ActivePanel, QStringLiteral("allgemein"));
    }

    void scanWithoutDevicesIsQuick()
    {
        TFormMain form;
        QElapsedTimer clock;
        clock.start();
        form.ButtonScanClick();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!form.ComPort.Connected());
        QCOMPARE(form.RadioGroupCOM()->ItemIndex(), -1);
        for (int i = 0; i < 24; ++i) {
            QCOMPARE(form.RadioGroupCOMconnect()->Item(i), QString());
            // The port list tells why each port did not open.
            QCOMPARE(form.RadioGroupCOM()->Button(i)->toolTip(),
                     dir.filePath("none")
                         + QStringLiteral(": kein solches Gerät - den Adapter einstecken oder den Eintrag unter "
                                          "[Ports] in der Einstellungsdatei prüfen"));
        }
        QVERIFY(!form.ScanActive);
    }

    // One device: selected, opened, its panel shown. Family 31 is named in the
    // scan list and counts.
    void scanFindingOneDevice()
    {
        TDevicePeer zerbo, silent;
        zerbo.AnswerIdentification("#09.00.00");
        zerbo.MapPort(TestSettingsFile(), 7);
        silent.MapPort(TestSettingsFile(), 12);
        TFormMain form;
        form.ButtonScanClick();
        QCOMPARE(form.RadioGroupCOMconnect()->Item(6), QStringLiteral("#09.00.00  (= Zerbo)"));
        QCOMPARE(form.RadioGroupCOMconnect()->Item(11), QString());
        QCOMPARE(form.RadioGroupCOM()->ItemIndex(), 6);
        QVERIFY(form.ComPort.Connected());
        QCOMPARE(form.ComPort.Port(), QStringLiteral("Com7"));
        QCOMPARE(form.ActivePanel, QStringLiteral("Zerbo"));
        QCOMPARE(silent.Received(), QByteArray("{+}h\r"));
    }

    void scanFindingTwoOrTheSelectedOne()
    {
        TDevicePeer a, b;
        a.AnswerIdentification("#31.00.00");
        b.AnswerIdentification("#03.00.00");
        a.MapPort(TestSettingsFile(), 1);
        b.MapPort(TestSettingsFile(), 24);
        TFormMain form;
        form.ButtonScanClick();
        QCOMPARE(form.RadioGroupCOMconnect()->Item(0), QStringLiteral("#31.00.00  (= Brakka)"));
        QCOMPARE(form.RadioGroupCOMconnect()->Item(23), QStringLiteral("#03.00.00  (= Quintra)"));
        QVERIFY(!form.ComPort.Connected());
        QCOMPARE(form.ActivePanel, QStringLiteral("allgemein"));

        // The only device is on the port already selected: nothing changes.
        a.AnswerIdentification("garbage");
        form.RadioGroupCOM()->SetItemIndex(23);
        QCOMPARE(form.ActivePanel, QStringLiteral("Quintra"));
        form.ButtonScanClick();
        QCOMPARE(form.RadioGroupCOM()->ItemIndex(), 23);
        QVERIFY(!form.ComPort.Connected());
    }

    // The port list is locked out during a scan: a click changes the shown
    // selection and opens nothing.
    void clickDuringScan()
    {
        TDevicePeer silent, other;
        silent.MapPort(TestSettingsFile(), 1);
        other.MapPort(TestSettingsFile(), 6);
        TFormMain form;
        QTimer::singleShot(100, &form, [&] { form.RadioGroupCOM()->SetItemIndex(5); });
        form.ButtonScanClick();
        QCOMPARE(form.RadioGroupCOM()->ItemIndex(), 5);
        QVERIFY(!form.ComPort.Connected());
        QCOMPARE(other.Received(), QByteArray("{+}h\r"));  // only the scan's own probe
    }
};

QTEST_MAIN(TestPortSelection)
#include "tst_portselection.moc"
