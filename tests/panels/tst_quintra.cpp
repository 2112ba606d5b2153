// The five-channel unit's panel in the real main window, over a
// pseudo-terminal device: channel commands, the trigger group, the sequence
// program and its .plc files.
#include "app/IniFile.h"
#include "panels/PanelQuintra.h"
#include "panels/PlcSequence.h"
#include "support/WindowRig.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kMarker = QStringLiteral("       <--- ");
const QString kSaved = QStringLiteral("OK - Datei gespeichert ...\r\r");
const QString kFileError = QStringLiteral("Fehler bei Dateizugriff");

// A main window over Com3, where a peer identifies itself as the
// five-channel unit, so the panel comes up the way identification shows it.
struct TRig : TWindowRig {
    QTemporaryDir dir;

    TRig() : TWindowRig("#03.00.00")
    {
        panelName = QStringLiteral("Quintra");
        selectPort();
        peer.ClearReceived();
        form->Memo1()->clear();
    }

    // The unit answers "{+}PLCget" with these lines, each + CR.
    void listOnRequest(const QByteArray& listing)
    {
        peer.SetLineHandler([listing](const QByteArray& line) {
            return line == "{+}PLCget" ? QByteArray("{+}PLCget\r") + listing : QByteArray();
        });
    }

    QString file(const QString& name) const { return dir.filePath(name); }
};

}  // namespace

class TestQuintra : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    void panelAndTabs()
    {
        TRig rig;
        QCOMPARE(rig.form->ActivePanel, QStringLiteral("Quintra"));
        QGroupBox* panel = rig.form->Panel(QStringLiteral("Quintra"));
        QVERIFY(qobject_cast<TPanelQuintra*>(panel));
        QVERIFY(!panel->isHidden());
        QCOMPARE(panel->title(), QStringLiteral("Quintra"));
        auto* tabs = rig.w<QTabWidget>(QStringLiteral("PageControl1"));
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->widget(0)->objectName(), QStringLiteral("sequence"));
        QCOMPARE(tabs->tabText(0), QStringLiteral("Befehl"));
        QCOMPARE(tabs->widget(1)->objectName(), QStringLiteral("PLC"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("SPS"));
        // The tab last chosen stays when the panel comes back.
        tabs->setCurrentIndex(1);
        rig.form->ClearPanels(QStringLiteral("Zerbo"));
        rig.form->ClearPanels(QStringLiteral("Quintra"));
        QCOMPARE(tabs->currentIndex(), 1);

        auto* action = rig.w<QComboBox>(QStringLiteral("ComboBoxPLCaction"));
        QVERIFY(action->isEditable());
        QCOMPARE(action->currentText(), QStringLiteral("ON"));
        QStringList items;
        for (int i = 0; i < action->count(); ++i)
            items << action->itemText(i);
        QCOMPARE(items, QStringList({"ON", "OFF", "END", "LOOP"}));
        QCOMPARE(rig.spin(QStringLiteral("SpinEditPLCzeit"))->maxLength(), 6);
        QCOMPARE(rig.w<QLineEdit>(QStringLiteral("Edit1"))->text(), QStringLiteral("{+} "));

        // The test toggle's controls exist but are not shown.
        for (const char* hidden : {"ButtonTestEIN", "ButtonTestAUS", "SpinEdit_QTS"})
            QVERIFY2(rig.w<QWidget>(QLatin1String(hidden))->isHidden(), hidden);
    }

    // Every button of both tabs: its caption, the content put into its field
    // (none: the initial one) and exactly the bytes it writes. Each field gets
    // a value no other field holds, so a button reading a neighbour's field
    // shows; the fields keep what they held.
    void everyButton()
    {
        struct Row {
            const char* button;
            const char* caption;
            const char* field;
            const char* text;
            QByteArray bytes;
        };
        const Row rows[] = {
            {"ButtonEIN1_QTS", "&EIN", "SpinEdit7", "11", "{1}on=11\r"},
            {"ButtonAUS1_QTS", "&AUS", "SpinEdit8", "12", "{1}off=12\r"},
            {"Button24", "&lesen", nullptr, nullptr, "{1}GET\r"},
            {"BtnTV_QTS", "Tv", "EditTV_QTS", "13", "{1}TV=13\r"},
            {"Button22", "onapon", "SpinEdit5", "1", "{1}ONAPON=1\r"},
            {"BtnTR_QTS", "&Nachtriggerzeit [s]", nullptr, nullptr, "{1}TR=20\r"},
            {"BtnTA_QTS", "&Ausschaltzeit [s]", nullptr, nullptr, "{1}TA=10\r"},
            {"BtnTF_QTS", "&Fehlerzeit [s]", nullptr, nullptr, "{1}TF=600\r"},
            {"Button23", "triapon", nullptr, nullptr, "{1}TRIAPON=0\r"},
            {"Button23", "triapon", "SpinEdit6", "1", "{1}TRIAPON=1\r"},
            {"Button27", "deaktivieren", nullptr, nullptr, "{1}deaktiv\r"},
            {"Button50", "vigilo", nullptr, nullptr, "{1}MODUS=1\r"},
            {"Button16", "kippa", nullptr, nullptr, "{1}MODUS=2\r"},
            {"Button19", "vigilo_failsave", nullptr, nullptr, "{1}MODUS=3\r"},
            {"Button20", "vigilo_neutral", nullptr, nullptr, "{1}MODUS=4\r"},

            {"ButtonEIN2_QTS", "&EIN", "SpinEdit11", "21", "{2}on=21\r"},
            {"ButtonAUS2_QTS", "&AUS", "SpinEdit15", "22", "{2}off=22\r"},
            {"Button10", "&lesen", nullptr, nullptr, "{2}GET\r"},
            {"Button12", "Tv", "SpinEdit1", "23", "{2}TV=23\r"},
            {"Button13", "onapon", "SpinEdit2", "2", "{2}ONAPON=2\r"},
            {"Button51", "kippa", nullptr, nullptr, "{2}MODUS=2\r"},
            {"Button55", "slave", nullptr, nullptr, "{2}MODUS=5\r"},

            {"ButtonEIN3_QTS", "&EIN", "SpinEdit12", "15", "{3}on=15\r"},
            {"ButtonAUS3_QTS", "&AUS", "SpinEdit16", "32", "{3}off=32\r"},
            {"Button64", "&lesen", nullptr, nullptr, "{3}GET\r"},
            {"Button59", "Tv", "SpinEdit3", "33", "{3}TV=33\r"},
            {"Button63", "onapon", "SpinEdit4", "1", "{3}ONAPON=1\r"},
            {"Button52", "kippa", nullptr, nullptr, "{3}MODUS=2\r"},
            {"Button56", "slave", nullptr, nullptr, "{3}MODUS=5\r"},

            {"ButtonEIN4_QTS", "&EIN", "SpinEdit13", "41", "{4}on=41\r"},
            {"ButtonAUS4_QTS", "&AUS", "SpinEdit17", "42", "{4}off=42\r"},
            {"Button67", "&lesen", nullptr, nullptr, "{4}GET\r"},
            {"Button65", "Tv", "SpinEdit19", "43", "{4}TV=43\r"},
            {"Button66", "onapon", nullptr, nullptr, "{4}ONAPON=0\r"},
            {"Button53", "kippa", nullptr, nullptr, "{4}MODUS=2\r"},
            {"Button57", "slave", nullptr, nullptr, "{4}MODUS=5\r"},

            {"ButtonEIN5_QTS", "&EIN", nullptr, nullptr, "{5}on=0\r"},
            {"ButtonAUS5_QTS", "&AUS", "SpinEdit18", "16777215", "{5}off=16777215\r"},
            {"Button70", "&lesen", nullptr, nullptr, "{5}GET\r"},
            {"Button68", "Tv", "SpinEdit21", "53", "{5}TV=53\r"},
            {"Button69", "onapon", "SpinEdit22", "2", "{5}ONAPON=2\r"},
            {"Button54", "kippa", nullptr, nullptr, "{5}MODUS=2\r"},
            {"Button58", "slave", nullptr, nullptr, "{5}MODUS=5\r"},

            {"Button3", "ein", nullptr, nullptr, "{+}on\r"},
            {"Button4", "aus", nullptr, nullptr, "{+}off\r"},
            {"Button11", "&lesen", nullptr, nullptr, "{+}GET\r"},
            {"Button82", "Zähler zurücksetzen", nullptr, nullptr, "{+}delstatus\r"},
            {"Button28", "start zycl. trigger", nullptr, nullptr, "{1}TRIG=1\r"},
            {"Button29", "stop zycl. trigger", nullptr, nullptr, ""},
            {"Button30", "senden", nullptr, nullptr, "{+} \r"},

            {"ButtonPLCapon", "SPS beim Einschalten", "SpinEditPLCapon", "2", "{+}PLCapon=2\r"},
            {"ButtonPLCstart", "SPS Start / Pause", nullptr, nullptr, "{+}PLCstart\r"},
            {"ButtonPLCstop", "SPS Stopp", nullptr, nullptr, "{+}PLCstop\r"},
            {"ButtonPLCmodus", "SPS", nullptr, nullptr, "{+}MODUS=6\r"},
            {"ButtonPLClist", "Liste", nullptr, nullptr, "{+}PLCget\r"},
            {"ButtonPLCset", "setzen", nullptr, nullptr, "{+}PLCset=0,0,ON\r"},
            {"ButtonPLCclear", "löschen", nullptr, nullptr, "{+}PLCclear=1\r"},
            {"ButtonPLCclear", "löschen", "SpinEditPLCclear", "50", "{+}PLCclear=50\r"},
            {"ButtonPLCclearall", "alle löschen", nullptr, nullptr, "{+}PLCclear all\r"},
            {"ButtonPLCstore", "speichern", nullptr, nullptr, "{+}PLCstore\r"},
        };

        TRig rig;
        for (const Row& row : rows) {
            const QString name = QLatin1String(row.button);
            QPushButton* button = rig.w(name);
            QVERIFY2(button->text() == QString::fromUtf8(row.caption), row.button);
            if (row.field)
                rig.spin(QLatin1String(row.field))->setText(QLatin1String(row.text));
            rig.click(name);
            const QByteArray got = rig.take(row.bytes.size());
            QVERIFY2(got == row.bytes, qPrintable(name + QStringLiteral(": ") + QString::fromLatin1(got)));
            if (row.field)
                QCOMPARE(rig.spin(QLatin1String(row.field))->text(), QLatin1String(row.text));
        }
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
        QVERIFY(rig.dialogs().shown.isEmpty());
    }

    // Unlike the Vigilo panel's switching, the channels' ON and OFF leave the
    // seconds count, the trigger and the focus alone.
    void channelSwitchingHasNoSideEffects()
    {
        TRig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        rig.form->Timer1.stop();
        rig.form->SecondsCounter = 42;
        rig.form->TriggerCountdown = 6;
        rig.spin(QStringLiteral("SpinEdit12"))->setText(QStringLiteral("15"));
        QPushButton* on = rig.w(QStringLiteral("ButtonEIN3_QTS"));
        on->setFocus();
        rig.click(QStringLiteral("ButtonEIN3_QTS"));
        rig.click(QStringLiteral("ButtonAUS3_QTS"));
        EXPECT_SENT(rig, "{3}on=15\r{3}off=0\r");
        QCOMPARE(rig.spin(QStringLiteral("SpinEdit12"))->text(), QStringLiteral("15"));
        QCOMPARE(rig.form->SecondsCounter, 42);
        QCOMPARE(rig.form->TriggerCountdown, 6);
        QCOMPARE(QApplication::focusWidget(), on);
    }

    void retriggerTimeSetsTheTriggerInterval()
    {
        TRig rig;
        TSpinEdit* trig = rig.spin(QStringLiteral("EditTrig"));
        trig->setText(QStringLiteral("3"));
        rig.form->TriggerCountdown = -1;
        rig.click(QStringLiteral("BtnTR_QTS"));
        EXPECT_SENT(rig, "{1}TR=20\r");
        QCOMPARE(trig->text(), QStringLiteral("10"));
        QCOMPARE(rig.form->TriggerCountdown, 10);

        rig.spin(QStringLiteral("EditTR_QTS"))->setText(QStringLiteral("7"));
        rig.click(QStringLiteral("BtnTR_QTS"));
        EXPECT_SENT(rig, "{1}TR=7\r");
        QCOMPARE(trig->text(), QStringLiteral("4"));
        QCOMPARE(rig.form->TriggerCountdown, 4);
        // The panel's own "sec:" field is not the interval.
        QCOMPARE(rig.spin(QStringLiteral("SpinEdit10"))->text(), QStringLiteral("10"));
    }

    // The trigger group drives the shared trigger; "deactivate" stops it.
    void triggerGroupAndDeactivate()
    {
        TRig rig;
        rig.spin(QStringLiteral("SpinEditZustand"))->setText(QStringLiteral("5"));
        rig.click(QStringLiteral("Button28"));
        EXPECT_SENT(rig, "{1}TRIG=6\r");
        QCOMPARE(rig.form->TriggerCountdown, 10);
        for (int i = 0; i < 10; ++i)
            rig.form->Timer1Timer();
        EXPECT_SENT(rig, "{1}TRIG=7\r");

        // Changing the group's interval reloads the countdown from EditTrig.
        rig.form->Timer1Timer();
        QCOMPARE(rig.form->TriggerCountdown, 9);
        rig.spin(QStringLiteral("SpinEdit10"))->setText(QStringLiteral("30"));
        QCOMPARE(rig.form->TriggerCountdown, 10);

        rig.spin(QStringLiteral("EditSTein_VGS"))->setText(QStringLiteral("8"));
        rig.form->SecondsCounter = 5;
        rig.click(QStringLiteral("Button27"));
        EXPECT_SENT(rig, "{1}deaktiv\r");
        QCOMPARE(rig.form->TriggerCountdown, -1);
        QCOMPARE(rig.form->SecondsCounter, 0);
        QCOMPARE(rig.spin(QStringLiteral("EditSTein_VGS"))->text(), QStringLiteral("0"));
        for (int i = 0; i < 25; ++i)
            rig.form->Timer1Timer();
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());

        // Stop from the group.
        rig.click(QStringLiteral("Button28"));
        EXPECT_SENT(rig, "{1}TRIG=8\r");
        rig.click(QStringLiteral("Button29"));
        QCOMPARE(rig.form->TriggerCountdown, -1);
    }

    void hiddenTestToggle()
    {
        TRig rig;
        rig.click(QStringLiteral("ButtonTestEIN"));
        QVERIFY(rig.form->Timer3.isActive());
        rig.form->Timer3.stop();
        rig.form->Timer3Timer();
        rig.form->Timer3Timer();
        EXPECT_SENT(rig, "{+}off\r{+}on\r");
        QCOMPARE(rig.spin(QStringLiteral("SpinEdit_QTS"))->text(), QStringLiteral("2"));
        rig.form->Timer3.start();
        rig.click(QStringLiteral("ButtonTestAUS"));
        QVERIFY(!rig.form->Timer3.isActive());
    }

    void setSendsTheTypedStep()
    {
        TRig rig;
        rig.spin(QStringLiteral("SpinEditPLCzeit"))->setText(QStringLiteral("30"));
        rig.spin(QStringLiteral("SpinEditPLCch"))->setText(QStringLiteral("2"));
        auto* action = rig.w<QComboBox>(QStringLiteral("ComboBoxPLCaction"));
        action->setCurrentIndex(1);
        rig.click(QStringLiteral("ButtonPLCset"));
        EXPECT_SENT(rig, "{+}PLCset=30,2,OFF\r");

        action->setEditText(QStringLiteral("PAUSE"));
        QTest::keyClick(action->lineEdit(), Qt::Key_Return);  // a typed action stays out of the list
        QCOMPARE(action->count(), 4);
        rig.click(QStringLiteral("ButtonPLCset"));
        EXPECT_SENT(rig, "{+}PLCset=30,2,PAUSE\r");

        // The time has no range but six characters; a non-number reads as 0.
        TSpinEdit* time = rig.spin(QStringLiteral("SpinEditPLCzeit"));
        time->setText(QStringLiteral("-99999"));
        rig.click(QStringLiteral("ButtonPLCset"));
        EXPECT_SENT(rig, "{+}PLCset=-99999,2,PAUSE\r");
        time->setText(QStringLiteral("x"));
        rig.click(QStringLiteral("ButtonPLCset"));
        EXPECT_SENT(rig, "{+}PLCset=0,2,PAUSE\r");
    }

    // Saving to "seq" captures the listing into seq.plc; loading that file
    // sends back exactly the listed steps, one per 200 ms at least.
    void saveThenLoadRoundTrip()
    {
        TRig rig;
        rig.listOnRequest("1=30,2,OFF\r2=45,3,ON\r3=60,0,END\rOK\r");
        const QString chosen = rig.file(QStringLiteral("seq"));
        const QString path = chosen + QStringLiteral(".plc");
        rig.dialogs().files.enqueue(chosen);
        rig.click(QStringLiteral("ButtonPLCsave"));

        const TScriptedDialogs::Shown& shownSave = rig.dialogs().shown.first();
        QCOMPARE(shownSave.kind, QStringLiteral("open"));
        QCOMPARE(shownSave.request.title, QStringLiteral("... speichern unter?"));
        QCOMPARE(shownSave.request.filter, QStringLiteral("PLC-Datei(*.plc)|*.plc"));
        QVERIFY(shownSave.request.mode == TOpenFileRequest::Mode::Save);
        QCOMPARE(rig.form->PlcFile, path);
        QCOMPARE(TIniFile(TestSettingsFile()).ReadString(QStringLiteral("DIR"), QStringLiteral("PLC-File"), {}), path);
        QVERIFY(rig.form->PlcCapture);
        EXPECT_SENT(rig, "{+}PLCget\r");

        QVERIFY(PumpUntil([&] { return rig.dialogs().Texts(QStringLiteral("info")).contains(kSaved); }));
        QVERIFY(!rig.form->PlcCapture);
        QVERIFY(!rig.form->DataFileOpen());
        const QByteArray listing = (kMarker + "{+}PLCget\r\n" + kMarker + "1=30,2,OFF\r\n" + kMarker + "2=45,3,ON\r\n"
                                    + kMarker + "3=60,0,END\r\n" + kMarker + "OK\r\n")
                                       .toLatin1();
        QCOMPARE(FileBytes(path), listing);
        // Lines after the OK stay out of the file.
        rig.peer.Write("4=1,1,ON\r");
        QVERIFY(PumpUntil([&] { return LogLines(*rig.form).last().contains(QStringLiteral("4=1,1,ON")); }));
        QCOMPARE(FileBytes(path), listing);

        // Load the same file back; the remembered name is offered.
        rig.peer.SetLineHandler([](const QByteArray&) { return QByteArray(); });
        rig.dialogs().files.enqueue(path);
        QElapsedTimer clock;
        clock.start();
        rig.click(QStringLiteral("ButtonPLCload"));
        const qint64 took = clock.elapsed();
        const TScriptedDialogs::Shown& shownLoad = rig.dialogs().shown.last();
        QCOMPARE(shownLoad.request.title, QStringLiteral("... laden aus?"));
        QCOMPARE(shownLoad.request.fileName, path);
        EXPECT_SENT(rig, "{+}PLCset=30,2,OFF\r{+}PLCset=45,3,ON\r{+}PLCset=60,0,END\r");
        QVERIFY2(took >= 600, qPrintable(QString::number(took)));
        QVERIFY(!rig.form->DataFileOpen());
        QVERIFY(!rig.form->PlcCapture);
    }

    // Which lines count: marker and text before the first "=" go, lines
    // without "=" are skipped. A file edited elsewhere has LF ends.
    void loadRules()
    {
        TRig rig;
        const QString path = rig.file(QStringLiteral("edited.plc"));
        PutFile(path, (kMarker + "1=30,2,OFF\na=b=c\n" + kMarker + "OK\nx=5,1,LOOP").toLatin1());
        rig.dialogs().files.enqueue(rig.file(QStringLiteral("edited")));
        QElapsedTimer clock;
        clock.start();
        rig.click(QStringLiteral("ButtonPLCload"));
        const qint64 took = clock.elapsed();
        EXPECT_SENT(rig, "{+}PLCset=30,2,OFF\r{+}PLCset=b=c\r{+}PLCset=5,1,LOOP\r");
        qInfo("three step lines took %lld ms", took);
        QVERIFY2(took >= 600, qPrintable(QString::number(took)));
        QCOMPARE(rig.form->PlcFile, path);
        QVERIFY(!rig.form->DataFileOpen());
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    // A file that cannot be a unit's sequence is refused whole before the
    // first step goes out: control bytes (a binary), more usable lines than
    // a unit holds (a settings file).
    void loadRefusesWhatIsNoSequence_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("refusal");
        QByteArray full, tooMany;
        for (int i = 1; i <= kPlcMaxFileSteps; ++i)
            full += "STEP" + QByteArray::number(i) + "=" + QByteArray::number(i) + ",1,ON\r\n";
        tooMany = full + "X=1,1,OFF\r\n";
        QTest::newRow("binary") << QByteArray("\x01\x02\xfe=\x00\x1b\x7f\r\n\xff\xff", 12)
                                << QStringLiteral("Keine PLC-Datei: Steuerzeichen in Zeile 1 - nichts gesendet");
        QTest::newRow("NUL in a later line")
            << QByteArray("1=1,1,ON\r\n2=2,\0,ON\r\n", 20)
            << QStringLiteral("Keine PLC-Datei: Steuerzeichen in Zeile 2 - nichts gesendet");
        QTest::newRow("too many steps") << tooMany
                                        << QStringLiteral("Keine PLC-Datei: mehr als 52 Schritte - nichts gesendet");
    }
    void loadRefusesWhatIsNoSequence()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, refusal);
        TRig rig;
        const QString path = rig.file(QStringLiteral("wrong.plc"));
        PutFile(path, content);
        rig.dialogs().files.enqueue(path);
        QElapsedTimer clock;
        clock.start();
        rig.click(QStringLiteral("ButtonPLCload"));
        QVERIFY(!rig.form->DataFileOpen());
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("warning")), QStringList{refusal});
        QVERIFY2(clock.elapsed() < 150, "a refused file is not paced line by line");
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    void fileErrors()
    {
        TRig rig;
        const QString missingDir = rig.file(QStringLiteral("gone/seq"));
        rig.dialogs().files.enqueue(missingDir);
        rig.click(QStringLiteral("ButtonPLCsave"));
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("warning")), QStringList{kFileError});
        QVERIFY(!rig.form->PlcCapture);
        QVERIFY(!rig.form->DataFileOpen());
        // The choice is remembered all the same.
        QCOMPARE(rig.form->PlcFile, missingDir + QStringLiteral(".plc"));

        rig.dialogs().files.enqueue(rig.file(QStringLiteral("missing.plc")));
        rig.click(QStringLiteral("ButtonPLCload"));
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("warning")), QStringList({kFileError, kFileError}));

        // A directory of that name cannot be written as a file, whoever runs this.
        const QString taken = rig.file(QStringLiteral("taken.plc"));
        QVERIFY(QDir().mkdir(taken));
        rig.dialogs().files.enqueue(taken);
        rig.click(QStringLiteral("ButtonPLCsave"));
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("warning")).size(), 3);
        QVERIFY(!rig.form->PlcCapture);
        QVERIFY(!rig.form->DataFileOpen());
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    void cancelChangesNothing()
    {
        TRig rig;
        // A capture runs meanwhile; a cancelled dialog leaves it alone.
        const QString protocol = rig.file(QStringLiteral("run.pro"));
        QCOMPARE(rig.form->OpenDataFileForWriting(protocol), 0);
        rig.form->PlainCapture = true;
        rig.form->PlcDir = QStringLiteral("/some/where");
        rig.form->PlcFile = QStringLiteral("/some/where/x.plc");
        const QByteArray settings = FileBytes(TestSettingsFile());

        for (const char* button : {"ButtonPLCsave", "ButtonPLCload"}) {
            rig.click(QLatin1String(button));
            QCOMPARE(rig.dialogs().shown.last().request.initialDir, QStringLiteral("/some/where"));
            QCOMPARE(rig.dialogs().shown.last().request.fileName, QStringLiteral("/some/where/x.plc"));
        }
        QCOMPARE(rig.dialogs().shown.size(), 2);
        QCOMPARE(rig.form->PlcDir, QStringLiteral("/some/where"));
        QCOMPARE(rig.form->PlcFile, QStringLiteral("/some/where/x.plc"));
        QCOMPARE(FileBytes(TestSettingsFile()), settings);
        QVERIFY(rig.form->DataFileOpen());
        QCOMPARE(rig.form->DataFile.FileName(), protocol);
        QVERIFY(rig.form->PlainCapture);
        QVERIFY(!rig.form->PlcCapture);
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    // A save started during a protocol ends the protocol first: its file is
    // complete up to then, and the sequence file gets the listing only once.
    void saveEndsARunningCapture()
    {
        TRig rig;
        const QString protocol = rig.file(QStringLiteral("run.pro"));
        QCOMPARE(rig.form->OpenDataFileForWriting(protocol), 0);
        rig.form->PlainCapture = true;
        rig.form->StampCapture = true;
        rig.peer.Write("before\r");
        QVERIFY(
            PumpUntil([&] { return LogLines(*rig.form).join(QLatin1Char('\n')).contains(QStringLiteral("before")); }));

        rig.listOnRequest("1=30,2,OFF\rOK\r");
        rig.dialogs().files.enqueue(rig.file(QStringLiteral("seq.plc")));
        rig.click(QStringLiteral("ButtonPLCsave"));
        QVERIFY(!rig.form->PlainCapture);
        QVERIFY(!rig.form->StampCapture);
        QVERIFY(PumpUntil([&] { return rig.dialogs().Texts(QStringLiteral("info")).contains(kSaved); }));

        const QList<QByteArray> protocolLines = FileBytes(protocol).split('\n');
        QCOMPARE(protocolLines.size(), 3);  // plain, stamped, and the end of the last line
        QCOMPARE(protocolLines[0], (kMarker + "before\r").toLatin1());
        QVERIFY(protocolLines[1].endsWith((kMarker + "before\r").toLatin1()));
        QCOMPARE(FileBytes(rig.file(QStringLiteral("seq.plc"))),
                 (kMarker + "{+}PLCget\r\n" + kMarker + "1=30,2,OFF\r\n" + kMarker + "OK\r\n").toLatin1());
    }

    // The unit goes away in the middle of its listing: what came is in the
    // file, the capture stays armed, and the program goes on.
    void unitVanishesDuringSave()
    {
        TRig rig;
        rig.listOnRequest("1=30,2,OFF\r2=45,3,ON\r");
        const QString path = rig.file(QStringLiteral("cut.plc"));
        rig.dialogs().files.enqueue(path);
        rig.click(QStringLiteral("ButtonPLCsave"));
        QVERIFY(PumpUntil(
            [&] { return LogLines(*rig.form).join(QLatin1Char('\n')).contains(QStringLiteral("2=45,3,ON")); }));
        rig.peer.Vanish();
        Pump(300);
        QVERIFY(rig.form->PlcCapture);
        QCOMPARE(FileBytes(path),
                 (kMarker + "{+}PLCget\r\n" + kMarker + "1=30,2,OFF\r\n" + kMarker + "2=45,3,ON\r\n").toLatin1());
        QVERIFY(!rig.dialogs().Texts(QStringLiteral("info")).contains(kSaved));
        // Still answering: a button runs and the panel switch works.
        rig.click(QStringLiteral("ButtonPLCstore"));
        rig.form->ClearPanels(QStringLiteral("Quintra"));
        QCOMPARE(rig.form->ActivePanel, QStringLiteral("Quintra"));
    }

    // A step whose action merely contains the letters ("LOOK") does not end
    // the listing; the "OK" alone does. Without it, showing another panel or
    // choosing the port again ends the capture with what came and no
    // success message, and a later "OK" claims nothing.
    void listingEndsAtItsOwnOk()
    {
        TRig rig;
        rig.listOnRequest("1=30,2,LOOK\rPLC OK?\r2=45,3,ON\r OK \r");
        const QString path = rig.file(QStringLiteral("look.plc"));
        rig.dialogs().files.enqueue(path);
        rig.click(QStringLiteral("ButtonPLCsave"));
        QVERIFY(PumpUntil([&] { return rig.dialogs().Texts(QStringLiteral("info")).contains(kSaved); }));
        QCOMPARE(FileBytes(path), (kMarker + "{+}PLCget\r\n" + kMarker + "1=30,2,LOOK\r\n" + kMarker + "PLC OK?\r\n"
                                   + kMarker + "2=45,3,ON\r\n" + kMarker + " OK \r\n")
                                      .toLatin1());

        for (const char* how : {"panel", "port"}) {
            rig.listOnRequest("1=30,2,OFF\r");
            const QString cut = rig.file(QLatin1String(how) + QStringLiteral(".plc"));
            rig.dialogs().files.enqueue(cut);
            rig.click(QStringLiteral("ButtonPLCsave"));
            QVERIFY(PumpUntil([&] { return FileBytes(cut).contains("1=30,2,OFF"); }));
            const bool panel = QLatin1String(how) == QLatin1String("panel");
            if (panel)
                rig.form->ClearPanels(QStringLiteral("Vigilo"));
            else
                rig.form->RadioGroupCOM()->SetItemIndex(3);
            QVERIFY(!rig.form->PlcCapture);
            QVERIFY(!rig.form->DataFileOpen());
            if (panel) {
                rig.peer.Write("OK\r");
                QVERIFY(rig.logged(QStringLiteral("<--- OK")));
            }
            QCOMPARE(FileBytes(cut), (kMarker + "{+}PLCget\r\n" + kMarker + "1=30,2,OFF\r\n").toLatin1());
            QCOMPARE(rig.dialogs().Texts(QStringLiteral("info")).count(kSaved), 1);
            rig.selectPort();
            rig.form->ClearPanels(QStringLiteral("Quintra"));
        }
    }

    void firmwareButton()
    {
        TRig rig;
        QCOMPARE(rig.w(QStringLiteral("Button44"))->text(), QStringLiteral("Firmware-Update"));
        rig.dialogs().answers.enqueue(false);
        rig.click(QStringLiteral("Button44"));
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("question-warning")), QStringList{"Wirklich flashen?\r\r"});
    }
};

QTEST_MAIN(TestQuintra)
#include "tst_quintra.moc"
