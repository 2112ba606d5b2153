// The endurance run in the real main window against a GSM unit on a
// pseudo-terminal: protocol file, pacing of the queries, failures.
#include "panels/PanelVigiloGSM.h"
#include "rx/RxLogic.h"
#include "support/WindowRig.h"
#include "watchdog/EnduranceRun.h"
#include "widgets/RadioGroup.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>

namespace {

const QString kTitle = QStringLiteral("... wohin mit den Protokoll-Daten?");
const QString kFilter = QStringLiteral("PRO-Datei(*.pro)|*.pro");

// A Vigilo-GSM unit on Com3 that answers every "gsminfo" with three lines,
// the last one ended by "/"; the panel is on show, so the marker is on.
struct TRig : TWindowRig {
    TEnduranceRun* run = nullptr;  // the Vigilo-GSM panel's
    QTemporaryDir dir;
    std::atomic<int> queries{0};

    explicit TRig(bool withPort = true)
    {
        peer.SetLineHandler([this](const QByteArray& line) -> QByteArray {
            if (line == "{+}h")
                return "#01.00.00\r";
            if (line != "{+}gsminfo")
                return {};
            const int n = ++queries;
            return "GSM: registered\rCSQ: " + QByteArray::number(n) + "\rQ=1/";
        });
        if (withPort)
            selectPort();
        form->ClearPanels(QStringLiteral("VigiloGSM"));
        run = static_cast<TPanelVigiloGSM*>(form->Panel(QStringLiteral("VigiloGSM")))->EnduranceRun();
        peer.ClearReceived();
    }
    ~TRig() { SetStampClock(nullptr); }

    QString start(const QString& chosen)
    {
        scope.dialogs->files.enqueue(chosen);
        form->findChild<QPushButton*>(QStringLiteral("ButtonDauerlauf"))->click();
        return ProtocolFileName(chosen);
    }

    // One tick of Timer4 through its own signal: the interval is shortened
    // for the tick and the interval the run sets afterwards is returned.
    int tick()
    {
        form->Timer4.setInterval(1);
        const int before = queries;
        PumpUntil([&] { return queries > before || !form->Timer4.isActive(); });
        PumpUntil([&] { return form->Timer4.interval() != 1; });
        return form->Timer4.interval();
    }
};

}  // namespace

class TestEndurance : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    void protocolFileName_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("name");
        QTest::newRow("no extension") << "/tmp/run"
                                      << "/tmp/run.pro";
        QTest::newRow("other extension") << "/tmp/run.txt"
                                         << "/tmp/run.txt";
        QTest::newRow("own extension") << "/tmp/run.pro"
                                       << "/tmp/run.pro";
        QTest::newRow("dot in a directory") << "/tmp/a.b/run"
                                            << "/tmp/a.b/run.pro";
        QTest::newRow("trailing dot") << "/tmp/run."
                                      << "/tmp/run.";
    }
    void protocolFileName()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, name);
        QCOMPARE(ProtocolFileName(chosen), name);
    }

    void runWritesEveryLineTimeStamped()
    {
        TRig rig;
        // The dialog opens where its previous use left it.
        rig.form->OpenDialog1.initialDir = rig.dir.path();
        rig.form->OpenDialog1.fileName = rig.dir.filePath(QStringLiteral("last.lst"));
        rig.form->PlainCapture = false;
        QDateTime now(QDate(2024, 3, 9), QTime(23, 59, 58));
        SetStampClock([&] { return now; });

        const QString path = rig.start(rig.dir.filePath(QStringLiteral("day")));
        QCOMPARE(path, rig.dir.filePath(QStringLiteral("day.pro")));
        const TOpenFileRequest& r = rig.scope.dialogs->shown.last().request;
        QVERIFY(r.mode == TOpenFileRequest::Mode::Save);
        QCOMPARE(r.title, kTitle);
        QCOMPARE(r.filter, kFilter);
        QCOMPARE(r.initialDir, rig.dir.path());
        QCOMPARE(r.fileName, rig.dir.filePath(QStringLiteral("last.lst")));
        QCOMPARE(rig.form->OpenDialog1.fileName, rig.dir.filePath(QStringLiteral("day")));
        QVERIFY(QFile::exists(path));
        QVERIFY(rig.form->StampCapture);
        QVERIFY(!rig.form->PlainCapture);
        // The first query 2 s after the start, nothing before it.
        QVERIFY(rig.form->Timer4.isActive());
        QCOMPARE(rig.form->Timer4.interval(), 2000);
        QVERIFY(rig.peer.Received().isEmpty());

        QCOMPARE(rig.tick(), 30000);
        QVERIFY(rig.form->Timer4.isActive());
        QVERIFY(PumpUntil([&] { return LogLines(*rig.form).contains(QStringLiteral("       <--- Q=1/")); }));
        const QString first = LocalDateTimeText(now) + QStringLiteral(":  ");
        now = now.addSecs(30);
        QCOMPARE(rig.tick(), 30000);
        QVERIFY(PumpUntil([&] { return LogLines(*rig.form).contains(QStringLiteral("       <--- CSQ: 2")); }));
        QVERIFY(PumpUntil([&] { return LogLines(*rig.form).count(QStringLiteral("       <--- Q=1/")) == 2; }));
        const QString second = LocalDateTimeText(now) + QStringLiteral(":  ");
        QCOMPARE(rig.peer.Received(), QByteArray("{+}gsminfo\r{+}gsminfo\r"));

        // Each line is in the file the moment it was received; no sent command is.
        const QString expected =
            first + QStringLiteral("       <--- GSM: registered\r\n") + first + QStringLiteral("       <--- CSQ: 1\r\n")
            + first + QStringLiteral("       <--- Q=1/\r\n") + second
            + QStringLiteral("       <--- GSM: registered\r\n") + second + QStringLiteral("       <--- CSQ: 2\r\n")
            + second + QStringLiteral("       <--- Q=1/\r\n");
        QCOMPARE(QString::fromLatin1(FileBytes(path)), expected);
    }

    void cancelChangesNothing()
    {
        TRig rig;
        rig.run->ButtonDauerlaufClick();  // no file queued: cancelled
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("open")), QStringList{kTitle});
        QVERIFY(!rig.form->StampCapture);
        QVERIFY(!rig.form->Timer4.isActive());
        QVERIFY(!rig.form->DataFileOpen());
    }

    void fileThatCannotBeOpened()
    {
        TRig rig;
        rig.form->StampCapture = true;
        rig.start(rig.dir.filePath(QStringLiteral("gone/day.pro")));
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("warning")),
                 QStringList{QStringLiteral("Fehler bei Dateizugriff")});
        QVERIFY(!rig.form->StampCapture);
        QVERIFY(!rig.form->Timer4.isActive());
    }

    // The disk fills up during the run: one report naming the file, the
    // capture ends, the queries go on.
    void fileThatCannotBeWrittenAnyMore()
    {
        TRig rig;
        const QString path = rig.dir.filePath(QStringLiteral("full.pro"));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), path));
        rig.start(path);
        QVERIFY(rig.form->StampCapture);

        QCOMPARE(rig.tick(), 30000);
        QVERIFY(PumpUntil([&] { return LogLines(*rig.form).contains(QStringLiteral("       <--- Q=1/")); }));
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("warning")),
                 QStringList{QStringLiteral("Fehler bei Dateizugriff (") + path + QLatin1Char(')')});
        QVERIFY(!rig.form->StampCapture);
        QVERIFY(!rig.form->DataFileOpen());

        QCOMPARE(rig.tick(), 30000);
        QVERIFY(rig.form->Timer4.isActive());
        QVERIFY(PumpUntil([&] { return LogLines(*rig.form).contains(QStringLiteral("       <--- CSQ: 2")); }));
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("warning")).size(), 1);
        QVERIFY(rig.scope.dialogs->Texts(QStringLiteral("error")).isEmpty());
    }

    // Without a port every query shows the no-port message; the timer is off
    // while it is shown and re-armed at 30 s once it is dismissed.
    void noPortMessageComesBack()
    {
        TRig rig(false);
        QCOMPARE(rig.form->RadioGroupCOM()->ItemIndex(), -1);
        QList<bool> activeWhileShown;
        rig.scope.dialogs->onShow = [&](const TScriptedDialogs::Shown&) {
            activeWhileShown << rig.form->Timer4.isActive();
        };
        rig.form->Timer4.start(2000);
        for (int i = 0; i < 2; ++i) {
            rig.run->Timer4Timer();
            QVERIFY(rig.form->Timer4.isActive());
            QCOMPARE(rig.form->Timer4.interval(), 30000);
        }
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("info")), (QStringList{kNoPort, kNoPort}));
        QCOMPARE(activeWhileShown, (QList<bool>{false, false}));
        QVERIFY(rig.peer.Received().isEmpty());
    }

    // The stop button, clicked as a user would: no query after it, the
    // protocol closed with every line received so far, later lines only in
    // the log. A stop clicked while a query's message is open holds too.
    void stopEndsTheRun()
    {
        TRig rig;
        const QString path = rig.start(rig.dir.filePath(QStringLiteral("stop")));
        QCOMPARE(rig.tick(), 30000);
        QVERIFY(PumpUntil([&] { return LogLines(*rig.form).contains(QStringLiteral("       <--- Q=1/")); }));
        auto* stop = rig.w(QStringLiteral("ButtonDauerlaufStop"));
        QCOMPARE(stop->text(), QStringLiteral("Dauerlauf stop"));
        rig.click(QStringLiteral("ButtonDauerlaufStop"));
        QVERIFY(!rig.form->Timer4.isActive());
        QVERIFY(!rig.form->StampCapture);
        QVERIFY(!rig.form->DataFileOpen());
        const QByteArray kept = FileBytes(path);
        QVERIFY(kept.endsWith("       <--- Q=1/\r\n"));
        rig.peer.Write("late\r");
        QVERIFY(rig.logged(QStringLiteral("late")));
        QCOMPARE(FileBytes(path), kept);
        Pump(100);
        QCOMPARE(rig.peer.Received(), QByteArray("{+}gsminfo\r"));

        // Without a port: the stop comes while the query's message is open.
        rig.start(rig.dir.filePath(QStringLiteral("again")));
        rig.form->ComPort.Close();
        rig.scope.dialogs->onShow = [&](const TScriptedDialogs::Shown&) { rig.run->ButtonDauerlaufStopClick(); };
        rig.run->Timer4Timer();
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("info")), QStringList{kNoPort});
        QVERIFY(!rig.form->Timer4.isActive());
        QVERIFY(!rig.form->StampCapture);
    }
};

QTEST_MAIN(TestEndurance)
#include "tst_endurance.moc"
