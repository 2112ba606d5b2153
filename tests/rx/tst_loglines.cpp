// The log's line store: every line since the clear, read back in any range
// whether it sits in the spool, in memory or across the two; searched both
// ways; kept when the spool's disk fills; nothing left in the folder.
#include "rx/LogLines.h"
#include "support/TinyTmpfs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList sampleLines()
{
    QStringList lines;
    for (int i = 0; i < 300; ++i) {
        switch (i % 6) {
        case 0:
            lines << QString();
            break;
        case 1:
            lines << QStringLiteral("       <--- Zeile %1 äöü").arg(i);
            break;
        case 2:
            lines << QStringLiteral("{+}GET  --->");
            break;
        case 3:
            lines << QStringLiteral("€ ✓ %1").arg(i);
            break;  // beyond Latin-1
        case 4:
            lines << QString(97 + i % 50, QLatin1Char('a' + i % 26));
            break;
        default:
            lines << QStringLiteral("x");
            break;
        }
    }
    return lines;
}

// Files of the store's spools that the folder still shows.
QStringList spoolsIn(const QString& dir)
{
    return QDir(dir).entryList({QStringLiteral("velmor-log-*")}, QDir::Files | QDir::Hidden);
}

// The spools this process holds open, by the path they had, and their modes.
QList<QPair<QString, mode_t>> openSpools()
{
    QList<QPair<QString, mode_t>> out;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        const QString target = fd.symLinkTarget();
        if (!target.contains(QLatin1String("/velmor-log-")))
            continue;
        struct stat st {};
        if (::stat(QFile::encodeName(fd.filePath()).constData(), &st) == 0)
            out.append({target, st.st_mode & 0777});
    }
    return out;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray saved(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines)
        out += line.toLatin1() + "\r\n";
    return out;
}

}  // namespace

class TestLogLines : public QObject {
    Q_OBJECT

private slots:
    // Any range reads back as appended, whatever the chunk size: with 1 byte
    // every line is in the spool, with 7 and 64 bytes lines straddle chunk
    // ends, with 64 KiB most lines are still in memory.
    void readAnyRange_data()
    {
        QTest::addColumn<int>("chunk");
        QTest::newRow("every line spooled") << 1;
        QTest::newRow("7-byte chunks") << 7;
        QTest::newRow("64-byte chunks") << 64;
        QTest::newRow("all in memory") << 65536;
    }
    void readAnyRange()
    {
        QFETCH(int, chunk);
        QTemporaryDir dir;
        TLogLines store(dir.path(), chunk);
        const QStringList lines = sampleLines();
        for (const QString& line : lines)
            store.Append(line);
        QCOMPARE(store.Count(), qint64(lines.size()));
        qint64 longest = 0;
        for (const QString& line : lines)
            longest = qMax<qint64>(longest, line.toUtf8().size());
        QCOMPARE(store.LongestLine(), longest);
        QVERIFY(store.PendingBytes() < chunk + 200);
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(store.Line(i), lines[i]);
        for (int first : {0, 1, 5, 149, 293, 299})
            for (int count : {0, 1, 2, 7, 64, 300})
                QCOMPARE(store.Lines(first, count), lines.mid(first, count));
        // Outside the log: clipped.
        QCOMPARE(store.Lines(-3, 5), lines.mid(0, 2));
        QCOMPARE(store.Lines(299, 10), lines.mid(299));
        QCOMPARE(store.Lines(300, 1), QStringList());
        QCOMPARE(store.Line(300), QString());
        QCOMPARE(store.Line(-1), QString());

        // The save holds it all in Latin-1, CR LF each.
        QCOMPARE(store.SaveAs(dir.filePath("all.log")), 0);
        QCOMPARE(bytesOf(dir.filePath("all.log")), saved(lines));
        QVERIFY(store.SaveAs(dir.filePath("gone/x.log")) != 0);
    }

    // A clear empties the store and gives its memory back; it goes on from
    // nothing.
    void clearStartsAnew()
    {
        QTemporaryDir dir;
        TLogLines store(dir.path(), 16);
        for (int i = 0; i < 5000; ++i)
            store.Append(QStringLiteral("line %1").arg(i));
        store.Clear();
        QCOMPARE(store.Count(), qint64(0));
        QCOMPARE(store.PendingBytes(), qsizetype(0));
        QCOMPARE(store.LongestLine(), qint64(0));
        QCOMPARE(store.Lines(0, 10), QStringList());
        store.Append(QStringLiteral("new"));
        store.Append(QString());
        QCOMPARE(store.Lines(0, 5), (QStringList{QStringLiteral("new"), QString()}));
        QCOMPARE(store.SaveAs(dir.filePath("a.log")), 0);
        QCOMPARE(bytesOf(dir.filePath("a.log")), QByteArray("new\r\n\r\n"));
    }

    // Case-insensitive, forwards from the position (a match there counts),
    // backwards before it, once round from the other end.
    void find_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("fromLine");
        QTest::addColumn<int>("fromColumn");
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<bool>("found");
        QTest::addColumn<qint64>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("wrapped");
        // Lines: 0 "alpha beta", 1 "", 2 "Beta gamma beta", 3 "ÄRGER ärger", 4 "x" ... 19999 "end beta"
        QTest::newRow("at the position") << "beta" << qint64(0) << 6 << false << true << qint64(0) << 6 << false;
        QTest::newRow("after it") << "beta" << qint64(0) << 7 << false << true << qint64(2) << 0 << false;
        QTest::newRow("within a line") << "BETA" << qint64(2) << 1 << false << true << qint64(2) << 11 << false;
        QTest::newRow("far down") << "end" << qint64(3) << 0 << false << true << qint64(19999) << 0 << false;
        QTest::newRow("wraps to the start") << "alpha" << qint64(5) << 0 << false << true << qint64(0) << 0 << true;
        QTest::newRow("umlauts either case") << "ärger" << qint64(0) << 0 << false << true << qint64(3) << 0 << false;
        QTest::newRow("back before column") << "beta" << qint64(2) << 11 << true << true << qint64(2) << 0 << false;
        QTest::newRow("back to an earlier line") << "beta" << qint64(2) << 0 << true << true << qint64(0) << 6 << false;
        QTest::newRow("back wraps to the end")
            << "beta" << qint64(0) << 6 << true << true << qint64(19999) << 4 << true;
        QTest::newRow("back from line start") << "x" << qint64(5) << 0 << true << true << qint64(4) << 0 << false;
        QTest::newRow("nowhere") << "delta" << qint64(7) << 3 << false << false << qint64(0) << 0 << false;
        QTest::newRow("nowhere back") << "delta" << qint64(7) << 3 << true << false << qint64(0) << 0 << false;
        QTest::newRow("no line break in a match")
            << "beta\n\nBeta" << qint64(0) << 0 << false << false << qint64(0) << 0 << false;
    }
    void find()
    {
        QFETCH(QString, text);
        QFETCH(qint64, fromLine);
        QFETCH(int, fromColumn);
        QFETCH(bool, backwards);
        QTemporaryDir dir;
        TLogLines store(dir.path(), 4096);
        store.Append(QStringLiteral("alpha beta"));
        store.Append(QString());
        store.Append(QStringLiteral("Beta gamma beta"));
        store.Append(QStringLiteral("ÄRGER ärger"));
        for (int i = 4; i < 19999; ++i)
            store.Append(QStringLiteral("x"));
        store.Append(QStringLiteral("end beta"));
        const TLogLines::TMatch m = store.Find(text, {fromLine, fromColumn}, backwards);
        QTEST(m.found, "found");
        if (m.found) {
            QTEST(m.at.line, "line");
            QTEST(int(m.at.column), "column");
            QTEST(m.wrapped, "wrapped");
        }
    }

    // The spool is in the folder given, readable by its owner only, and not
    // to be seen there: it goes with the process however that ends. Spools
    // of runs that ended are cleared at start; a live run's stays.
    void spoolLeavesNothing()
    {
        QTemporaryDir dir;
        {
            TLogLines store(dir.path(), 1);
            store.Append(QStringLiteral("PIN 1234"));
            QCOMPARE(spoolsIn(dir.path()), QStringList());
            const auto open = openSpools();
            QCOMPARE(open.size(), 1);
            QVERIFY2(open[0].first.startsWith(dir.path() + QStringLiteral("/velmor-log-")), qPrintable(open[0].first));
            QVERIFY(open[0].first.endsWith(QLatin1String(" (deleted)")));
            QCOMPARE(open[0].second, mode_t(0600));
        }
        QCOMPARE(openSpools().size(), 0);

        auto make = [&](const char* name) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("left\n");
        };
        make("velmor-log-old1");
        make("velmor-log-old2");
        make("velmor-log-live");
        make("other.txt");
        const int live = ::open(QFile::encodeName(dir.filePath("velmor-log-live")).constData(), O_RDONLY);
        QVERIFY(live >= 0 && ::flock(live, LOCK_EX) == 0);
        QCOMPARE(TLogLines::RemoveOrphans(dir.path()), 2);
        QCOMPARE(spoolsIn(dir.path()), QStringList{QStringLiteral("velmor-log-live")});
        ::close(live);
        TLogLines next(dir.path());  // a start clears what is left
        QCOMPARE(spoolsIn(dir.path()), QStringList());
        QVERIFY(QFile::exists(dir.filePath("other.txt")));
    }

    // A spool folder that is not there: the lines stay in memory, said once;
    // once the folder is back, the spool takes them.
    void spoolFolderGone()
    {
        QTemporaryDir dir;
        const QString gone = dir.filePath("later");
        TLogLines store(gone, 32);
        QVERIFY(store.SpoolFailing());
        int recovered = 0;
        store.OnSpoolRecovered = [&] { ++recovered; };
        QStringList lines = sampleLines();
        for (const QString& line : lines)
            store.Append(line);
        QCOMPARE(store.Lines(0, 300), lines);
        QVERIFY(store.PendingBytes() > 3000);
        QVERIFY(QDir().mkpath(gone));
        QVERIFY(store.Flush());
        QCOMPARE(recovered, 1);
        QCOMPARE(store.PendingBytes(), qsizetype(0));
        QCOMPARE(store.Lines(0, 300), lines);
        QVERIFY(!store.SpoolFailing());
    }

    // The spool's disk fills: told once, nothing lost (the read and the save
    // join spool and memory, also where a write stopped within a line), and
    // when room comes back the spool takes the rest.
    void spoolDiskFull()
    {
        TTinyTmpfs fs(2048);
        if (!fs.Mounted())
            QSKIP("mounting a tmpfs is not permitted here");
        TLogLines store(fs.Path(), 100);
        QList<int> errors;
        int recovered = 0;
        store.OnSpoolError = [&](int e) { errors << e; };
        store.OnSpoolRecovered = [&] { ++recovered; };
        QVERIFY(fs.Fill(QStringLiteral("filler")));
        QStringList lines;
        for (int i = 0; i < 20000; ++i) {
            lines << QStringLiteral("       <--- Zeile %1 with some more text ----").arg(i);
            store.Append(lines.last());
        }
        QCOMPARE(errors, QList<int>{ENOSPC});
        QVERIFY(store.SpoolFailing());
        QVERIFY(store.PendingBytes() > 500000);
        for (int first : {0, 1, 9999, 19990})
            QCOMPARE(store.Lines(first, 10), lines.mid(first, 10));
        QTemporaryDir out;
        QCOMPARE(store.SaveAs(out.filePath("all.log")), 0);
        QCOMPARE(bytesOf(out.filePath("all.log")), saved(lines));
        QCOMPARE(store.Find(QStringLiteral("zeile 19999"), {0, 0}, false).at.line, qint64(19999));

        QVERIFY(QFile::remove(QDir(fs.Path()).filePath("filler")));
        QVERIFY(store.Flush());
        QCOMPARE(recovered, 1);
        QCOMPARE(store.PendingBytes(), qsizetype(0));
        QCOMPARE(store.Lines(0, 20000), lines);
        QCOMPARE(errors.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLogLines)
#include "tst_loglines.moc"
