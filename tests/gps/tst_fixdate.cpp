// Dates of NMEA sentences, and the date and epoch each position of a
// recording gets from the track reader.
#include "NmeaTestFiles.h"
#include "gps/FixDate.h"
#include "gps/TrackReader.h"
#include "gps/TrackSummary.h"

#include <QtTest>

Q_DECLARE_METATYPE(TCivilDate)

namespace {

QString Text(const TCivilDate& d) { return QString::asprintf("%04d-%02d-%02d", d.year, d.month, d.day); }

}  // namespace

class TstFixDate : public QObject {
    Q_OBJECT

private slots:
    void zda_data()
    {
        QTest::addColumn<QString>("fields");  // day,month,year
        QTest::addColumn<QString>("date");    // "" when not valid
        QTest::newRow("plain") << "14,03,2021"
                               << "2021-03-14";
        QTest::newRow("one digit day and month") << "1,2,2021"
                                                 << "2021-02-01";
        QTest::newRow("leap day") << "29,02,2024"
                                  << "2024-02-29";
        QTest::newRow("leap day of 2000") << "29,02,2000"
                                          << "2000-02-29";
        QTest::newRow("no leap day in 2100") << "29,02,2100"
                                             << "";
        QTest::newRow("year 0") << "14,03,0000"
                                << "";
        QTest::newRow("start values") << "00,00,0000"
                                      << "";
        QTest::newRow("month 13") << "14,13,2021"
                                  << "";
        QTest::newRow("31 April") << "31,04,2021"
                                  << "";
        QTest::newRow("two-digit year") << "14,03,21"
                                        << "";
        QTest::newRow("signs") << "+1,03,2021"
                               << "";
        QTest::newRow("empty") << ",,"
                               << "";
    }
    void zda()
    {
        QFETCH(QString, fields);
        QFETCH(QString, date);
        const QByteArrayList f = fields.toLatin1().split(',');
        const TCivilDate d = DateFromZda(f[0].toStdString(), f[1].toStdString(), f[2].toStdString());
        QCOMPARE(d.Valid() ? Text(d) : QString(), date);
    }

    void rmc_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("date");
        QTest::newRow("2021") << "140321"
                              << "2021-03-14";
        QTest::newRow("2079") << "311279"
                              << "2079-12-31";
        QTest::newRow("1980") << "060180"
                              << "1980-01-06";
        QTest::newRow("1999") << "311299"
                              << "1999-12-31";
        QTest::newRow("no day") << "000321"
                                << "";
        QTest::newRow("short") << "14032"
                               << "";
        QTest::newRow("with a checksum") << "140321*6F"
                                         << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void rmc()
    {
        QFETCH(QString, field);
        QFETCH(QString, date);
        const TCivilDate d = DateFromRmc(field.toStdString());
        QCOMPARE(d.Valid() ? Text(d) : QString(), date);
    }

    void timeOfDay_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("ms");
        QTest::newRow("whole") << "101530" << ((10 * 60 + 15) * 60 + 30) * 1000;
        QTest::newRow("centiseconds") << "235959.99" << 86399990;
        QTest::newRow("long fraction cut") << "000000.123456" << 123;
        QTest::newRow("one fraction digit") << "000001.5" << 1500;
        QTest::newRow("dot without fraction") << "000001." << -1;
        QTest::newRow("hour 24") << "240000" << -1;
        QTest::newRow("minute 60") << "006000" << -1;
        QTest::newRow("short") << "10153" << -1;
        QTest::newRow("letters") << "10153a" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void timeOfDay()
    {
        QFETCH(QString, field);
        QFETCH(int, ms);
        QCOMPARE(TimeOfDayMs(field.toStdString()), ms);
    }

    void calendar_data()
    {
        QTest::addColumn<TCivilDate>("date");
        QTest::addColumn<QString>("next");
        QTest::addColumn<qlonglong>("days");  // since 1970-01-01
        QTest::newRow("epoch") << TCivilDate{1970, 1, 1} << "1970-01-02" << 0LL;
        QTest::newRow("year end") << TCivilDate{2021, 12, 31} << "2022-01-01" << 18992LL;
        QTest::newRow("leap February") << TCivilDate{2024, 2, 28} << "2024-02-29" << 19781LL;
        QTest::newRow("leap day") << TCivilDate{2024, 2, 29} << "2024-03-01" << 19782LL;
        QTest::newRow("plain February") << TCivilDate{2023, 2, 28} << "2023-03-01" << 19416LL;
        QTest::newRow("before the epoch") << TCivilDate{1969, 12, 31} << "1970-01-01" << -1LL;
    }
    void calendar()
    {
        QFETCH(TCivilDate, date);
        QFETCH(QString, next);
        QFETCH(qlonglong, days);
        QCOMPARE(Text(date.NextDay()), next);
        QCOMPARE(date.DaysSinceEpoch(), days);
        QCOMPARE(date.NextDay().DaysSinceEpoch(), days + 1);
    }

    void fromDays_data()
    {
        QTest::addColumn<qlonglong>("days");
        for (qlonglong d : {0LL, -1LL, 18992LL, 19781LL, 19782LL, 2932896LL, -719162LL})
            QTest::newRow(qPrintable(QString::number(d))) << d;
    }
    // Back from a day number to the date it counts.
    void fromDays()
    {
        QFETCH(qlonglong, days);
        const TCivilDate date = DateFromDays(days);
        QVERIFY(date.Valid());
        QCOMPARE(date.DaysSinceEpoch(), days);
        QVERIFY(!DateFromDays(2932897).Valid());  // 10000-01-01
    }

    void reader_data()
    {
        // Sentences in file order ("GP@120000" a GGA of talker GP at 12:00:00
        // with as many satellites as its row gives after a slash; "Z..." a
        // ZDA, "R..." a valid RMC, "V..." a void one; "-" no time); the
        // fixes as "date time/satellites".
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("fixes");
        QTest::newRow("no date sentence")
            << QStringList{"GP@101530", "GP@101531"} << QStringList{"10:15:30/5", "10:15:31/5"};
        QTest::newRow("across midnight") << QStringList{"ZGP2021-03-14@235958", "GP@235959", "GP@000001", "GP@000002"}
                                         << QStringList{"2021-03-14 23:59:59/5", "2021-03-15 00:00:01/5",
                                                        "2021-03-15 00:00:02/5"};
        QTest::newRow("across the year") << QStringList{"ZGP2021-12-31@235959", "GP@000000"}
                                         << QStringList{"2022-01-01 00:00:00/5"};
        QTest::newRow("a small step back keeps the day")
            << QStringList{"ZGP2021-03-14@100000", "GP@100010", "GP@090000", "GP@100020"}
            << QStringList{"2021-03-14 10:00:10/5", "2021-03-14 09:00:00/5", "2021-03-14 10:00:20/5"};
        QTest::newRow("half a day back is no midnight")
            << QStringList{"ZGP2021-03-14@230000", "GP@110000"} << QStringList{"2021-03-14 11:00:00/5"};
        QTest::newRow("two midnights") << QStringList{"ZGP2021-03-14@120000", "GP@235900", "GP@000100", "GP@235900",
                                                      "GP@000100"}
                                       << QStringList{"2021-03-14 23:59:00/5", "2021-03-15 00:01:00/5",
                                                      "2021-03-15 23:59:00/5", "2021-03-16 00:01:00/5"};
        QTest::newRow("the fix before its epoch's RMC")
            << QStringList{"GN@120000", "RGN2021-03-14@120000", "GN@120001", "RGN2021-03-14@120001"}
            << QStringList{"2021-03-14 12:00:00/5", "2021-03-14 12:00:01/5"};
        QTest::newRow("the fix before its epoch's ZDA")
            << QStringList{"GP@120000", "ZGP2021-03-14@120000"} << QStringList{"2021-03-14 12:00:00/5"};
        QTest::newRow("the first fix of the file before the RMC of another talker")
            << QStringList{"GP@120000", "RGN2021-03-14@120000"} << QStringList{"2021-03-14 12:00:00/5"};
        QTest::newRow("the fixes before the first date, dated back across midnight")
            << QStringList{"GP@235958", "GP@235959", "GP@000000", "RGP2021-03-15@000001", "GP@000001"}
            << QStringList{"2021-03-14 23:59:58/5", "2021-03-14 23:59:59/5", "2021-03-15 00:00:00/5",
                           "2021-03-15 00:00:01/5"};
        QTest::newRow("a void RMC dates nothing")
            << QStringList{"GP@120000", "VGP2021-03-14@120000"} << QStringList{"12:00:00/5"};
        QTest::newRow("ZDA wins over RMC in its epoch")
            << QStringList{"RGP2021-03-14@100000", "GP@100000", "ZGP2021-03-16@100000", "RGP2021-03-17@100002",
                           "GP@100002"}
            << QStringList{"2021-03-16 10:00:00/5", "2021-03-17 10:00:02/5"};
        QTest::newRow("an empty ZDA leaves the RMC dates")
            << QStringList{"RGP2021-03-14@100000", "GP@100000", "E", "RGP2021-03-14@100001", "GP@100001", "E"}
            << QStringList{"2021-03-14 10:00:00/5", "2021-03-14 10:00:01/5"};
        QTest::newRow("an invalid ZDA dates nothing and ends no date")
            << QStringList{"ZGP2021-03-14@100000", "GP@100000", "ZGP0000-03-14@100001", "GP@100001"}
            << QStringList{"2021-03-14 10:00:00/5", "2021-03-14 10:00:01/5"};
        QTest::newRow("one fix per epoch: the combined one")
            << QStringList{"GP@120000/7", "GL@120000/4", "GN@120000/11", "GA@120000/3", "GP@120001/8"}
            << QStringList{"12:00:00/11", "12:00:01/8"};
        QTest::newRow("one fix per epoch: else the first")
            << QStringList{"GP@120000/7", "GL@120000/4", "GL@120001/5", "GP@120001/6"}
            << QStringList{"12:00:00/7", "12:00:01/5"};
        QTest::newRow("a fix without time is one of its own")
            << QStringList{"GP@-/2", "GP@-/3", "GP@120000/4"} << QStringList{"--/2", "--/3", "12:00:00/4"};
        // A second talker whose clock was never set counts its own
        // midnights; the dates of the others stay.
        QTest::newRow("a talker with an unset clock")
            << QStringList{"RGP2021-03-14@235958",
                           "GP@235958",
                           "GL@000010",
                           "GP@235959",
                           "GL@000011",
                           "GP@000000",
                           "GL@000012",
                           "RGP2021-03-15@000001",
                           "GP@000001",
                           "GL@000013"}
            << QStringList{"2021-03-14 23:59:58/5", "2021-03-15 00:00:10/5", "2021-03-14 23:59:59/5",
                           "2021-03-15 00:00:11/5", "2021-03-15 00:00:00/5", "2021-03-15 00:00:12/5",
                           "2021-03-15 00:00:01/5", "2021-03-15 00:00:13/5"};
    }
    void reader()
    {
        QFETCH(QStringList, events);
        QFETCH(QStringList, fixes);
        TTrackReader reader;
        QStringList got;
        TTrackFix fix;
        for (const QString& e : events) {
            QByteArray line;
            const QString time = e.section('@', 1).section('/', 0, 0);
            const QByteArray t = time == "-" ? QByteArray() : time.toLatin1();
            if (e == "E") {
                line = "$GPZDA,,,,,00,00";
            } else if (e[0] == 'Z' || e[0] == 'R' || e[0] == 'V') {
                const QByteArray talker = e.mid(1, 2).toLatin1();
                const QString d = e.mid(3).section('@', 0, 0);
                const QByteArray yyyy = d.left(4).toLatin1(), mm = d.mid(5, 2).toLatin1(), dd = d.mid(8, 2).toLatin1();
                if (e[0] == 'Z')
                    line = "$" + talker + "ZDA," + t + ".00," + dd + "," + mm + "," + yyyy + ",00,00";
                else
                    line = "$" + talker + "RMC," + t + "," + (e[0] == 'R' ? "A" : "V") + ",5130.1,N,00723.4,E,0.1,0.0,"
                           + dd + mm + yyyy.right(2) + ",,,A";
            } else {
                const QByteArray sats = e.contains('/') ? e.section('/', 1).toLatin1() : QByteArray("5");
                line = "$" + e.left(2).toLatin1() + "GGA," + t + ",5130.1,N,00723.4,E,1," + sats + ",1.0,100,M,47,M,,";
            }
            line = WithChecksum(line);
            TFields fields;
            SplitFields(std::string_view(line.constData(), size_t(line.size())), kFieldSeparator, kMaxFields, fields);
            reader.Read(std::string_view(line.constData(), size_t(line.size())), fields);
            while (reader.Next(fix))
                got << FixTimeText(fix) + '/' + QString::number(fix.satellites);
        }
        reader.Finish();
        while (reader.Next(fix))
            got << FixTimeText(fix) + '/' + QString::number(fix.satellites);
        QCOMPARE(got, fixes);
        QCOMPARE(reader.Counts().fixes, qsizetype(fixes.size()));
    }
};

QTEST_GUILESS_MAIN(TstFixDate)
#include "tst_fixdate.moc"
