// The receive handler: line assembly, log, capture modes, reflection and the
// identification reply, over a pseudo-terminal with the real window.
#include "app/UnitMain.h"
#include "rx/RxLogic.h"
#include "support/Harness.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

class TestReceive : public QObject {
    Q_OBJECT

    std::unique_ptr<TScriptedDialogsScope> scope;
    std::unique_ptr<TDevicePeer> peer;
    std::unique_ptr<TFormMain> form;
    QTemporaryDir dir;
    const QString M = kRxMarker;

    // Sends bytes from the device and waits until the log has n lines.
    void feed(const QByteArray& bytes, int lines)
    {
        peer->Write(bytes);
        QVERIFY2(PumpUntil([&] { return LogLines(*form).size() >= lines; }),
                 qPrintable(LogLines(*form).join(QLatin1Char('|'))));
        Pump(20);
    }
    QByteArray fileBytes(const QString& name)
    {
        QFile f(name);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void init()
    {
        WriteTestSettings("[Misc]\r\nCOM=0\r\n");
        peer = std::make_unique<TDevicePeer>();
        peer->MapPort(TestSettingsFile(), 3);
        scope = std::make_unique<TScriptedDialogsScope>();
        form = std::make_unique<TFormMain>();
        form->RadioGroupCOM()->SetItemIndex(2);
        QVERIFY(form->ComPort.Connected());
        form->Memo1DblClick();
    }
    void cleanup()
    {
        form.reset();
        peer.reset();
        scope.reset();
    }

    void reflectedValues()
    {
        QCOMPARE(ReflectedValue(QStringLiteral("TR=35"), QLatin1String("TR=")), std::optional<int>(35));
        QCOMPARE(ReflectedValue(QStringLiteral("x TRIAPON=1"), QLatin1String("TRIAPON=")), std::optional<int>(1));
        QCOMPARE(ReflectedValue(QStringLiteral("TR=35s"), QLatin1String("TR=")), std::nullopt);
        QCOMPARE(ReflectedValue(QStringLiteral("TR=3 TA=4"), QLatin1String("TR=")), std::nullopt);
        QCOMPARE(ReflectedValue(QStringLiteral("TR="), QLatin1String("TR=")), std::nullopt);
        QCOMPARE(ReflectedValue(QStringLiteral("TR=-2"), QLatin1String("TR=")), std::optional<int>(-2));
        // Leading zeros make no number too long; only the value's range counts.
        QCOMPARE(ReflectedValue(QStringLiteral("TA= -000000000000000000003 "), QLatin1String("TA=")),
                 std::optional<int>(-3));
        QCOMPARE(ReflectedValue(QStringLiteral("TA=2147483647"), QLatin1String("TA=")), std::optional<int>(INT_MAX));
        QCOMPARE(ReflectedValue(QStringLiteral("TA=2147483648"), QLatin1String("TA=")), std::nullopt);
        QCOMPARE(ReflectedValue(QStringLiteral("TA=99999999999999999999999"), QLatin1String("TA=")), std::nullopt);
        QCOMPARE(IdReplyOf(QStringLiteral("ab#01.02")), std::optional<QString>(QStringLiteral("#01.02")));
        QCOMPARE(IdReplyOf(QStringLiteral("#") + QString(2000, QLatin1Char('x')))->size(), 1000);
        QCOMPARE(IdReplyOf(QStringLiteral("none")), std::nullopt);
        const QDateTime midnight(QDate(2026, 3, 1), QTime(0, 0));
        QVERIFY(!StampPrefix(midnight).contains(QLatin1Char(' ') + QLatin1String("00:00")));
        QVERIFY(StampPrefix(midnight).endsWith(QLatin1String(":  ")));
        QVERIFY(StampPrefix(QDateTime(QDate(2026, 3, 1), QTime(13, 4, 5))).contains(QLatin1String("13:04:05")));
    }

    // A megabyte of hostile output, in the pieces the port hands on: every
    // printable character is kept (a long line taken in pieces, the one on
    // hand bounded), control characters cost nothing, and the identification
    // reply stays bounded.
    void hostileStreams()
    {
        constexpr int kMB = 1024 * 1024;
        const struct {
            const char* name;
            QString stream;
            int lines;
            int pending;
            qsizetype idSize;  // of the reply in the last line or the pending text; -1: none
        } rows[] = {
            {"no line end", QString(kMB, QLatin1Char('A')), 0, kMB, -1},
            {"NUL bytes", QString(kMB, QChar(0)), 0, 0, -1},
            {"CR only", QString(kMB, QLatin1Char('\r')), kMB, 0, -1},
            {"one reply line", QLatin1Char('#') + QString(kMB, QLatin1Char('1')) + QLatin1Char('\r'), 1, 0,
             kRxFieldLimit},
        };
        for (const auto& row : rows) {
            TRxLine line;
            QChar last;
            int lines = 0;
            qsizetype taken = 0;
            std::optional<QString> id;
            const auto idOf = [&] { return IdReplyOf(line.Continued() ? line.First() : line.Text()); };
            for (qsizetype at = 0; at < row.stream.size(); at += 1000) {
                AssembleRx(
                    QStringView(row.stream).mid(at, 1000), line, last, kRxMarker.size(),
                    [&](QChar) {
                        ++lines;
                        id = idOf();
                        line.clear();
                        taken = 0;
                    },
                    [&] { taken += line.TakePiece().size(); });
                QVERIFY2(line.size() <= TLogFiles::kLineLimit, row.name);
            }
            if (!line.isEmpty())
                id = idOf();
            QVERIFY2(lines == row.lines, row.name);
            QVERIFY2(taken + line.size() == row.pending, row.name);
            QVERIFY2((id ? id->size() : -1) == row.idSize, row.name);
        }
    }

    // A line in two pieces, LF dropped, '/' ends a line and is shown.
    void lineAssembly()
    {
        feed("#01.0", 0);
        QVERIFY(LogLines(*form).isEmpty());
        feed("2.00\r\n", 1);
        QCOMPARE(LogLines(*form), QStringList({M + "#01.02.00"}));
        QCOMPARE(form->IdReply, QStringLiteral("#01.02.00"));
        QVERIFY(form->RxLine.isEmpty());

        feed("12/34\r", 3);
        QCOMPARE(LogLines(*form).mid(1), QStringList({M + "12/", M + "34"}));
        feed("OK\r\n\r\r", 4);
        QCOMPARE(LogLines(*form).size(), 4);
        QCOMPARE(form->IdReply, QStringLiteral("#01.02.00"));  // no '#': kept

        form->ClearPanels(QStringLiteral("GPSDataLogger"));  // marker off
        feed("/", 5);
        QCOMPARE(LogLines(*form).last(), QStringLiteral("       <--- /"));
        feed(QByteArray("a\x00\x01"
                        "b\x1b\xe4\r",
                        7),
             6);
        QCOMPARE(LogLines(*form).last(), QStringLiteral("ab\u00e4"));
        QCOMPARE(form->LastRxChar, QChar(0xE4));
    }

    void captureOrderAndPrefixes()
    {
        const QString name = dir.filePath(QStringLiteral("capture.txt"));
        QCOMPARE(form->DataFile.OpenForWriting(name), 0);
        form->PlainCapture = form->StampCapture = form->PlcCapture = true;
        feed("L1\r", 1);
        // Plain, then stamped, then the sequence copy (which is stamped too).
        QFile f(name);
        QVERIFY(f.open(QIODevice::ReadOnly));  // lines reach the file at once
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QByteArray("       <--- L1\r"));
        QVERIFY(lines[1].endsWith(":         <--- L1\r"));
        QCOMPARE(lines[2], lines[1]);
        QVERIFY(scope->dialogs->shown.isEmpty());

        // "OK" ends the sequence capture after being written, then the message.
        scope->dialogs->onShow = [&](const TScriptedDialogs::Shown&) {
            QVERIFY(!form->DataFile.IsOpen());
            QVERIFY(fileBytes(name).endsWith("OK\r\n"));
        };
        form->StampCapture = false;
        form->PlainCapture = false;
        feed("OK\r", 2);
        QCOMPARE(scope->dialogs->Texts(QStringLiteral("info")), QStringList({"OK - Datei gespeichert ...\r\r"}));
        QVERIFY(!form->PlcCapture);
    }

    void endOfDataAndUserBreak()
    {
        const QString name = dir.filePath(QStringLiteral("list.lst"));
        QCOMPARE(form->DataFile.OpenForWriting(name), 0);
        form->PlainCapture = true;
        feed("data\rend of data ...\r", 2);
        QVERIFY(!form->PlainCapture);
        QVERIFY(!form->DataFile.IsOpen());
        QCOMPARE(fileBytes(name), QByteArray("       <--- data\r\n       <--- end of data ...\r\n"));
        // Closes the slot even without a capture.
        QCOMPARE(form->DataFile.OpenForWriting(name), 0);
        feed("user break ...\r", 3);
        QVERIFY(!form->DataFile.IsOpen());
    }

    void reflectionOnlyOnTheActivePanel()
    {
        auto* tr = form->findChild<TSpinEdit*>(QStringLiteral("EditTR_VGS"));
        auto* set5 = form->findChild<TSpinEdit*>(QStringLiteral("SpinEditSet5_ZB"));
        if (!tr && !set5)
            QSKIP("no panel with reflected fields yet");
        if (tr) {
            form->ClearPanels(QStringLiteral("Zerbo"));
            const int before = tr->Value();
            feed("TR=35\r", 1);
            QCOMPARE(tr->Value(), before);
            form->ClearPanels(QStringLiteral("Vigilo"));
            feed("TR=35\r", 2);
            QCOMPARE(tr->Value(), 35);
            feed("TR=36s\rTR=37\r", 4);  // no whole number: unchanged; the next line still works
            QCOMPARE(tr->Value(), 37);
        }
    }

    // The batch of bytes larger than one read: every byte is handled, and
    // bytes arriving while a modal message is open are handled after it
    // without waiting for more.
    void largeBatchesAndBytesDuringAModalMessage()
    {
        QByteArray many;
        for (int i = 0; i < 500; ++i)
            many += "line " + QByteArray::number(i) + "\r";
        feed(many, 500);
        QCOMPARE(LogLines(*form).size(), 500);
        QCOMPARE(LogLines(*form).last(), M + "line 499");

        form->Memo1DblClick();
        form->PlcCapture = true;
        scope->dialogs->onShow = [&](const TScriptedDialogs::Shown&) {
            peer->Write("after\r");
            Pump(100);
        };
        feed("OK\r", 1);
        QVERIFY(PumpUntil([&] { return LogLines(*form).size() >= 2; }, 1000));
        QCOMPARE(LogLines(*form), QStringList({M + "OK", M + "after"}));
    }

    // A long line is logged in marked pieces of at most 64 KiB as it
    // arrives; the capture file gets it whole. The window stays responsive.
    void longLineAndGarbage()
    {
        const QString capture = dir.filePath(QStringLiteral("long.txt"));
        QCOMPARE(form->OpenDataFileForWriting(capture), 0);
        form->PlainCapture = true;
        QByteArray garbage(100000, 'x');
        peer->Write(garbage);
        // The first piece is in the log before the line ends.
        QVERIFY(PumpUntil([&] { return form->RxLine.size() == 100000 - (65536 - M.size()); }, 5000));
        QCOMPARE(LogLines(*form).size(), 1);
        feed("\r", 2);
        const QString whole = M + QString(100000, QLatin1Char('x'));
        QCOMPARE(LogLines(*form), QStringList({whole.left(65536), QStringLiteral("\u00BB ") + whole.mid(65536)}));
        form->PlainCapture = false;
        form->CloseDataFile();
        QCOMPARE(fileBytes(capture), whole.toLatin1() + "\r\n");
        QByteArray noise;
        for (int i = 0; i < 20000; ++i)
            noise += char(i * 37 % 256);
        peer->Write(noise + "\rend\r");
        QVERIFY(PumpUntil([&] { return LogLines(*form).last() == M + "end"; }, 5000));
    }

    // Lines at, just over and far over the limit through the port, into
    // each capture mode: the file gets every line byte for byte, the log its
    // pieces, the line under assembly stays bounded, and the identification
    // and the reflection see the line's first piece.
    void longLinesIntoEachCapture_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("logLines");
        const int marked = int(TLogFiles::kLineLimit - kRxMarker.size());
        QTest::newRow("plain, at the limit") << marked << "plain" << 1;
        QTest::newRow("plain, one over") << marked + 1 << "plain" << 2;
        QTest::newRow("stamped, one over") << marked + 1 << "stamped" << 2;
        QTest::newRow("sequence, many times over") << 40 * marked << "sequence" << 40;
        QTest::newRow("stamped, many times over") << 40 * marked << "stamped" << 40;
        // One copy of a line over the limit, as the plain capture writes it.
        QTest::newRow("plain and stamped, one over") << marked + 1 << "plain+stamped" << 2;
    }
    void longLinesIntoEachCapture()
    {
        QFETCH(int, length);
        QFETCH(QString, mode);
        QFETCH(int, logLines);
        const QDateTime when(QDate(2026, 3, 1), QTime(13, 4, 5));
        SetStampClock([when] { return when; });
        form->ClearPanels(QStringLiteral("Vigilo"));
        auto* ta = form->findChild<TSpinEdit*>(QStringLiteral("EditTA_VGS"));
        ta->SetValue(10);

        const QString name = dir.filePath(QStringLiteral("capture.txt"));
        QCOMPARE(form->OpenDataFileForWriting(name), 0);
        form->PlainCapture = mode.startsWith("plain");
        form->StampCapture = mode.endsWith("stamped");
        form->PlcCapture = mode == "sequence";
        // "#" first, every byte from 32 to 255 but '/' after it, a value
        // at the end.
        QByteArray text = "#";
        for (int i = 0; text.size() < length - 4; ++i)
            if (32 + i % 224 != '/')
                text += char(32 + i % 224);
        text += "TA=7";
        const QByteArray line = kRxMarker.toLatin1() + text;
        // CR and LF in separate writes, so in separate reads.
        peer->Write(text + "\r");
        QVERIFY(PumpUntil([&] { return LogLines(*form).size() >= logLines; }, 30000));
        QVERIFY(form->RxLine.isEmpty());
        peer->Write("\n");
        feed("after\r", logLines + 1);
        form->PlainCapture = form->StampCapture = form->PlcCapture = false;
        form->CloseDataFile();
        SetStampClock({});

        const QByteArray stamp = StampPrefix(when).toLatin1();
        const QByteArray after = kRxMarker.toLatin1() + "after\r\n";
        const QByteArray expected = mode == "stamped"         ? stamp + line + "\r\n" + stamp + after
                                    : mode == "plain+stamped" ? line + "\r\n" + after + stamp + after
                                                              : line + "\r\n" + after;
        QCOMPARE(fileBytes(name), expected);
        QStringList log = LogLines(*form);
        QCOMPARE(log.size(), logLines + 1);
        QString joined;
        for (int i = 0; i < logLines; ++i) {
            QVERIFY(log[i].size() <= TLogFiles::kLineLimit);
            QVERIFY(i == 0 || log[i].startsWith(TLogFiles::kContinued));
            joined += i == 0 ? log[i] : log[i].mid(TLogFiles::kContinued.size());
        }
        QCOMPARE(joined.toLatin1(), line);
        // Within the limit the whole line is seen; beyond it the first piece,
        // which does not hold the value.
        QCOMPARE(ta->Value(), logLines == 1 ? 7 : 10);
        QCOMPARE(form->IdReply.toLatin1(), text.left(kRxFieldLimit));
    }

    // A line that never ends holds no more than its pieces' worth.
    void aLineThatNeverEnds()
    {
        const QByteArray megabyte(1 << 20, 'y');
        for (int i = 0; i < 4; ++i)
            peer->Write(megabyte);
        QVERIFY(PumpUntil([&] { return LogLines(*form).size() == 64; }, 30000));
        QVERIFY(form->RxLine.size() <= TLogFiles::kLineLimit);
        QVERIFY(!form->RxLine.isEmpty());
        feed("\r", 65);
        QVERIFY(form->RxLine.isEmpty());
    }

    void lineNotification()
    {
        QStringList seen;
        connect(form.get(), &TFormMain::LineReceived, this, [&](const QString& l) { seen << l; });
        feed("CONNECT 9600\r\r/", 2);
        QCOMPARE(seen, QStringList({M + "CONNECT 9600"}));
    }
};

QTEST_MAIN(TestReceive)
#include "tst_receive.moc"
