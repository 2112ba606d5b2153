// The GPS data logger and tracker panels and the list download, in the real
// main window over a pseudo-terminal device.
#include "app/IniFile.h"
#include "gps/ListDownload.h"
#include "serial/PortLink.h"
#include "support/WindowRig.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A main window on Com3, where a peer answers as a GPS data logger, so the
// logger panel comes up the way identification brings it up. As tracker, the
// tracker panel's port action has reopened the port at 38400 bit/s.
struct TRig : TWindowRig {
    QTemporaryDir dir;

    enum class Kind { Logger, Tracker, NoPort };

    explicit TRig(Kind kind = Kind::Logger) : TWindowRig("#80.00.00")
    {
        if (kind == Kind::NoPort) {
            form->ClearPanels(QStringLiteral("GPSDataLogger"));
        } else {
            selectPort();
            if (form->ActivePanel != QLatin1String("GPSDataLogger"))
                qFatal("logger not identified");
        }
        if (kind == Kind::Tracker) {
            // Raising DTR fails on a pseudo-terminal after the port is open
            // again; the panel's buttons work all the same.
            try {
                form->ClearPanels(QStringLiteral("Lupino"));
            } catch (const EComPort&) {
            }
            if (!form->ComPort.Connected() || peer.SlaveBaud() != 38400)
                qFatal("tracker port not reopened");
        }
        peer.ClearReceived();
        form->Memo1()->clear();
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Chooses file in the list dialog and clicks button.
    void download(const QString& button, const QString& file)
    {
        dialogs().files.enqueue(file);
        w(button)->click();
    }
};

void allCapturesOn(TFormMain& form) { form.PlainCapture = form.StampCapture = form.PlcCapture = true; }

bool anyCapture(const TFormMain& form) { return form.PlainCapture || form.StampCapture || form.PlcCapture; }

}  // namespace

class TestGpsPanels : public QObject {
    Q_OBJECT

    // One panel's command buttons: the bytes each puts on the line and the
    // log line its send operation leaves ("" for none). Fields named in
    // "field" get "text" first.
    void commandTable(bool tracker)
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("echo");
        auto row = [](const char* tag, const char* button, const char* bytes, const char* echo, const char* field = "",
                      const char* text = "") {
            QTest::newRow(tag) << QString::fromLatin1(button) << QString::fromLatin1(field) << QString::fromLatin1(text)
                               << QByteArray(bytes) << QString::fromLatin1(echo);
        };
        if (!tracker) {
            row("?", "BtnFrageZeichen_GPSDL", "?\r", "?  --->");
            row("!", "Button14", "!\r", "!  --->");
            row("L", "BtnL_GPSDL", "L\r", "L  --->");
            row("DIR downloads", "Button47", "L\r", "L  --->");
            row("ESC", "Button21", "\x1b", "");
            row("ERASE", "BtnERASE_GPSDL", "ERASE\r", "ERASE  --->");
            row("O1", "BtnO1_GPSDL", "O1\r", "O1  --->");
            row("O0", "BtnO0_GPSDL", "O0\r", "O0  --->");
            row("2 s", "Btn_R1", "R1\r", "R1  --->");
            row("5 s", "Btn_R2", "R2\r", "R2  --->");
            row("10 s", "Btn_R3", "R3\r", "R3  --->");
            row("30 s", "Btn_R4", "R4\r", "R4  --->");
            row("60 s", "Btn_R5", "R5\r", "R5  --->");
            return;
        }
        row("?", "Button26", "?\r", "?  --->");
        row("!", "Button97", "!\r", "!  --->");
        row("L", "Button86", "L\r", "L  --->");
        row("DIR", "Button25", "DIR\r", "DIR  --->");
        row("ESC", "Button92", "\x1b", "");
        row("ERASE", "Button96", "ERASE\r", "ERASE  --->");
        row("O1", "Button91", "O1\r", "O1  --->");
        row("O0", "Button98", "O0\r", "O0  --->");
        row("2 s", "Button103", "R1\r", "R1  --->");
        row("5 s", "Button104", "R2\r", "R2  --->");
        row("10 s", "Button105", "R3\r", "R3  --->");
        row("30 s", "Button107", "R4\r", "R4  --->");
        row("60 s", "Button108", "R5\r", "R5  --->");
        row("GSM Info", "Button114", "GSMInfo\r", "GSMInfo  --->");
        row("Settings", "Button115", "Settings\r", "Settings  --->");
        row("LowBatSMS initial", "Button116", "LowBatSMS=0\r", "LowBatSMS=0  --->");
        row("LowBatSMS 1", "Button116", "LowBatSMS=1\r", "LowBatSMS=1  --->", "SpinEdit26", "1");
        row("LowBatSMS no number", "Button116", "LowBatSMS=0\r", "LowBatSMS=0  --->", "SpinEdit26", "x");
        row("PDTimeOut initial", "Button117", "PDTimeOut=0\r", "PDTimeOut=0  --->");
        row("PDTimeOut 1800", "Button117", "PDTimeOut=1800\r", "PDTimeOut=1800  --->", "SpinEdit27", "1800");
        row("MsgSMS empty", "Button113", "MsgSMS = \r", "MsgSMS =   --->", "MsgSMSNr", "");
        row("MsgSMS as typed", "Button113", "MsgSMS =  +49 171/55\r", "MsgSMS =  +49 171/55  --->", "MsgSMSNr",
            " +49 171/55");
        row("GSM on", "Button119", "GSM=1\r", "GSM=1  --->");
        row("GSM off", "Button120", "GSM=0\r", "GSM=0  --->");
    }

    void walkCommand(bool tracker)
    {
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, echo);
        TRig rig(tracker ? TRig::Kind::Tracker : TRig::Kind::Logger);
        if (!field.isEmpty())
            rig.w<QLineEdit>(field)->setText(text);
        // The list buttons need a file; everything else ignores it.
        rig.dialogs().files.enqueue(rig.path(QStringLiteral("list")));

        rig.w(button)->click();
        QCOMPARE(rig.take(bytes.size()), bytes);
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
        for (const TDevicePeer::Arrival& a : rig.peer.Arrivals())
            QCOMPARE(a.baud, tracker ? 38400 : 9600);
        const QStringList log = LogLines(*rig.form);
        if (echo.isEmpty())
            QVERIFY2(log.join(QString()).trimmed().isEmpty(), qPrintable(log.join(QLatin1Char('|'))));
        else
            QCOMPARE(log.last(), echo);
        QVERIFY(!rig.dialogs().Texts().contains(kNoPort));
    }

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    void loggerButtons_data() { commandTable(false); }
    void loggerButtons() { walkCommand(false); }
    void trackerButtons_data() { commandTable(true); }
    void trackerButtons() { walkCommand(true); }

    void captionsAndFields()
    {
        TRig rig;
        const std::pair<const char*, const char*> captions[] = {{"GroupBox31", "commands"},
                                                                {"GroupBox34", "parameter"},
                                                                {"GroupBox36", "GPS-Scan Resolution"},
                                                                {"GroupBox24", "convert output format to ..."},
                                                                {"BtnL_GPSDL", "L (= List)"},
                                                                {"BtnO1_GPSDL", "O1 (= Online ON)"},
                                                                {"Button21", "ESC"},
                                                                {"BtnERASE_GPSDL", "ERASE (= Memory delete)"},
                                                                {"BtnO0_GPSDL", "O0 (= Online OFF)"},
                                                                {"Button47", "DIR (= Directory)"},
                                                                {"Btn_R1", "2 s"},
                                                                {"Btn_R5", "60 s"},
                                                                {"BtnOF_MapPoint", "MS-MapPoint"},
                                                                {"BtnOF_Kartex", "Kartex"},
                                                                {"BtnOF_MagicMaps", "MagicMaps"},
                                                                {"BtnOF_GPX", "GPX"},
                                                                {"Button46", "firmware update"},
                                                                {"GroupBox50", "commands"},
                                                                {"Button86", "L (= List)"},
                                                                {"Button25", "DIR (= Directory)"},
                                                                {"Button96", "ERASE (= Memory delete)"},
                                                                {"Button99", "firmware update"},
                                                                {"Button112", "FLASH prüfen"},
                                                                {"Button119", "GSM Ein"},
                                                                {"Button120", "GSM Aus"},
                                                                {"GroupBox51", "parameter"},
                                                                {"GroupBox53", "GPS Scan Resolution"},
                                                                {"GroupBox54", "convert output format to ..."},
                                                                {"Button103", "2 s"},
                                                                {"Button108", "60 s"},
                                                                {"Button109", "MS-MapPoint"},
                                                                {"Button110", "Kartex"},
                                                                {"Button111", "MagicMaps"},
                                                                {"Button121", "GPX"},
                                                                {"Button114", "GSM Info"},
                                                                {"Button115", "Settings"},
                                                                {"Button116", "LowBatSMS="},
                                                                {"Button117", "PowerDownTimeOut"},
                                                                {"Button113", "MsgSMS="}};
        for (auto [name, caption] : captions) {
            QWidget* w = rig.w<QWidget>(QString::fromLatin1(name));
            const QString text = qobject_cast<QGroupBox*>(w) ? static_cast<QGroupBox*>(w)->title()
                                                             : static_cast<QPushButton*>(w)->text();
            QVERIFY2(text == QString::fromUtf8(caption), name);
        }
        // The converter groups: GPX comes after the other three, the track
        // view last.
        for (auto [group, gpx, track] : {std::tuple{"GroupBox24", "BtnOF_GPX", "ButtonTrackAnsehen"},
                                         std::tuple{"GroupBox54", "Button121", "ButtonTrackAnsehen_Lupino"}}) {
            const auto buttons = rig.w<QGroupBox>(QString::fromLatin1(group))->findChildren<QPushButton*>();
            QCOMPARE(buttons.size(), 5);
            QCOMPARE(buttons[3]->objectName(), QString::fromLatin1(gpx));
            QCOMPARE(buttons.last()->objectName(), QString::fromLatin1(track));
            QCOMPARE(buttons.last()->text(), QStringLiteral("Track ansehen"));
        }
        // The tracker's GPS and GSM tabs.
        auto* tabs = rig.w<QTabWidget>(QStringLiteral("PageControl2"));
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("GPS"));
        QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("TabSheet5"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("GSM"));
        QVERIFY(tabs->widget(1)->isAncestorOf(rig.w(QStringLiteral("Button113"))));
        QVERIFY(tabs->widget(0)->isAncestorOf(rig.w(QStringLiteral("Button121"))));

        QVERIFY(!rig.w(QStringLiteral("Button99"))->isHidden());
        QVERIFY(rig.w(QStringLiteral("Button112"))->isHidden());
        auto* lowBat = rig.w<TSpinEdit>(QStringLiteral("SpinEdit26"));
        auto* timeout = rig.w<TSpinEdit>(QStringLiteral("SpinEdit27"));
        QCOMPARE(std::tuple(lowBat->MinValue(), lowBat->MaxValue(), lowBat->Value()), std::tuple(0, 1, 0));
        QCOMPARE(std::tuple(timeout->MinValue(), timeout->MaxValue(), timeout->Value()), std::tuple(0, 1800, 0));
        QVERIFY(rig.w<QLineEdit>(QStringLiteral("MsgSMSNr"))->text().startsWith(QLatin1Char('+')));
    }

    void eraseAsksFirst()
    {
        for (const char* button : {"BtnERASE_GPSDL", "Button96"}) {
            TRig rig;
            rig.dialogs().answers << false << true;
            rig.w(QString::fromLatin1(button))->click();
            Pump(50);
            QCOMPARE(rig.peer.Received(), QByteArray());
            QVERIFY(LogLines(*rig.form).join(QString()).trimmed().isEmpty());
            rig.w(QString::fromLatin1(button))->click();
            QCOMPARE(rig.take(6), QByteArray("ERASE\r"));
            const QString question = QStringLiteral("Speicher wirklich löschen?\r\r");
            QCOMPARE(rig.dialogs().Texts(QStringLiteral("question-warning")), QStringList({question, question}));
        }
    }

    void firmwareButtonsAsk()
    {
        for (const char* button : {"Button46", "Button99"}) {
            TRig rig;
            rig.dialogs().answers << false;
            rig.w(QString::fromLatin1(button))->click();
            QCOMPARE(rig.dialogs().Texts(), QStringList({QStringLiteral("Wirklich flashen?\r\r")}));
            QCOMPARE(rig.peer.Received(), QByteArray());
        }
    }

    void listFileNames_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("file");
        QTest::newRow("no extension") << "/data/trip"
                                      << "/data/trip.lst";
        QTest::newRow("other extension") << "/data/trip.txt"
                                         << "/data/trip.txt";
        QTest::newRow("own extension") << "/data/trip.lst"
                                       << "/data/trip.lst";
        QTest::newRow("dot in a directory only") << "/data/v1.2/trip"
                                                 << "/data/v1.2/trip.lst";
        QTest::newRow("trailing dot") << "/data/trip."
                                      << "/data/trip.";
        QTest::newRow("relative") << "trip"
                                  << "trip.lst";
    }

    void listFileNames()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, file);
        QCOMPARE(ListFileName(chosen), file);
    }

    // The list dialog, the remembered choice and the end of the capture by
    // the logger's own end line.
    void downloadEndsWithEndOfData()
    {
        TRig rig;
        rig.form->LstDir = rig.dir.path();
        rig.form->LstFile = rig.path(QStringLiteral("old.lst"));
        rig.form->StampCapture = rig.form->PlcCapture = true;
        rig.download(QStringLiteral("BtnL_GPSDL"), rig.path(QStringLiteral("trip")));

        QCOMPARE(rig.dialogs().shown.size(), 1);
        const TOpenFileRequest r = rig.dialogs().shown[0].request;
        QVERIFY(r.mode == TOpenFileRequest::Mode::Save);
        QCOMPARE(r.title, QStringLiteral("... wohin mit den List-Daten?"));
        QCOMPARE(r.filter, QStringLiteral("LST-Datei(*.lst)|*.lst"));
        QCOMPARE(r.initialDir, rig.dir.path());
        QCOMPARE(r.fileName, rig.path(QStringLiteral("old.lst")));

        const QString file = rig.path(QStringLiteral("trip.lst"));
        QCOMPARE(rig.form->LstFile, file);
        QCOMPARE(rig.form->LstDir, rig.dir.path());
        const TIniFile ini(TestSettingsFile());
        QCOMPARE(ini.ReadString(QStringLiteral("DIR"), QStringLiteral("LST-File"), QString()), file);
        QCOMPARE(ini.ReadString(QStringLiteral("DIR"), QStringLiteral("LST-Directory"), QString()), rig.dir.path());

        QCOMPARE(rig.take(2), QByteArray("L\r"));
        QVERIFY(rig.form->PlainCapture);
        QVERIFY(!rig.form->StampCapture);
        QVERIFY(!rig.form->PlcCapture);
        QVERIFY(rig.form->DataFileOpen());

        // A command sent while capturing: its answer goes into the file too.
        rig.w(QStringLiteral("Button14"))->click();
        QCOMPARE(rig.take(2), QByteArray("!\r"));
        rig.peer.Write("$GPGGA,120000,5130.1,N\r\n\r\n!:ok\rend of data ... 2 records\rlate\r");
        QVERIFY(rig.logged(QStringLiteral("late")));
        QCOMPARE(FileBytes(file), QByteArray("$GPGGA,120000,5130.1,N\r\n!:ok\r\nend of data ... 2 records\r\n"));
        QVERIFY(!rig.form->PlainCapture);
        QVERIFY(!rig.form->DataFileOpen());
        // Without the marker, as the lines were logged.
        QVERIFY(LogLines(*rig.form).contains(QStringLiteral("$GPGGA,120000,5130.1,N")));
    }

    void downloadEndedByEsc()
    {
        TRig rig;
        const QString file = rig.path(QStringLiteral("trip.txt"));
        rig.download(QStringLiteral("Button47"), file);
        QCOMPARE(rig.take(2), QByteArray("L\r"));
        rig.peer.Write("$GPGGA,1\r$GPGGA,2\r");
        QVERIFY(rig.logged(QStringLiteral("$GPGGA,2")));
        const qsizetype logSize = LogLines(*rig.form).size();

        rig.form->StampCapture = true;
        rig.w(QStringLiteral("Button21"))->click();
        QCOMPARE(rig.take(1), QByteArray("\x1b"));
        QCOMPARE(LogLines(*rig.form).size(), logSize);
        QVERIFY(!anyCapture(*rig.form));
        QVERIFY(!rig.form->DataFileOpen());

        rig.peer.Write("$GPGGA,3\ruser break ...\r");
        QVERIFY(rig.logged(QStringLiteral("user break ...")));
        QCOMPARE(FileBytes(file), QByteArray("$GPGGA,1\r\n$GPGGA,2\r\n"));
        QCOMPARE(rig.form->LstFile, file);
    }

    void deviceVanishesDuringDownload()
    {
        TRig rig;
        const QString file = rig.path(QStringLiteral("trip.lst"));
        rig.download(QStringLiteral("BtnL_GPSDL"), file);
        QCOMPARE(rig.take(2), QByteArray("L\r"));
        rig.peer.Write("$GPGGA,1\r$GPGGA,2\r");
        QVERIFY(rig.logged(QStringLiteral("$GPGGA,2")));
        rig.peer.Vanish();
        QVERIFY(PumpUntil([&] { return rig.form->PortLink()->Waiting(); }));
        // The capture stays armed with every line so far on disk.
        QVERIFY(rig.form->PlainCapture);
        QVERIFY(rig.form->DataFileOpen());
        QCOMPARE(FileBytes(file), QByteArray("$GPGGA,1\r\n$GPGGA,2\r\n"));

        // ESC cannot reach the logger while the port waits for it, and
        // still ends the capture.
        rig.w(QStringLiteral("Button21"))->click();
        QVERIFY(rig.dialogs().Texts(QStringLiteral("error")).isEmpty());
        QVERIFY(rig.dialogs().Texts(QStringLiteral("info")).isEmpty());
        QVERIFY(rig.logged(QStringLiteral("nicht gesendet, die Schnittstelle wartet auf ihr Gerät")));
        QVERIFY(!anyCapture(*rig.form));
        QVERIFY(!rig.form->DataFileOpen());
        QCOMPARE(FileBytes(file), QByteArray("$GPGGA,1\r\n$GPGGA,2\r\n"));
    }

    void cancelChangesNothing()
    {
        TRig rig;
        rig.form->LstDir = rig.dir.path();
        rig.form->LstFile = rig.path(QStringLiteral("old.lst"));
        const QString other = rig.path(QStringLiteral("protocol.pro"));
        QCOMPARE(rig.form->OpenDataFileForWriting(other), 0);
        rig.form->StampCapture = true;
        const QByteArray settings = FileBytes(TestSettingsFile());

        rig.w(QStringLiteral("BtnL_GPSDL"))->click();  // no file queued: cancel
        Pump(50);
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("open")).size(), 1);
        QCOMPARE(rig.peer.Received(), QByteArray());
        QCOMPARE(rig.form->LstDir, rig.dir.path());
        QCOMPARE(rig.form->LstFile, rig.path(QStringLiteral("old.lst")));
        QCOMPARE(FileBytes(TestSettingsFile()), settings);
        QVERIFY(rig.form->StampCapture);
        QVERIFY(!rig.form->PlainCapture);
        QCOMPARE(rig.form->DataFile.FileName(), other);
    }

    void listFileCannotBeCreated()
    {
        TRig rig;
        allCapturesOn(*rig.form);
        const QString file = rig.path(QStringLiteral("missing/trip.lst"));
        rig.download(QStringLiteral("BtnL_GPSDL"), file);
        Pump(50);
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("warning")),
                 QStringList({QStringLiteral("Fehler bei Dateizugriff")}));
        QCOMPARE(rig.peer.Received(), QByteArray());
        QVERIFY(!anyCapture(*rig.form));
        QVERIFY(!rig.form->DataFileOpen());
        // The choice was remembered before the file was tried.
        QCOMPARE(rig.form->LstFile, file);
        QCOMPARE(TIniFile(TestSettingsFile()).ReadString(QStringLiteral("DIR"), QStringLiteral("LST-File"), QString()),
                 file);
    }

    void withoutPort()
    {
        TRig rig(TRig::Kind::NoPort);
        const QString file = rig.path(QStringLiteral("trip.lst"));
        rig.download(QStringLiteral("BtnL_GPSDL"), file);
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("info")), QStringList({kNoPort}));
        // Armed until ESC ends it, which also only finds no port.
        QVERIFY(rig.form->PlainCapture);
        QVERIFY(rig.form->DataFileOpen());
        QVERIFY(QFile::exists(file));
        rig.w(QStringLiteral("Button21"))->click();
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("info")), QStringList({kNoPort, kNoPort}));
        QVERIFY(!rig.form->PlainCapture);
        QVERIFY(!rig.form->DataFileOpen());
        QCOMPARE(rig.peer.Received(), QByteArray());
    }
};

QTEST_MAIN(TestGpsPanels)
#include "tst_gpspanels.moc"
