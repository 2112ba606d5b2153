#include "rx/TextFileSlot.h"
#include "support/Harness.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList ReadAllLines(TTextFileSlot& slot)
{
    QStringList lines;
    while (!slot.AtEnd())
        lines << slot.ReadLine();
    return lines;
}

// Error number of opening path without special rights: directly for an
// ordinary user; as root in a child process that gives up root first.
int OpenErrnoAsOrdinaryUser(const QString& path, bool forWriting)
{
    auto attempt = [&] {
        TTextFileSlot slot;
        return forWriting ? slot.OpenForWriting(path) : slot.OpenForReading(path);
    };
    if (::geteuid() != 0)
        return attempt();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(254);
        ::_exit(attempt() & 0xFF);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

}  // namespace

class TstTextFileSlot : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void writesLatin1LinesWithCrLf();
    void readsEveryKindOfLineEnd_data();
    void readsEveryKindOfLineEnd();
    void readsLargeFileWithMixedLineEnds();
    void openFailuresReportErrno();
    void reopeningClosesWhatTheSlotHeld();
    void flushEachLineControlsWhenLinesReachTheFile();
    void writeFailuresReportOnceAndClose();
    void readFailureReportsOnceAndCloses();

private:
    QString File(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }
    std::unique_ptr<QTemporaryDir> dir_;
};

void TstTextFileSlot::writesLatin1LinesWithCrLf()
{
    TTextFileSlot slot;
    slot.WriteLine("to nowhere");  // closed: nothing happens
    QCOMPARE(slot.OpenForWriting(File("w.txt")), 0);
    QVERIFY(slot.IsWriting());
    QCOMPARE(slot.FileName(), File("w.txt"));
    QVERIFY(slot.AtEnd());
    slot.WriteLine("abc");
    slot.Close();
    QVERIFY(!slot.IsOpen());
    QCOMPARE(slot.FileName(), QString());
    QCOMPARE(FileBytes(File("w.txt")), QByteArray("abc\r\n"));

    QCOMPARE(slot.OpenForWriting(File("w.txt")), 0);  // empties the file
    slot.WriteLine(QString());
    slot.WriteLine(QString::fromUtf8("Temp 25°C ÄÖÜß ÿ"));
    slot.WriteLine(QString::fromUtf8("5 € / Ω ✓ 😀!"));  // outside Latin-1; the emoji is one character
    slot.Close();
    const QByteArray written("\r\nTemp 25\xB0"
                             "C \xC4\xD6\xDC\xDF \xFF\r\n5 ? / ? ? ?!\r\n");
    QCOMPARE(FileBytes(File("w.txt")), written);

    QCOMPARE(slot.OpenForReading(File("w.txt")), 0);
    slot.WriteLine("must not land");  // open for reading: nothing happens
    QCOMPARE(ReadAllLines(slot), QStringList({"", QString::fromUtf8("Temp 25°C ÄÖÜß ÿ"), "5 ? / ? ? ?!"}));
    slot.Close();
    QCOMPARE(FileBytes(File("w.txt")), written);
}

void TstTextFileSlot::readsEveryKindOfLineEnd_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("CR LF, LF, lone CR, empty lines")
        << QByteArray("a\r\n\nb\r\rc\n\r\nd\r") << QStringList({"a", "", "b", "", "c", "", "d"});
    QTest::newRow("no end on last line") << QByteArray("a\r\nlast") << QStringList({"a", "last"});
    QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QStringList({"a", "", "b"});
    QTest::newRow("Latin-1 bytes") << QByteArray("\xB0\xE4\x80\r\n") << QStringList({QString::fromUtf8("°ä\u0080")});
}

void TstTextFileSlot::readsEveryKindOfLineEnd()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);
    PutFile(File("r.txt"), content);
    TTextFileSlot slot;
    QCOMPARE(slot.OpenForReading(File("r.txt")), 0);
    QVERIFY(!slot.IsWriting());
    QCOMPARE(ReadAllLines(slot), lines);
    QCOMPARE(slot.ReadLine(), QString());  // past the end
    QVERIFY(slot.IsOpen());
}

// Megabytes of lines. The first part has CR LF pairs at a period of 7 bytes,
// so for any block size up to 2^18 some pair is split between two reads; the
// second part has lines of every length with random line ends.
void TstTextFileSlot::readsLargeFileWithMixedLineEnds()
{
    QByteArray content;
    QStringList expected;
    for (int i = 0; i < 300000; ++i) {
        content += "abcde\r\n";
        expected << QStringLiteral("abcde");
    }
    QRandomGenerator random(20240611);
    static const char* const kEnds[] = {"\r\n", "\n", "\r"};
    while (content.size() < 6 * 1024 * 1024) {
        // Non-empty lines: a lone CR before an empty LF-ended line would be CR LF.
        QByteArray line(1 + int(random.bounded(300)), 'x');
        for (char& c : line)
            c = char(' ' + random.bounded(95));
        expected << QString::fromLatin1(line);
        content += line + kEnds[random.bounded(3)];
    }
    PutFile(File("big.txt"), content);

    TTextFileSlot slot;
    QCOMPARE(slot.OpenForReading(File("big.txt")), 0);
    const QStringList lines = ReadAllLines(slot);
    QCOMPARE(lines.size(), expected.size());
    QCOMPARE(lines, expected);
}

void TstTextFileSlot::openFailuresReportErrno()
{
    TTextFileSlot slot;
    int errors = 0;
    slot.OnError = [&](const QString&) { ++errors; };
    QCOMPARE(slot.OpenForReading(File("missing.txt")), ENOENT);
    QVERIFY(!slot.IsOpen());
    QCOMPARE(slot.OpenForWriting(File("no/dir/out.txt")), ENOENT);
    QVERIFY(QDir(dir_->path()).mkdir("sub"));
    QCOMPARE(slot.OpenForReading(File("sub")), EISDIR);
    QCOMPARE(slot.OpenForWriting(File("sub")), EISDIR);
    QVERIFY(!slot.IsOpen());

    PutFile(File("secret.txt"), "x\r\n");
    QVERIFY(QFile::setPermissions(File("secret.txt"), QFileDevice::Permissions()));
    QVERIFY(QFile::setPermissions(dir_->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                    | QFileDevice::ExeOther));
    QCOMPARE(OpenErrnoAsOrdinaryUser(File("secret.txt"), false), EACCES);
    QCOMPARE(OpenErrnoAsOrdinaryUser(File("secret.txt"), true), EACCES);
    QCOMPARE(errors, 0);  // failed opens are the caller's to report
}

void TstTextFileSlot::reopeningClosesWhatTheSlotHeld()
{
    PutFile(File("in.txt"), "first\r\nsecond\r\n");
    TTextFileSlot slot;
    int errors = 0;
    slot.OnError = [&](const QString&) { ++errors; };

    // Reading the same file twice starts again at the first line.
    QCOMPARE(slot.OpenForReading(File("in.txt")), 0);
    QCOMPARE(slot.ReadLine(), QString("first"));
    QCOMPARE(slot.OpenForReading(File("in.txt")), 0);
    QCOMPARE(ReadAllLines(slot), QStringList({"first", "second"}));

    // Writing while reading: the read file is closed, the new one starts empty.
    QCOMPARE(slot.OpenForReading(File("in.txt")), 0);
    PutFile(File("out.txt"), "old content\r\n");
    QCOMPARE(slot.OpenForWriting(File("out.txt")), 0);
    QVERIFY(slot.IsWriting());
    QCOMPARE(FileBytes(File("out.txt")), QByteArray());

    // A failed open still closes the held file, writing its buffered lines.
    slot.SetFlushEachLine(false);
    slot.WriteLine("kept");
    QCOMPARE(slot.OpenForReading(File("missing.txt")), ENOENT);
    QVERIFY(!slot.IsOpen());
    QCOMPARE(FileBytes(File("out.txt")), QByteArray("kept\r\n"));
    slot.Close();
    slot.Close();
    QCOMPARE(errors, 0);
}

void TstTextFileSlot::flushEachLineControlsWhenLinesReachTheFile()
{
    {
        TTextFileSlot slot;
        QCOMPARE(slot.OpenForWriting(File("each.txt")), 0);
        slot.WriteLine("one");
        QCOMPARE(FileBytes(File("each.txt")), QByteArray("one\r\n"));
        slot.SetFlushEachLine(false);
        slot.WriteLine("two");
        QCOMPARE(FileBytes(File("each.txt")), QByteArray("one\r\n"));
        slot.SetFlushEachLine(true);  // writes what is pending
        QCOMPARE(FileBytes(File("each.txt")), QByteArray("one\r\ntwo\r\n"));
        slot.SetFlushEachLine(false);
        slot.WriteLine("three");
    }  // the destructor writes the buffered line
    QCOMPARE(FileBytes(File("each.txt")), QByteArray("one\r\ntwo\r\nthree\r\n"));

    // Buffered output goes out in pieces, not all at the close.
    TTextFileSlot slot;
    slot.SetFlushEachLine(false);
    QCOMPARE(slot.OpenForWriting(File("long.txt")), 0);
    for (int i = 0; i < 20000; ++i)
        slot.WriteLine(QString(98, QLatin1Char('y')));
    QVERIFY(!FileBytes(File("long.txt")).isEmpty());
    slot.Close();
    QCOMPARE(FileBytes(File("long.txt")).size(), qsizetype(20000 * 100));
}

void TstTextFileSlot::writeFailuresReportOnceAndClose()
{
    QStringList reported;
    {
        TTextFileSlot slot;
        bool openInHandler = true;
        slot.OnError = [&](const QString& name) {
            reported << name;
            openInHandler = slot.IsOpen();
        };
        // Flushed at once: the first line fails.
        QCOMPARE(slot.OpenForWriting("/dev/full"), 0);
        slot.WriteLine("lost");
        QCOMPARE(reported, QStringList({"/dev/full"}));
        QVERIFY(!openInHandler);
        QVERIFY(!slot.IsOpen());
        slot.WriteLine("also lost");
        slot.Close();
        QCOMPARE(reported.size(), 1);

        // Buffered: the failure shows at the close, or when the slot switches files.
        slot.SetFlushEachLine(false);
        QCOMPARE(slot.OpenForWriting("/dev/full"), 0);
        slot.WriteLine("pending");
        QCOMPARE(reported.size(), 1);
        slot.Close();
        QCOMPARE(reported.size(), 2);
        QCOMPARE(slot.OpenForWriting("/dev/full"), 0);
        slot.WriteLine("pending");
        QCOMPARE(slot.OpenForWriting(File("next.txt")), 0);
        QCOMPARE(reported.size(), 3);
        QCOMPARE(slot.FileName(), File("next.txt"));

        // A handler that opens a file itself does not disturb the open that
        // triggered it: its file is closed, the requested one starts empty.
        QCOMPARE(slot.OpenForWriting("/dev/full"), 0);
        slot.WriteLine("pending");
        slot.OnError = [&](const QString& name) {
            reported << name;
            QCOMPARE(slot.OpenForWriting(File("handler.txt")), 0);
            slot.WriteLine("from handler");
        };
        QCOMPARE(slot.OpenForWriting(File("requested.txt")), 0);
        QCOMPARE(reported.size(), 4);
        QCOMPARE(slot.FileName(), File("requested.txt"));
        slot.Close();
        QCOMPARE(FileBytes(File("handler.txt")), QByteArray("from handler\r\n"));
        QCOMPARE(FileBytes(File("requested.txt")), QByteArray());

        // The destructor does not call back into an owner that is going away.
        QCOMPARE(slot.OpenForWriting("/dev/full"), 0);
        slot.WriteLine("pending");
    }
    QCOMPARE(reported.size(), 4);
}

void TstTextFileSlot::readFailureReportsOnceAndCloses()
{
    // Reading the start of a process's memory fails with EIO.
    TTextFileSlot slot;
    if (slot.OpenForReading("/proc/self/mem") != 0)
        QSKIP("/proc/self/mem cannot be opened here");
    int errors = 0;
    slot.OnError = [&](const QString&) { ++errors; };
    QCOMPARE(slot.ReadLine(), QString());
    QCOMPARE(errors, 1);
    QVERIFY(!slot.IsOpen());
    QVERIFY(slot.AtEnd());
    slot.Close();
    QCOMPARE(errors, 1);
}

QTEST_GUILESS_MAIN(TstTextFileSlot)
#include "tst_textfileslot.moc"
