// Rules of .plc files: which lines carry a step, what is sent for them, and
// the name a file gets.
#include "panels/PlcSequence.h"
#include "rx/TextFileSlot.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestPlcSequence : public QObject {
    Q_OBJECT

private slots:
    void stepOfLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("hasStep");
        QTest::addColumn<QString>("step");
        const QString marker = QStringLiteral("       <--- ");
        QTest::newRow("listed step") << marker + "1=30,2,OFF" << true << "30,2,OFF";
        QTest::newRow("first = only") << "a=b=c" << true << "b=c";
        QTest::newRow("final OK") << marker + "OK" << false << QString();
        QTest::newRow("echo of the request") << marker + "{+}PLCget" << false << QString();
        QTest::newRow("empty") << QString() << false << QString();
        QTest::newRow("nothing after =") << "7=" << true << QString();
        QTest::newRow("only =") << "=" << true << QString();
        QTest::newRow("blanks kept") << "2= 5 ,1, ON " << true << " 5 ,1, ON ";
        QTest::newRow("long step cut") << "x=" + QString(1500, QLatin1Char('9')) << true
                                       << QString(1000, QLatin1Char('9'));
        QTest::newRow("exactly the limit")
            << "=" + QString(1000, QLatin1Char('a')) << true << QString(1000, QLatin1Char('a'));
    }

    void stepOfLine()
    {
        QFETCH(QString, line);
        QFETCH(bool, hasStep);
        QFETCH(QString, step);
        const std::optional<QString> got = PlcStepOf(line);
        QCOMPARE(got.has_value(), hasStep);
        if (hasStep)
            QCOMPARE(*got, step);
    }

    void fileNameExtension_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("used");
        QTest::newRow("no extension") << "/home/t/seq"
                                      << "/home/t/seq.plc";
        QTest::newRow("other extension kept") << "/home/t/seq.txt"
                                              << "/home/t/seq.txt";
        QTest::newRow("own extension kept") << "/home/t/seq.plc"
                                            << "/home/t/seq.plc";
        QTest::newRow("dot in a directory only") << "/home/t.d/seq"
                                                 << "/home/t.d/seq.plc";
        QTest::newRow("trailing dot") << "/home/t/seq."
                                      << "/home/t/seq.";
        QTest::newRow("bare name") << "seq"
                                   << "seq.plc";
    }

    void fileNameExtension()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, used);
        QCOMPARE(WithPlcExtension(chosen), used);
    }

    // What a load of a file sends, whatever the file holds.
    void stepsOfFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("sent");
        // Why a load refuses the file before sending (empty: it loads).
        QTest::addColumn<QString>("refusal");
        const QString control = QStringLiteral("Keine PLC-Datei: Steuerzeichen in Zeile %1 - nichts gesendet");
        const QString tooMany = QStringLiteral("Keine PLC-Datei: mehr als 52 Schritte - nichts gesendet");
        const QByteArray listing = "       <--- {+}PLCget\r\n"
                                   "       <--- 1=30,2,OFF\r\n"
                                   "       <--- 2=45,3,ON\r\n"
                                   "       <--- OK\r\n";
        const QStringList listed{"{+}PLCset=30,2,OFF\r", "{+}PLCset=45,3,ON\r"};
        QTest::newRow("CR LF") << listing << listed << QString();
        QTest::newRow("LF") << QByteArray(listing).replace("\r\n", "\n") << listed << QString();
        QTest::newRow("CR") << QByteArray(listing).replace("\r\n", "\r") << listed << QString();
        QTest::newRow("no end on last step") << QByteArray("1=5,1,ON\n2=6,1,OFF")
                                             << QStringList{"{+}PLCset=5,1,ON\r", "{+}PLCset=6,1,OFF\r"} << QString();
        QTest::newRow("empty file") << QByteArray() << QStringList() << QString();
        QTest::newRow("no line with =") << QByteArray("one\r\ntwo\r\n\r\nOK\r\n") << QStringList() << QString();
        QTest::newRow("binary") << QByteArray("\x00\x01=\xff\x00z\n\x80\x90", 10)
                                << QStringList{QStringLiteral("{+}PLCset=") + QChar(0xFF) + QChar(0) + "z\r"}
                                << control.arg(1);
        const QByteArray longLine = "1=" + QByteArray(100 * 1024, '7') + "\r\n2=1,1,END\r\n";
        QTest::newRow("100 kB line") << longLine
                                     << QStringList{"{+}PLCset=" + QString(1000, QLatin1Char('7')) + "\r",
                                                    "{+}PLCset=1,1,END\r"}
                                     << QString();
        QByteArray full;
        QStringList fullSent;
        for (int i = 1; i <= 52; ++i) {
            full += "S" + QByteArray::number(i) + "=\t" + QByteArray::number(i) + ",1,ON\r\nno step\r\n";
            fullSent << QStringLiteral("{+}PLCset=\t%1,1,ON\r").arg(i);
        }
        QTest::newRow("a full unit, tabs") << full << fullSent << QString();
        QTest::newRow("one step more") << full + "x=1" << fullSent + QStringList{"{+}PLCset=1\r"} << tooMany;
        QTest::newRow("DEL") << QByteArray("1=1,1,ON\n\n2=1,1,\x7fOFF\n")
                             << QStringList{"{+}PLCset=1,1,ON\r", "{+}PLCset=1,1,\x7fOFF\r"} << control.arg(3);
    }

    void stepsOfFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, sent);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.plc"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();

        TTextFileSlot slot;
        QCOMPARE(slot.OpenForReading(path), 0);
        QCOMPARE(PlcFileRefusal(slot), refusal);
        QCOMPARE(slot.OpenForReading(path), 0);
        QStringList got;
        int pauses = 0;
        const int count = SendPlcSteps(
            slot,
            [&](const QString& line) {
                // Each line waits for the pause after the one before it.
                QCOMPARE(pauses, got.size());
                got << line;
            },
            [&] { ++pauses; });
        QCOMPARE(got, sent);
        QCOMPARE(count, sent.size());
        QCOMPARE(pauses, sent.size());
        QVERIFY(!slot.IsOpen());
    }

    // The capture of a listing ends at the unit's "OK" alone, not at a line
    // that holds the two letters somewhere.
    void listingEnd_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("ends");
        QTest::newRow("marked") << QStringLiteral("       <--- OK") << true;
        QTest::newRow("no marker") << QStringLiteral("OK") << true;
        QTest::newRow("blanks") << QStringLiteral("       <---  OK \t") << true;
        QTest::newRow("LOOK step") << QStringLiteral("       <--- 7=30,2,LOOK") << false;
        QTest::newRow("OK in a text") << QStringLiteral("       <--- PLC OK") << false;
        QTest::newRow("lower case") << QStringLiteral("       <--- ok") << false;
        QTest::newRow("OK.") << QStringLiteral("OK.") << false;
        QTest::newRow("marker only") << QStringLiteral("       <--- ") << false;
    }
    void listingEnd()
    {
        QFETCH(QString, line);
        QFETCH(bool, ends);
        QCOMPARE(PlcListingEnds(line), ends);
    }
};

QTEST_GUILESS_MAIN(TestPlcSequence)
#include "tst_plcsequence.moc"
