// Dates of NMEA sentences and the date each position of a recording gets.
#include "gps/FixDate.h"

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

    void clock_data()
    {
        // Events in file order: "Z<date>@<time>" a ZDA, "R<date>@<time>" an
        // RMC, "@<time>" a position; the dates the positions get ("-" none).
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("dates");
        QTest::newRow("no date sentence") << QStringList{"@101530", "@101531"} << QStringList{"-", "-"};
        QTest::newRow("across midnight") << QStringList{"Z2021-03-14@235958", "@235959", "@000001", "@000002"}
                                         << QStringList{"2021-03-14", "2021-03-15", "2021-03-15"};
        QTest::newRow("across the year") << QStringList{"Z2021-12-31@235959", "@000000"} << QStringList{"2022-01-01"};
        QTest::newRow("a small step back keeps the day")
            << QStringList{"Z2021-03-14@100000", "@100010", "@090000", "@100020"}
            << QStringList{"2021-03-14", "2021-03-14", "2021-03-14"};
        QTest::newRow("half a day back is no midnight")
            << QStringList{"Z2021-03-14@230000", "@110000"} << QStringList{"2021-03-14"};
        QTest::newRow("two midnights") << QStringList{"Z2021-03-14@120000", "@235900", "@000100", "@235900", "@000100"}
                                       << QStringList{"2021-03-14", "2021-03-15", "2021-03-15", "2021-03-16"};
        QTest::newRow("midnight seen by a position without time of its own")
            << QStringList{"Z2021-03-14@235959", "@", "@000001"} << QStringList{"2021-03-14", "2021-03-15"};
        QTest::newRow("RMC dates") << QStringList{"@235958", "R2021-03-14@235958", "@235959", "@000001"}
                                   << QStringList{"-", "2021-03-14", "2021-03-15"};
        QTest::newRow("ZDA wins over RMC")
            << QStringList{"R2021-03-14@100000", "@100000", "Z2021-03-16@100001", "R2021-03-17@100002", "@100002"}
            << QStringList{"2021-03-14", "2021-03-16"};
        QTest::newRow("an invalid ZDA ends the date")
            << QStringList{"Z2021-03-14@100000", "@100000", "Z0000-03-14@100001", "@100001", "@000000"}
            << QStringList{"2021-03-14", "-", "-"};
    }
    void clock()
    {
        QFETCH(QStringList, events);
        QFETCH(QStringList, dates);
        TFixDateClock clock;
        QStringList got;
        for (const QString& e : events) {
            const QString time = e.section(QLatin1Char('@'), 1);
            const int ms = TimeOfDayMs(time.toStdString());
            const QString date = e.section(QLatin1Char('@'), 0, 0).mid(1);
            const TCivilDate d{date.section('-', 0, 0).toInt(), date.section('-', 1, 1).toInt(),
                               date.section('-', 2, 2).toInt()};
            if (e.startsWith('Z'))
                clock.Zda(d.Valid() ? d : TCivilDate{}, ms);
            else if (e.startsWith('R'))
                clock.Rmc(d, ms);
            else {
                const TCivilDate at = clock.At(ms);
                got << (at.Valid() ? Text(at) : QStringLiteral("-"));
            }
        }
        QCOMPARE(got, dates);
    }
};

QTEST_GUILESS_MAIN(TstFixDate)
#include "tst_fixdate.moc"
