// The bounded line under assembly: a long line is taken piece by piece as it
// arrives, the pieces are the ones the log makes of the whole line, and no
// character is lost or doubled.
#include "rx/LogFiles.h"
#include "rx/RxLogic.h"

#include <QTemporaryDir>
#include <QtTest>

class TestRxLine : public QObject {
    Q_OBJECT

private slots:
    void piecesAsTheLogCutsTheLine_data()
    {
        QTest::addColumn<int>("length");  // received characters of the line
        QTest::addColumn<bool>("marker");
        QTest::addColumn<QString>("end");  // what follows the characters
        QTest::addColumn<int>("chunk");    // characters per read
        QTest::addColumn<int>("logLines");

        const int limit = int(TLogFiles::kLineLimit);
        const int marked = limit - int(kRxMarker.size());
        QTest::newRow("short") << 5 << true << "\r\n" << 1000 << 1;
        QTest::newRow("at the limit, marker") << marked << true << "\r" << 1000 << 1;
        QTest::newRow("one over, marker") << marked + 1 << true << "\r" << 1000 << 2;
        QTest::newRow("at the limit, no marker") << limit << false << "\r" << 1000 << 1;
        QTest::newRow("one over, no marker") << limit + 1 << false << "\r" << 1000 << 2;
        QTest::newRow("at the limit, slash") << marked << true << "/" << 1000 << 2;
        QTest::newRow("many times over") << 20 * limit + 7 << true << "\r" << 1000 << 21;
        QTest::newRow("many times over, read by the byte") << 3 * limit << true << "\r" << 1 << 4;
        QTest::newRow("CR and LF in separate reads") << 2 * limit << true << "\r\n" << 2 * limit + 1 << 3;
        QTest::newRow("reads across the piece ends") << 5 * limit << false << "/\r\n" << 65533 << 6;
    }
    void piecesAsTheLogCutsTheLine()
    {
        QFETCH(int, length);
        QFETCH(bool, marker);
        QFETCH(QString, end);
        QFETCH(int, chunk);
        QFETCH(int, logLines);

        QString text(length, QLatin1Char('x'));
        for (int i = 0; i < length; i += 997)
            text[i] = QChar(u'a' + i % 26);
        text[length - 1] = QChar(0xE4);
        const QString stream = text + end;
        const QString prefix = marker ? kRxMarker : QString();

        // The log's pieces of the line as a whole.
        QTemporaryDir dir;
        TLogFiles whole(dir.path());
        whole.Append(prefix + text + (end.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString()));

        TRxLine line;
        QChar last;
        QStringList logged;
        QString taken;
        QString firstPiece;
        int ends = 0;
        qsizetype most = 0;
        for (qsizetype at = 0; at < stream.size(); at += chunk) {
            AssembleRx(
                QStringView(stream).mid(at, chunk), line, last, prefix.size(),
                [&](QChar endChar) {
                    ++ends;
                    if (line.isEmpty())
                        return;
                    QString rest = line.Text();
                    if (endChar == QLatin1Char('/'))
                        rest += endChar;
                    // The last piece goes to the log as any line does.
                    TLogFiles tail(dir.path());
                    tail.Append((line.Continued() ? TLogFiles::kContinued : prefix) + rest);
                    for (qint64 i = 0; i < tail.Lines().Count(); ++i)
                        logged << tail.Lines().Line(i);
                    QCOMPARE(line.First(), firstPiece);
                    taken += line.Text();
                    line.clear();
                    QVERIFY(line.isEmpty() && !line.Continued());
                },
                [&] {
                    const bool first = !line.Continued();
                    const QString piece = line.TakePiece();
                    if (first)
                        firstPiece = piece;
                    logged << (first ? prefix : TLogFiles::kContinued) + piece;
                    taken += piece;
                    QVERIFY(line.Continued());
                    QVERIFY(!line.isEmpty());
                });
            most = qMax(most, line.size());
        }
        QCOMPARE(ends, int(end.count(QLatin1Char('\r')) + end.count(QLatin1Char('/'))));
        QCOMPARE(taken, text);
        QCOMPARE(last, QChar(0xE4));
        QVERIFY(most <= TLogFiles::kLineLimit);
        QCOMPARE(logged.size(), logLines);
        QCOMPARE(whole.Lines().Count(), qint64(logLines));
        for (int i = 0; i < logLines; ++i) {
            QVERIFY(logged[i].size() <= TLogFiles::kLineLimit);
            QVERIFY2(logged[i] == whole.Lines().Line(i), qPrintable(QStringLiteral("log line %1").arg(i)));
        }
    }

    // A line that never ends keeps at most one piece on hand and its first.
    void aLineThatNeverEnds()
    {
        TRxLine line;
        QChar last;
        const QString megabyte(1 << 20, QLatin1Char('#'));
        qint64 pieces = 0;
        for (int i = 0; i < 64; ++i)
            AssembleRx(
                megabyte, line, last, kRxMarker.size(), [](QChar) { QFAIL("no line end was sent"); },
                [&] {
                    line.TakePiece();
                    ++pieces;
                });
        QVERIFY(line.size() <= TLogFiles::kLineLimit);
        QCOMPARE(line.First().size(), TLogFiles::kLineLimit - kRxMarker.size());
        // 65524 characters behind the marker, then 65534 behind "» " each.
        QCOMPARE(pieces, qint64(1024));
        QCOMPARE(IdReplyOf(line.First())->size(), kRxFieldLimit);
        line.clear();
        QVERIFY(line.isEmpty() && line.First().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRxLine)
#include "tst_rxline.moc"
