// The message log through the real window over a day's worth of lines: a
// device sends them over a pseudo-terminal, the spool's disk (a tiny tmpfs)
// fills on the way, and the technician scrolls to the first line, searches,
// reads while lines arrive, copies and saves. Then the real program ended by
// a signal leaves no spool behind.
#include "support/Harness.h"
#include "support/TinyTmpfs.h"
#include "support/UserPath.h"
#include "support/WindowRig.h"
#include "widgets/LogTools.h"
#include "widgets/LogView.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QScrollBar>
#include <QtTest>

#include <csignal>

namespace {

QString deviceLine(int i) { return QStringLiteral("Messung %1 Wert=%2 ok").arg(i).arg(i * 7 % 1000); }

QByteArray deviceLines(int from, int to)
{
    QByteArray bytes;
    for (int i = from; i < to; ++i)
        bytes += deviceLine(i).toLatin1() + "\r\n";
    return bytes;
}

// The spools a process holds open: the paths they had before they were
// unlinked.
QStringList spoolsOf(qint64 pid)
{
    QStringList out;
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QFileInfo& fd : QDir(fds).entryInfoList(QDir::System | QDir::Files))
        if (fd.symLinkTarget().contains(QLatin1String("/velmor-log-")))
            out << fd.symLinkTarget();
    return out;
}

QList<QMessageBox*> notices()
{
    QList<QMessageBox*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("LogHinweis") && w->isVisible())
            out << static_cast<QMessageBox*>(w);
    return out;
}

}  // namespace

class TestLogWindow : public QObject {
    Q_OBJECT

private slots:
    void wholeDayInTheWindow()
    {
        TTinyTmpfs fs(64);
        if (!fs.Mounted())
            QSKIP("mounting a tmpfs is not permitted here");
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(fs.Path()));
        TWindowRig rig;
        qputenv("XDG_RUNTIME_DIR", runtime);
        rig.selectPort();
        rig.form->resize(1043, 846);
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        TLogView* log = rig.form->Memo1();
        QCOMPARE(log->objectName(), QStringLiteral("Memo1"));
        rig.form->Memo1DblClick();

        // 3000 lines from the device; the spool's disk fills on the way.
        constexpr int kLines = 3000;
        rig.peer.Write(deviceLines(0, kLines));
        QVERIFY(PumpUntil([&] { return log->LineCount() >= kLines; }, 20000));
        Pump(50);
        QCOMPARE(log->LineCount(), qint64(kLines));
        // Said once, in a box that blocks nothing.
        QCOMPARE(notices().size(), 1);
        QVERIFY(notices()[0]->text().contains(QLatin1String("Zwischendatei")));
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(rig.form->LogTools()->Files().Lines().SpoolFailing());
        // The view followed: the newest line is the last one on show.
        QVERIFY(log->Following());
        QCOMPARE(log->TopLine(), kLines - log->PageLines());

        // To the first line by keyboard.
        ClickToFocus(log);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(log->TopLine(), qint64(0));
        QCOMPARE(log->Caret(), (TLogLines::TPos{0, 0}));
        QVERIFY(log->VisibleText().startsWith(QStringLiteral("       <--- ") + deviceLine(0) + QLatin1Char('\n')));

        // Select two lines with Shift+Down and copy them.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("       <--- ") + deviceLine(0)
                                                           + QStringLiteral("\n       <--- ") + deviceLine(1)
                                                           + QLatin1Char('\n'));

        // A screen reader reads the lines on show and moves the caret there.
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(log);
        QVERIFY(a && a->textInterface());
        QCOMPARE(a->role(), QAccessible::EditableText);
        QAccessibleTextInterface* text = a->textInterface();
        const QString shown = text->text(0, text->characterCount());
        const qsizetype shownLines = shown.count(QLatin1Char('\n')) + 1;
        QVERIFY2(shownLines >= log->PageLines() && shownLines <= log->PageLines() + 1, qPrintable(shown));
        QVERIFY(shown.startsWith(QStringLiteral("       <--- ") + deviceLine(0) + QLatin1Char('\n')));
        const int at = int(shown.indexOf(deviceLine(5)));
        text->setCursorPosition(at);
        QCOMPARE(log->Caret(), (TLogLines::TPos{5, 12}));
        QCOMPARE(text->cursorPosition(), at);

        // To the end, then Ctrl+F for the first line: found, shown, selected.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(log->Following());
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::Find);
        QLineEdit* find = rig.edit(QStringLiteral("EditLogSuche"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(find));
        TypeIntoFocus(QStringLiteral("messung 0 "), true);
        QCOMPARE(log->SelectedText(), QStringLiteral("Messung 0 "));
        QCOMPARE(log->Caret().line, qint64(0));
        QCOMPARE(log->TopLine(), qint64(0));
        auto* result = rig.w<QLabel>(QStringLiteral("LabelLogSuche"));
        QVERIFY2(result->text().contains(QLatin1String("vom Anfang")), qPrintable(result->text()));
        // Once more: the only match again, after going round.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(log->Caret().line, qint64(0));

        // A search that fails says so and leaves the view and the selection.
        const qint64 top = log->TopLine();
        const TLogLines::TPos caret = log->Caret();
        find->clear();
        TypeIntoFocus(QStringLiteral("gibt es nicht"), true);
        QVERIFY2(result->text().contains(QLatin1String("nicht gefunden")), qPrintable(result->text()));
        QCOMPARE(log->TopLine(), top);
        QCOMPARE(log->Caret(), caret);
        QCOMPARE(log->SelectedText(), QStringLiteral("Messung 0 "));
        // Backwards from the first line: round to the last matching one.
        find->clear();
        TypeIntoFocus(QStringLiteral("Wert="), false);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(log->Caret().line, qint64(kLines - 1));
        QVERIFY(result->text().contains(QLatin1String("vom Ende")));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);

        // Reading in the middle while lines arrive: the text stays put.
        ClickToFocus(log);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home, Qt::ControlModifier);
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        Pump(50);  // the search row has gone: the log is taller
        const qint64 reading = log->TopLine();
        QVERIFY(reading > 0 && !log->Following());
        const QString page = log->VisibleText();
        rig.peer.Write(deviceLines(kLines, kLines + 500));
        QVERIFY(PumpUntil([&] { return log->LineCount() >= kLines + 500; }, 20000));
        Pump(50);
        QCOMPARE(log->TopLine(), reading);
        QCOMPARE(log->VisibleText(), page);
        // At the end it follows again.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
        rig.peer.Write(deviceLines(kLines + 500, kLines + 510));
        QVERIFY(PumpUntil([&] { return log->LineCount() >= kLines + 510; }, 5000));
        Pump(50);
        QCOMPARE(log->TopLine(), kLines + 510 - log->PageLines());

        // The save has every line, though the spool's disk is full.
        rig.dialogs().files.enqueue(QDir(QDir::tempPath()).filePath(QStringLiteral("tst_logwindow.log")));
        rig.menu(QStringLiteral("LogSpeichern"))->trigger();
        QByteArray expected;
        for (int i = 0; i < kLines + 510; ++i)
            expected += "       <--- " + deviceLine(i).toLatin1() + "\r\n";
        QCOMPARE(FileBytes(QDir(QDir::tempPath()).filePath(QStringLiteral("tst_logwindow.log"))), expected);
        QVERIFY(rig.dialogs().Texts(QStringLiteral("warning")).isEmpty());
        QFile::remove(QDir(QDir::tempPath()).filePath(QStringLiteral("tst_logwindow.log")));
        QCOMPARE(notices().size(), 1);
        notices()[0]->close();

        // Double-click clears it, and the spool takes lines again.
        QTest::mouseDClick(log->viewport(), Qt::LeftButton);
        QCOMPARE(log->LineCount(), qint64(0));
        QVERIFY(!rig.form->LogTools()->Files().Lines().SpoolFailing());
    }

    // A running log file whose folder is gone at start is said once at
    // start; one whose disk fills is said once while lines arrive. Neither
    // box blocks: the device's lines go on into the log.
    void runningFileWarningsDoNotBlock()
    {
        QTemporaryDir dir;
        const QByteArray gone = QFile::encodeName(dir.filePath(QStringLiteral("weg/lauf.log")));
        TWindowRig rig({}, "[Misc]\r\nCOM=0\r\nLogFile=" + gone + "\r\n");
        rig.selectPort();
        QCOMPARE(notices().size(), 1);
        QCOMPARE(notices()[0]->text(), QStringLiteral("Fehler bei Dateizugriff (%1)").arg(QString::fromUtf8(gone)));
        QVERIFY(!rig.menu(QStringLiteral("LogMitschreiben"))->isChecked());
        notices()[0]->close();

        rig.dialogs().files.enqueue(QStringLiteral("/dev/full"));
        rig.menu(QStringLiteral("LogMitschreiben"))->trigger();
        QVERIFY(rig.menu(QStringLiteral("LogMitschreiben"))->isChecked());
        TLogView* log = rig.form->Memo1();
        rig.form->Memo1DblClick();
        rig.peer.Write(deviceLines(0, 200));
        QVERIFY(PumpUntil([&] { return log->LineCount() >= 200; }, 10000));
        QCOMPARE(notices().size(), 1);
        QCOMPARE(notices()[0]->text(), QStringLiteral("Fehler bei Dateizugriff (/dev/full)"));
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!rig.menu(QStringLiteral("LogMitschreiben"))->isChecked());
        QVERIFY(rig.dialogs().shown.size() == 1);  // the chooser only
        notices()[0]->close();
    }

    // The real program, ended by a signal, leaves no spool in its folder;
    // one left by a run that is gone is cleared when it starts.
    void signalLeavesNoSpool_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void signalLeavesNoSpool()
    {
        QFETCH(int, signal);
        QTemporaryDir runtime;
        PutFile(runtime.filePath(QStringLiteral("velmor-log-abc123")), "a run that crashed\n");
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(VELMOR_PROGRAM_PATH), QStringList());
        QVERIFY(program.waitForStarted(10000));
        QStringList spools;
        QVERIFY(PumpUntil(
            [&] {
                // Made and gone from the folder at once.
                spools = spoolsOf(program.processId());
                return !spools.isEmpty() && spools[0].endsWith(QLatin1String(" (deleted)"));
            },
            20000));
        QCOMPARE(spools.size(), 1);
        QVERIFY2(spools[0].startsWith(runtime.path() + QStringLiteral("/velmor-log-")), qPrintable(spools[0]));
        QCOMPARE(QDir(runtime.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);
        QCOMPARE(QDir(runtime.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_MAIN(TestLogWindow)
#include "tst_logwindow.moc"
