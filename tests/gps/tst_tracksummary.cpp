// The track reader and summary over small made-up recordings with known
// answers, over the reference inputs, and against gpsbabel; the command
// line's --summary.
#include "NmeaTestFiles.h"
#include "app/Language.h"
#include "gps/TrackSummary.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// One degree of a great circle on the summary's sphere.
constexpr double kDegreeM = kEarthRadiusM * 3.14159265358979323846 / 180.0;

// NMEA ddmm.mmmmmm and hemisphere of a latitude or longitude in degrees.
QString Coordinate(double degrees, bool latitude)
{
    const double a = std::fabs(degrees);
    const int d = int(a);
    const QString value = QString::asprintf(latitude ? "%02d%09.6f" : "%03d%09.6f", d, (a - d) * 60.0);
    return value + QLatin1Char(',') + QLatin1Char(latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E'));
}

// A GGA sentence with its checksum.
QByteArray Gga(const char* time, double lat, double lon, double altitude = 100, int satellites = 8,
               const char* talker = "GP")
{
    const QString s =
        QStringLiteral("$%1GGA,%2,%3,%4,1,%5,0.9,%6,M,47.0,M,,")
            .arg(QLatin1String(talker), QLatin1String(time), Coordinate(lat, true), Coordinate(lon, false))
            .arg(satellites, 2, 10, QLatin1Char('0'))
            .arg(altitude);
    return WithChecksum(s.toLatin1());
}

QByteArray Zda(const char* time, const char* ddmmyyyy)
{
    const QByteArray d(ddmmyyyy);
    return WithChecksum("$GPZDA," + QByteArray(time) + "," + d.mid(0, 2) + "," + d.mid(2, 2) + "," + d.mid(4, 4)
                        + ",00,00");
}

QByteArray Lines(const QList<QByteArray>& lines)
{
    QByteArray all;
    for (const QByteArray& l : lines)
        all += l + "\r\n";
    return all;
}

}  // namespace

class TstTrackSummary : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString file = m_dir.filePath(name);
        return WriteAll(file, bytes) ? file : QString();
    }

private slots:
    void haversine_data()
    {
        QTest::addColumn<double>("lat1");
        QTest::addColumn<double>("lon1");
        QTest::addColumn<double>("lat2");
        QTest::addColumn<double>("lon2");
        QTest::addColumn<double>("metres");
        QTest::newRow("one degree along a meridian") << 47.0 << 8.0 << 48.0 << 8.0 << kDegreeM;
        QTest::newRow("one degree along the equator") << 0.0 << -0.5 << 0.0 << 0.5 << kDegreeM;
        QTest::newRow("across the date line") << 0.0 << 179.5 << 0.0 << -179.5 << kDegreeM;
        QTest::newRow("over the pole") << 89.9 << 0.0 << 89.9 << 180.0 << 0.2 * kDegreeM;
        QTest::newRow("antipodes") << 0.0 << 0.0 << 0.0 << 180.0 << 180 * kDegreeM;
        QTest::newRow("same place") << 51.5 << 7.4 << 51.5 << 7.4 << 0.0;
        // 60 degrees north a degree of the parallel is half as long (55597.54
        // m); the great circle is a little shorter: 2 R asin(cos 60 sin 0.5).
        QTest::newRow("along the 60th parallel") << 60.0 << 0.0 << 60.0 << 1.0 << 55597.011;
    }
    void haversine()
    {
        QFETCH(double, lat1);
        QFETCH(double, lon1);
        QFETCH(double, lat2);
        QFETCH(double, lon2);
        QFETCH(double, metres);
        QVERIFY2(std::fabs(HaversineM(lat1, lon1, lat2, lon2) - metres) < 0.01,
                 qPrintable(QString::number(HaversineM(lat1, lon1, lat2, lon2), 'f', 3)));
        QVERIFY(std::fabs(HaversineM(lat2, lon2, lat1, lon1) - metres) < 0.01);
    }

    void recordings_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("fixes");
        QTest::addColumn<double>("metres");         // distance, -1 not checked
        QTest::addColumn<QStringList>("contains");  // lines the summary must hold

        QList<QByteArray> meridian{Zda("120000.00", "01062021")};
        for (int i = 0; i <= 10; ++i)
            meridian << Gga(qPrintable(QString::asprintf("1200%02d", i * 5)), 47.0 + i * 0.1, 8.0);
        QTest::newRow("along a meridian, a degree in 50 s")
            << Lines(meridian) << 11 << kDegreeM
            << QStringList{"Positionen: 11",
                           "Strecke: 111.195 km",
                           "Zeit: 2021-06-01 12:00:00 bis 2021-06-01 12:00:50 UTC (0:00:50)",
                           "Zeit in Bewegung: 0:00:50",
                           "Geschwindigkeit: max 8006.0 km/h (ungefiltert 8006.0 km/h), Mittel 8006.0 km/h",
                           "Lücken über 60 s: 0"};

        QList<QByteArray> equator;
        for (int i = 0; i <= 4; ++i)
            equator << Gga(qPrintable(QString::asprintf("0000%02d", i)), 0.0, -0.5 + i * 0.25, 0, 5, "GN");
        QTest::newRow("along the equator, combined receiver")
            << Lines(equator) << 5 << kDegreeM
            << QStringList{"Tage: keine aufgezeichnet", "Zeit: 00:00:00 bis 00:00:04 UTC (0:00:04)"};

        QList<QByteArray> dateLine;
        int second = 0;
        for (double lon : {179.5, 179.9, -179.9, -179.5})
            dateLine << Gga(qPrintable(QString::asprintf("1200%02d", second++)), 0.0, lon, 0, 6, "GL");
        QTest::newRow("across the date line") << Lines(dateLine) << 4 << kDegreeM << QStringList{"Strecke: 111.195 km"};

        QTest::newRow("over the north pole")
            << Lines({Gga("120000", 89.9, 0.0), Gga("120010", 90.0, 0.0), Gga("120020", 89.9, 180.0)}) << 3
            << 0.2 * kDegreeM
            << QStringList{"Strecke: 22.239 km",
                           "Geschwindigkeit: max 4003.0 km/h (ungefiltert 4003.0 km/h), Mittel 4003.0 km/h"};

        QTest::newRow("across midnight and the year")
            << Lines({Zda("235940.00", "31122021"), Gga("235950", 50.0, 8.0), Gga("000000", 50.0, 8.001),
                      Gga("000010", 50.0, 8.002)})
            << 3 << -1.0
            << QStringList{"Zeit: 2021-12-31 23:59:50 bis 2022-01-01 00:00:10 UTC (0:00:20)",
                           "Tage: 2021-12-31, 2022-01-01", "Lücken über 60 s: 0"};

        QTest::newRow("across midnight without a date")
            << Lines({Gga("235950", 50.0, 8.0), Gga("000010", 50.0, 8.0)}) << 2 << 0.0
            << QStringList{"Zeit: 23:59:50 bis 00:00:10 +1 d UTC (0:00:20)", "Tage: keine aufgezeichnet"};

        QTest::newRow("times going backwards")
            << Lines({Gga("100000", 50.0, 8.0), Gga("100010", 50.0, 8.001), Gga("100005", 50.0, 8.002),
                      Gga("100020", 50.0, 8.003)})
            << 4 << 3 * HaversineM(50.0, 8.0, 50.0, 8.001) << QStringList{"Zeit rückwärts: 1"};

        QList<QByteArray> steps{Zda("095959.00", "14032021")};
        for (int i = 0; i < 10; ++i)
            steps << Gga(qPrintable(QString::asprintf("1000%02d", i)), 50.0, 8.0);
        QTest::newRow("gaps over a minute, one of exactly a minute")
            << Lines(steps
                     + QList<QByteArray>{Gga("100039", 50.0, 8.0), Gga("100209", 50.0, 8.0), Gga("100309", 50.0, 8.0),
                                         Gga("110309", 50.0, 8.0)})
            << 14 << 0.0
            << QStringList{"Lücken über 60 s: 2", "  2021-03-14 10:00:39 bis 2021-03-14 10:02:09 (0:01:30)",
                           "  2021-03-14 10:03:09 bis 2021-03-14 11:03:09 (1:00:00)", "Zeit in Bewegung: 0:00:00"};

        QTest::newRow("all fixes at one spot")
            << Lines({Gga("100000", 50.0, 8.0, 90), Gga("100001", 50.0, 8.0, 95), Gga("100002", 50.0, 8.0, 85)}) << 3
            << 0.0
            << QStringList{"Strecke: 0.000 km", "Zeit in Bewegung: 0:00:00",
                           "Geschwindigkeit: max 0.0 km/h (ungefiltert 0.0 km/h), Mittel --", "Höhe: 85 m bis 95 m"};

        QTest::newRow("one fix") << Lines({Gga("100000", 50.0, 8.0)}) << 1 << 0.0
                                 << QStringList{"Positionen: 1",
                                                "Geschwindigkeit: keine zwei Positionen mit Zeit zum Messen",
                                                "Satelliten: 8 bis 8", "HDOP: 0.9 bis 0.9"};

        QTest::newRow("empty") << QByteArray() << 0 << 0.0
                               << QStringList{"Positionen: 0", "Sätze gelesen: 0 von 0 Zeilen",
                                              "Leere Datei: keine Position aufgezeichnet"};

        QTest::newRow("no fix") << Lines({WithChecksum("$GPGGA,100000,,,,,0,00,99.9,,M,,M,,"),
                                          WithChecksum("$GPGGA,100001,5000.0000,N,00800.0000,E,0,00,99.9,,M,,M,,"),
                                          WithChecksum("$GPRMC,100001,V,,,,,,,140321,,,N")})
                                << 0 << 0.0
                                << QStringList{"Zeilen übersprungen: 2 (Prüfsumme 0, ohne Fix 2, unlesbar 0)",
                                               "Keine Position aufgezeichnet"};

        QTest::newRow("unknown fix quality counts")
            << Lines({WithChecksum("$GNGGA,100000,5000.0000,N,00800.0000,E,,05,1.0,10,M,,M,,"),
                      WithChecksum("$GNGGA,100001,,,,,,00,,,M,,M,,")})
            << 1 << 0.0 << QStringList{"Zeilen übersprungen: 1 (Prüfsumme 0, ohne Fix 1, unlesbar 0)"};

        QTest::newRow("checksums and junk")
            << Lines({"$GPGGA,100000,5000.0000,N,00800.0000,E,1,05,1.0,10,M,,M,,*00", "hello",
                      WithChecksum("$GPGGA,100000,50x0.0000,N,00800.0000,E,1,05,1.0,10,M,,M,,"),
                      WithChecksum("$GPGGA,100000,9100.0000,N,00800.0000,E,1,05,1.0,10,M,,M,,"),
                      WithChecksum("$GPGSV,1,1,00"), ""})
            << 0 << 0.0
            << QStringList{"Sätze gelesen: 3 von 6 Zeilen",
                           "Zeilen übersprungen: 4 (Prüfsumme 1, ohne Fix 0, unlesbar 3)"};

        QByteArray binary(64 * 1024, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char((i * 7919) % 251);
        QTest::newRow("binary file") << binary << 0 << 0.0 << QStringList{"Keine Position aufgezeichnet"};

        QTest::newRow("a line of 1 MiB between fixes")
            << Lines({Gga("100000", 50.0, 8.0), QByteArray(1024 * 1024, 'x'), Gga("100010", 50.0, 8.001)}) << 2
            << HaversineM(50.0, 8.0, 50.0, 8.001)
            << QStringList{"Zeilen übersprungen: 1 (Prüfsumme 0, ohne Fix 0, unlesbar 1)"};
    }
    // The rows of the logger's rhythm, epochs and talkers.
    void rhythm_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("fixes");
        QTest::addColumn<QStringList>("contains");

        // Loggers set to one fix a minute (a second more now and then) and
        // to ten minutes: their steps are no gaps, their speeds are measured.
        for (const int step : {60, 61, 120, 600}) {
            QList<QByteArray> lines{Zda("080000.00", "05072022")};
            for (int i = 0; i < 30; ++i) {
                const int t = 8 * 3600 + i * step + (step == 60 && i % 3 == 0 ? i / 3 : 0);
                lines << Gga(qPrintable(QString::asprintf("%02d%02d%02d", t / 3600 % 24, t / 60 % 60, t % 60)),
                             48.0 + i * 0.001, 11.0);
            }
            QTest::newRow(qPrintable(QStringLiteral("a logger every %1 s").arg(step)))
                << Lines(lines) << 30 << QStringList{QStringLiteral("Üblicher Abstand: %1 s").arg(step)};
        }

        // The first fix of each epoch comes before the epoch's RMC: dated all
        // the same, and the gap over that border is seen.
        QList<QByteArray> epochs;
        for (int t : {100000, 100001, 100002, 100232, 100233}) {
            const QByteArray time = QByteArray::number(t);
            epochs << Gga(time.constData(), 50.0 + t % 1000 * 1e-5, 8.0)
                   << WithChecksum("$GPRMC," + time + ",A,5000.0000,N,00800.0000,E,0.0,0.0,140321,,,A");
        }
        QTest::newRow("fixes before their epoch's RMC")
            << Lines(epochs) << 5
            << QStringList{"Zeit: 2021-03-14 10:00:00 bis 2021-03-14 10:02:33 UTC (0:02:33)", "Lücken über 60 s: 1",
                           "  2021-03-14 10:00:02 bis 2021-03-14 10:02:32 (0:02:30)"};

        // GPS and GLONASS give a GGA each second: one fix a second, with the
        // satellites of the first.
        QList<QByteArray> twoSystems{Zda("120000.00", "01062021")};
        for (int i = 0; i < 10; ++i) {
            const QByteArray time = QByteArray::number(120000 + i);
            twoSystems << Gga(time.constData(), 47.0 + i * 1e-4, 8.0, 100, 11, "GP")
                       << Gga(time.constData(), 47.0 + i * 1e-4, 8.00001, 100, 2, "GL");
        }
        QTest::newRow("two satellite systems, one epoch")
            << Lines(twoSystems) << 10
            << QStringList{"Satelliten: 11 bis 11",
                           "GGA weiterer Satellitensysteme zur Position ihrer Epoche "
                           "zusammengefasst: 10",
                           "Zeit in Bewegung: 0:00:09"};

        // A walk at 3.3 m/s (12 km/h); the receiver, still converging, puts
        // one fix 93 m off.
        QList<QByteArray> walk{Zda("120000.00", "01062021")};
        for (int i = 0; i < 60; ++i) {
            const double north = i * 3.333 + (i == 30 ? 93.0 : 0.0);
            walk << Gga(qPrintable(QString::asprintf("1200%02d", i)), 47.0 + north / kDegreeM, 8.0);
        }
        QTest::newRow("a jump while walking")
            << Lines(walk) << 60
            << QStringList{"Geschwindigkeit: max 12.0 km/h (ungefiltert 346.8 km/h), Mittel 22.9 km/h"};

        // Thirty stops of two minutes each: twenty listed, the rest counted.
        QList<QByteArray> stops{Zda("060000.00", "01062021")};
        int t = 6 * 3600;
        for (int i = 0; i < 300; ++i) {
            t += i % 10 == 9 ? 120 : 1;
            stops << Gga(qPrintable(QString::asprintf("%02d%02d%02d", t / 3600, t / 60 % 60, t % 60)), 47.0, 8.0);
        }
        QTest::newRow("many gaps") << Lines(stops) << 300
                                   << QStringList{"Lücken über 60 s: 30", "  und 10 weitere",
                                                  "  2021-06-01 06:00:09 bis 2021-06-01 06:02:09 (0:02:00)"};

        // Sentences after binary bytes, with a doubled "$", of the inertial
        // talker; lines ended with CR CR LF.
        QByteArray mixed = QByteArray("\xb5\x62\x01\x07$\x5c\x00", 7) + Gga("100000", 50.0, 8.0) + "\r\r\n";
        mixed += "$" + Gga("100001", 50.0, 8.0001, 100, 8, "GN") + "\r\r\n";
        mixed += Gga("100002", 50.0, 8.0002, 100, 8, "IN") + "\r\r\n";
        mixed += WithChecksum("$PGRMZ,100,f,3") + "\r\r\n";
        QTest::newRow("sentences wherever they stand")
            << mixed << 3 << QStringList{"Sätze gelesen: 4 von 4 Zeilen", "Positionen: 3"};
    }
    void rhythm()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, fixes);
        QFETCH(QStringList, contains);
        const QString file = write(QStringLiteral("rhythm.txt"), input);
        TTrack track;
        QCOMPARE(LoadTrack(file, track), 0);
        const TTrackStats& s = track.summary.stats;
        QCOMPARE(s.fixes, fixes);
        const QStringList lines = SummaryLines(track.summary);
        for (const QString& expected : contains)
            QVERIFY2(lines.contains(expected), qPrintable(expected + "\n---\n" + lines.join('\n')));
        // A gap is more than a few usual steps and more than a minute; the
        // steps of a logger's own rhythm never are.
        QVERIFY(s.gapMs >= std::max<int64_t>(TTrackStats::kMinGapMs, s.usualStepMs * TTrackStats::kGapSteps));
        QVERIFY(s.gapMs
                <= std::max<int64_t>(TTrackStats::kMinGapMs, s.usualStepMs * TTrackStats::kGapSteps * 17 / 16 + 1000));
        QVERIFY(s.maxSpeedIndex >= 0);
        // Every fix of these recordings is dated where the file has a date.
        QCOMPARE(s.untimedFixes, 0);
        for (const TTrackPoint& p : track.points)
            QCOMPARE(p.dated, !s.dates.empty());
        // The summary and the profile see the same gaps.
        qsizetype marked = 0;
        for (const TTrackPoint& p : track.points)
            marked += p.gapBefore;
        QCOMPARE(marked, qsizetype(track.summary.stats.gapCount));
        // The JSON carries the same figures.
        const QJsonObject json = QJsonDocument::fromJson(SummaryJson(track.summary)).object();
        QCOMPARE(json.value("gap_count").toInt(), int(track.summary.stats.gapCount));
        QCOMPARE(json.value("fixes_without_time").toInt(), 0);
        QCOMPARE(json.value("merged_gga").toInt(), int(track.summary.counts.merged));
    }

    // Counts, distance and the summary's lines of each recording.
    void recordings()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, fixes);
        QFETCH(double, metres);
        QFETCH(QStringList, contains);
        const QString file = write(QStringLiteral("rec.txt"), input);
        TTrack track;
        QCOMPARE(LoadTrack(file, track), 0);
        QCOMPARE(track.summary.stats.fixes, fixes);
        QCOMPARE(qsizetype(track.points.size()), qsizetype(fixes));
        if (metres >= 0)
            QVERIFY2(std::fabs(track.summary.stats.distanceM - metres) < 0.01,
                     qPrintable(QString::number(track.summary.stats.distanceM, 'f', 3)));
        const QStringList lines = SummaryLines(track.summary);
        for (const QString& expected : contains)
            QVERIFY2(lines.contains(expected), qPrintable(expected + "\n---\n" + lines.join('\n')));
        // No text shows a number that is none.
        for (const QString& l : lines)
            QVERIFY2(!l.contains(QLatin1String("nan")) && !l.contains(QLatin1String("inf")), qPrintable(l));
        // The command line prints the same lines, in English.
        const TToolRun r = RunTool({"--summary", file});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(UseLanguage(TLanguage::English));
        const QStringList english = SummaryLines(track.summary);
        UseLanguage(TLanguage::German);
        QCOMPARE(QString::fromUtf8(r.out), english.join('\n') + '\n');
        const QJsonObject json = QJsonDocument::fromJson(RunTool({"--summary", "--json", file}).out).object();
        QCOMPARE(json.value("fixes").toInt(), fixes);
        QVERIFY(std::fabs(json.value("distance_m").toDouble() - track.summary.stats.distanceM) < 1e-6);
    }

    void references_data()
    {
        QTest::addColumn<QString>("input");
        for (const QString& name :
             QDir(ReferencePath(QString())).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(name)) << name.chopped(4);
    }
    // The summary counts exactly the points the GPX export writes, with the
    // same times: one reader for both.
    void references()
    {
        QFETCH(QString, input);
        TTrack track;
        QCOMPARE(LoadTrack(ReferencePath(input + ".txt"), track), 0);
        const QString gpx = QString::fromLatin1(ReadAll(ReferencePath(input + ".gpx")));
        QCOMPARE(qsizetype(track.summary.stats.fixes), gpx.count(QLatin1String("<trkpt ")));
        const QRegularExpression time(QStringLiteral("<time>(\\d{4}-\\d\\d-\\d\\d)T(\\d\\d:\\d\\d:\\d\\d)"));
        QStringList gpxTimes, ourTimes;
        for (auto m = time.globalMatch(gpx); m.hasNext();) {
            const auto match = m.next();
            gpxTimes << match.captured(1) + ' ' + match.captured(2);
        }
        for (const TTrackPoint& p : track.points)
            if (p.dated)
                ourTimes << FixTimeText(p.AsFix());
        QCOMPARE(ourTimes, gpxTimes);
    }

    // gpsbabel's own track length of a recorded-like track agrees with ours
    // (it measures on a slightly different sphere and rounds to metres).
    void lengthAgreesWithGpsbabel()
    {
        const QString babel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
        if (babel.isEmpty())
            QSKIP("gpsbabel is not installed (bash setup.sh installs it)");
        QList<QByteArray> lines{Zda("080000.00", "05072022")};
        double lat = 48.1, lon = 11.5;
        for (int i = 0; i < 600; ++i) {
            lat += 0.0001 * std::sin(i / 40.0);
            lon += 0.00015 * std::cos(i / 55.0);
            lines << Gga(qPrintable(QString::asprintf("08%02d%02d", i / 60, i % 60)), lat, lon, 500 + i % 7, 9,
                         i % 2 ? "GP" : "GN");
        }
        const QString file = write(QStringLiteral("babel.txt"), Lines(lines));
        TTrack track;
        QCOMPARE(LoadTrack(file, track), 0);
        QProcess p;
        p.start(babel, {"-t", "-i", "nmea", "-f", file, "-o", "garmin_txt,dist=m,prec=6", "-F", "-"});
        QVERIFY(p.waitForFinished(60000));
        const QString out = QString::fromLatin1(p.readAllStandardOutput());
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("\\nTrack\\t[^\\n]*\\t([0-9.]+) (k?m)\\t")).match(out);
        QVERIFY2(m.hasMatch(), qPrintable(out.left(400)));
        const double babelM = m.captured(1).toDouble() * (m.captured(2) == "km" ? 1000 : 1);
        QVERIFY(track.summary.stats.distanceM > 1000);
        QVERIFY2(std::fabs(babelM - track.summary.stats.distanceM) <= 0.002 * babelM + 1000 * (m.captured(2) == "km"),
                 qPrintable(QStringLiteral("gpsbabel %1 m, ours %2 m").arg(babelM).arg(track.summary.stats.distanceM)));
    }

    void tool_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        const QString in = ReferencePath(QStringLiteral("talkers.txt"));
        QTest::newRow("summary") << QStringList{"--summary", in} << 0;
        QTest::newRow("json") << QStringList{"--json", "--summary", in} << 0;
        QTest::newRow("json without summary") << QStringList{"--json", in} << 2;
        QTest::newRow("summary with format") << QStringList{"--summary", "--format", "gpx", in} << 2;
        QTest::newRow("summary without input") << QStringList{"--summary"} << 2;
        QTest::newRow("summary with two names") << QStringList{"--summary", in, in} << 2;
        QTest::newRow("missing input") << QStringList{"--summary", m_dir.filePath("none.txt")} << 1;
        QTest::newRow("input is a directory") << QStringList{"--summary", "--json", m_dir.path()} << 1;
    }
    // Exit statuses of the summary: those of the converter.
    void tool()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        const TToolRun r = RunTool(arguments);
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode == 0) {
            QVERIFY(r.err.isEmpty());
            if (arguments.contains("--json"))
                QCOMPARE(QJsonDocument::fromJson(r.out).object().value("fixes").toInt(), 9);
            else
                QVERIFY(r.out.startsWith("Fixes: 9\n"));
        } else {
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY(r.out.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TstTrackSummary)
#include "tst_tracksummary.moc"
