// Start-up with the settings file beside the program, and the exit.
#include "app/IniFile.h"
#include "app/UnitMain.h"
#include "support/Harness.h"
#include "widgets/RadioGroup.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestStartUp : public QObject {
    Q_OBJECT

    std::unique_ptr<TScriptedDialogsScope> scope;
    QTemporaryDir dir;

    // The remote control's dial field, which start-up fills from the file.
    static QString dialNumber(const TFormMain& form)
    {
        auto* field = form.findChild<QLineEdit*>(QStringLiteral("EditATD_VGG"));
        return field ? field->text() : QStringLiteral("<no dial field>");
    }

    QByteArray settingsBytes()
    {
        QFile f(TestSettingsFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Every port points at a device that does not exist, except those mapped later.
    QByteArray noDevices()
    {
        QByteArray s = "[Ports]\r\n";
        for (int n = 1; n <= 24; ++n)
            s += "Com" + QByteArray::number(n) + "=" + dir.filePath("none").toUtf8() + "\r\n";
        return s;
    }

private slots:
    void init() { scope = std::make_unique<TScriptedDialogsScope>(); }
    void cleanup()
    {
        scope.reset();
        RemoveTestSettings();
    }

    void firstStartCreatesTheFile()
    {
        RemoveTestSettings();
        TFormMain form;
        QCOMPARE(settingsBytes(),
                 QByteArray("[Calls]\r\nATD=+49\r\n[DIR]\r\nDirectory=\r\nFile=\r\nGPS-Directory=\r\nGPS-File=\r\n"
                            "LST-Directory=\r\nLST-File=\r\nPLC-Directory=\r\nPLC-File=\r\n[Misc]\r\nCOM=0\r\n"));
        QCOMPARE(dialNumber(form), QStringLiteral("+49"));
        QCOMPARE(form.RadioGroupCOM()->ItemIndex(), -1);
        QVERIFY(!form.ComPort.Connected());
        QCOMPARE(form.ActivePanel, QStringLiteral("allgemein"));
        QCOMPARE(form.SecondsCounter, 0);
        QCOMPARE(form.TriggerCountdown, -1);
        QCOMPARE(form.VersionText, QStringLiteral("3.11"));
        QVERIFY(scope->dialogs->shown.isEmpty());
    }

    void keysAndFallbacks()
    {
        WriteTestSettings("; kept\r\n[dir]\r\nfile=/x/a.rom\r\nGPS-Directory=\r\nLST-File=track.lst\r\n"
                          "PLC-Directory=/plc\r\n[Other]\r\nk=v\r\n");
        {
            TFormMain form;
            QCOMPARE(dialNumber(form), QStringLiteral("+49171;"));
            QCOMPARE(form.FirmwareDir, QStringLiteral("."));
            QCOMPARE(form.FirmwareFile, QStringLiteral("/x/a.rom"));
            QCOMPARE(form.GpsDir, QString());  // present and empty
            QCOMPARE(form.GpsFile, QString());
            QCOMPARE(form.ComNumber, 0);
            form.WriteSettings();
        }
        const QByteArray after = settingsBytes();
        // Stored list and sequence names survive the next write.
        QVERIFY(after.contains("LST-File=track.lst\r\n"));
        QVERIFY(after.contains("PLC-Directory=/plc\r\n"));
        QVERIFY(after.startsWith("; kept\r\n"));
        QVERIFY(after.contains("[Other]\r\nk=v\r\n"));
        QVERIFY(after.contains("ATD=+49171;\r\n"));
    }

    void storedPortIsOpenedAndIdentified()
    {
        TDevicePeer peer;
        peer.AnswerIdentification("#09.01.00.03");
        WriteTestSettings(noDevices() + "[Misc]\r\nCOM=3\r\n");
        peer.MapPort(TestSettingsFile(), 3);
        TFormMain form;
        QCOMPARE(form.RadioGroupCOM()->ItemIndex(), 2);
        QVERIFY(form.ComPort.Connected());
        QCOMPARE(form.ActivePanel, QStringLiteral("Zerbo"));
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("Com3 = connected"));
        QCOMPARE(peer.Received(), QByteArray("{+}h\r"));
    }

    void storedPortNumbers_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("index");
        QTest::newRow("zero") << QByteArray("0") << -1;
        QTest::newRow("negative") << QByteArray("-2") << -1;
        QTest::newRow("text") << QByteArray("drei") << -1;
        QTest::newRow("above 24") << QByteArray("30") << 23;
    }
    void storedPortNumbers()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, index);
        TDevicePeer peer;
        WriteTestSettings(noDevices() + "[Misc]\r\nCOM=" + value + "\r\n");
        peer.MapPort(TestSettingsFile(), 24);
        TFormMain form;
        QCOMPARE(form.RadioGroupCOM()->ItemIndex(), index);
        QCOMPARE(form.ComPort.Connected(), index == 23);
        if (index == 23)
            QCOMPARE(form.ComPort.Port(), QStringLiteral("Com24"));
    }

    // Whatever the file holds, start-up goes on without a message.
    void damagedSettingsFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage += char((i * 131 + 7) % 256);
        QTest::newRow("garbage") << garbage;
        QTest::newRow("no sections") << QByteArray("COM=3\nATD=1\n");
    }
    void damagedSettingsFiles()
    {
        QFETCH(QByteArray, content);
        WriteTestSettings(content);
        TFormMain form;
        QCOMPARE(form.ComNumber, 0);
        QCOMPARE(dialNumber(form), QStringLiteral("+49171;"));
        QCOMPARE(form.FirmwareDir, QStringLiteral("."));
        QVERIFY(scope->dialogs->shown.isEmpty());
    }

    void readOnlySettingsFile()
    {
        TDevicePeer peer;
        peer.AnswerIdentification("#01.00.00.00.00");
        WriteTestSettings(noDevices() + "[Misc]\r\nCOM=0\r\n");
        peer.MapPort(TestSettingsFile(), 2);
        QFile::setPermissions(TestSettingsFile(), QFileDevice::ReadOwner);
        const QByteArray before = settingsBytes();
        TFormMain form;
        form.RadioGroupCOM()->SetItemIndex(1);
        QCOMPARE(form.ActivePanel, QStringLiteral("Vigilo"));
        QCOMPARE(form.ComNumber, 2);  // kept in memory
        QCOMPARE(settingsBytes(), before);
        QVERIFY(scope->dialogs->shown.isEmpty());
    }

    // A user without a configuration directory yet: the first write creates
    // the folders, private to the user; a second write finds them there.
    void settingsWriteCreatesTheFolders()
    {
        TFormMain form;
        const QString folder = dir.filePath(QStringLiteral("home/.config/VelmorServiceSoftware"));
        form.SettingsFile = folder + QStringLiteral("/VelmorServiceSoftware.ini");
        form.ComNumber = 7;
        form.WriteSettings();
        QCOMPARE(TIniFile(form.SettingsFile).ReadInteger("Misc", "COM", -1), 7);
        for (const QString& f : {dir.filePath(QStringLiteral("home")), folder}) {
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(f).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, mode_t(0700));
        }
        form.ComNumber = 8;
        form.WriteSettings();
        QCOMPARE(TIniFile(form.SettingsFile).ReadInteger("Misc", "COM", -1), 8);
    }

    // Exit closes the port and every file slot and writes no settings.
    void exitClosesEverything()
    {
        TDevicePeer peer;
        WriteTestSettings(noDevices() + "[Misc]\r\nCOM=0\r\n");
        peer.MapPort(TestSettingsFile(), 5);
        TFormMain form;
        form.RadioGroupCOM()->SetItemIndex(4);
        QVERIFY(form.ComPort.Connected());
        const QString capture = dir.filePath(QStringLiteral("cap.pro"));
        QCOMPARE(form.DataFile.OpenForWriting(capture), 0);
        QCOMPARE(form.ExportFile.OpenForWriting(dir.filePath(QStringLiteral("out.csv"))), 0);
        form.ExportFile.WriteLine(QStringLiteral("buffered"));
        const QByteArray before = settingsBytes();
        form.Exit1Click();
        QVERIFY(!form.ComPort.Connected());
        QVERIFY(!form.Timer1.isActive());
        QVERIFY(!form.DataFile.IsOpen());
        QVERIFY(!form.ExportFile.IsOpen());
        QFile out(dir.filePath(QStringLiteral("out.csv")));
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("buffered\r\n"));
        QCOMPARE(settingsBytes(), before);
    }
};

QTEST_MAIN(TestStartUp)
#include "tst_startup.moc"
