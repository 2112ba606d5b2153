// The log's files: the spool that keeps every line since the last clear for
// a save, and the running log file that gets each line as it is logged.
#include "rx/LogFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestLogFiles : public QObject {
    Q_OBJECT

private slots:
    // A save holds every line since the last clear, CR LF each, in Latin-1;
    // it can be repeated while the log goes on, and a clear starts it anew.
    void saveHoldsEverySinceTheClear()
    {
        QTemporaryDir dir;
        TLogFiles files;
        QCOMPARE(files.SaveAs(dir.filePath("empty.log")), 0);
        QCOMPARE(Bytes(dir.filePath("empty.log")), QByteArray());

        QByteArray expected;
        for (int i = 0; i < 30000; ++i) {  // far more than a buffer's worth
            const QString line = QStringLiteral("       <--- Zeile %1 ä").arg(i);
            files.Append(line);
            expected += line.toLatin1() + "\r\n";
        }
        files.Append(QString());  // an empty line is a line
        expected += "\r\n";
        QCOMPARE(files.SaveAs(dir.filePath("a.log")), 0);
        QCOMPARE(Bytes(dir.filePath("a.log")), expected);
        files.Append(QStringLiteral("after"));
        QCOMPARE(files.SaveAs(dir.filePath("b.log")), 0);
        QCOMPARE(Bytes(dir.filePath("b.log")), expected + "after\r\n");

        files.Clear();
        files.Append(QStringLiteral("new"));
        QCOMPARE(files.SaveAs(dir.filePath("a.log")), 0);
        QCOMPARE(Bytes(dir.filePath("a.log")), QByteArray("new\r\n"));
        QCOMPARE(files.Characters(), qint64(expected.size() - 30001 + 6 + 4));

        // Where no file can be made, the error number; nothing is left.
        QVERIFY(files.SaveAs(dir.filePath("gone/x.log")) != 0);
        QVERIFY(files.SaveAs(dir.path()) != 0);
    }

    // The running file: appended to (what it held stays), each line there the
    // moment it is logged, kept across a clear; a full disk is told once.
    void runningFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("run.log");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("yesterday\r\n");
        old.close();

        TLogFiles files;
        int told = 0;
        files.OnRunningError = [&](const QString&) { ++told; };
        files.Append(QStringLiteral("before"));
        QCOMPARE(files.StartRunning(path), 0);
        QVERIFY(files.Running());
        QCOMPARE(files.RunningPath(), path);
        files.Append(QStringLiteral("one"));
        QCOMPARE(Bytes(path), QByteArray("yesterday\r\none\r\n"));
        files.Clear();
        files.Append(QStringLiteral("two"));
        QCOMPARE(Bytes(path), QByteArray("yesterday\r\none\r\ntwo\r\n"));
        files.StopRunning();
        files.Append(QStringLiteral("three"));
        QCOMPARE(Bytes(path), QByteArray("yesterday\r\none\r\ntwo\r\n"));
        QVERIFY(!files.Running());

        QVERIFY(files.StartRunning(dir.filePath("gone/run.log")) != 0);
        QVERIFY(!files.Running());
        QCOMPARE(files.StartRunning(QStringLiteral("/dev/full")), 0);
        for (int i = 0; i < 5; ++i)
            files.Append(QStringLiteral("lost"));
        QCOMPARE(told, 1);
        QVERIFY(!files.Running());
        // The spool went on all the same.
        QCOMPARE(files.SaveAs(dir.filePath("all.log")), 0);
        QCOMPARE(Bytes(dir.filePath("all.log")), QByteArray("two\r\nthree\r\n") + QByteArray("lost\r\n").repeated(5));
    }

    // A running file the program makes is its owner's only (the traffic
    // holds PINs and phone numbers); one that exists keeps its rights.
    void runningFileIsTheOwners()
    {
        QTemporaryDir dir;
        TLogFiles files(dir.path());
        const QString made = dir.filePath("neu.log");
        QCOMPARE(files.StartRunning(made), 0);
        files.Append(QStringLiteral("PIN 1234"));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(made).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
        files.StopRunning();
        const QString shared = dir.filePath("alt.log");
        QFile old(shared);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        QVERIFY(QFile::setPermissions(shared, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QCOMPARE(files.StartRunning(shared), 0);
        QVERIFY(QFile::permissions(shared) & QFile::ReadGroup);
    }

    // A line beyond the limit goes to the log and the running file in
    // pieces, each after the first marked; the count of logged characters
    // is the line's.
    void longLinesInPieces_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("pieces");
        QTest::newRow("at the limit") << int(TLogFiles::kLineLimit) << 1;
        QTest::newRow("one beyond") << int(TLogFiles::kLineLimit) + 1 << 2;
        QTest::newRow("1 MiB") << (1 << 20) << 17;
    }
    void longLinesInPieces()
    {
        QFETCH(int, length);
        QFETCH(int, pieces);
        QTemporaryDir dir;
        TLogFiles files(dir.path());
        QCOMPARE(files.StartRunning(dir.filePath("run.log")), 0);
        QString line(length, QLatin1Char('x'));
        line[length - 1] = QLatin1Char('!');
        files.Append(line);
        const TLogLines& lines = files.Lines();
        QCOMPARE(lines.Count(), qint64(pieces));
        QString joined;
        for (int i = 0; i < pieces; ++i) {
            QString piece = lines.Line(i);
            QVERIFY(piece.size() <= TLogFiles::kLineLimit);
            if (i > 0) {
                QVERIFY(piece.startsWith(TLogFiles::kContinued));
                piece.remove(0, TLogFiles::kContinued.size());
            }
            joined += piece;
        }
        QCOMPARE(joined, line);
        QCOMPARE(files.Characters(), qint64(length + 1));
        files.StopRunning();
        QCOMPARE(Bytes(dir.filePath("run.log")).count("\r\n"), pieces);
    }
};

QTEST_GUILESS_MAIN(TestLogFiles)
#include "tst_logfiles.moc"
