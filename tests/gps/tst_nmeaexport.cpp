// The four output formats byte for byte, robustness against bad input,
// GPX against gpsbabel, and the command-line converter.
#include "NmeaTestFiles.h"
#include "gps/NmeaConvert.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(TExportFormat)

namespace {

// The sentences of the position test input: one line each.
QList<QByteArray> TrackLines()
{
    QByteArray all = ReadAll(ReferencePath(QStringLiteral("track.txt")));
    all.replace("\r\n", "\n");
    QList<QByteArray> lines = all.split('\n');
    lines.removeLast();
    return lines;
}

}  // namespace

class TstNmeaExport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Converts bytes as a file and returns the output, or a marker on failure.
    QByteArray convert(const QByteArray& input, TExportFormat format, const QString& name = "in.txt")
    {
        const QString in = path(name);
        const QString out = OutputFileName(in, FormatInfo(format).extension);
        if (!WriteAll(in, input))
            return "<cannot write input>";
        const TConvertResult r = ConvertNmeaFile(in, out, format);
        if (r.status != TConvertResult::Ok)
            return "<failed " + r.fileName.toUtf8() + ">";
        return ReadAll(out);
    }

    static void formatRows(const char* prefix)
    {
        for (TExportFormat f : AllFormats())
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(prefix, FormatInfo(f).name))) << f;
    }

private slots:
    void reference_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<TExportFormat>("format");
        // Every input in the folder, with every output of it that is there:
        // a new case is an input and its expected outputs dropped in.
        const QStringList inputs =
            QDir(ReferencePath(QString())).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
        int rows = 0;
        for (const QString& name : inputs) {
            const QString input = name.chopped(4);
            for (TExportFormat f : AllFormats())
                if (QFile::exists(ReferencePath(input + "." + FormatInfo(f).extension))) {
                    QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(input, FormatInfo(f).name))) << input << f;
                    ++rows;
                }
        }
        // The inputs every format has an answer for.
        QVERIFY(inputs.contains(QStringLiteral("track.txt")) && inputs.contains(QStringLiteral("empty.txt")));
        QVERIFY(rows >= 2 * AllFormats().size());
    }
    // Every format of every reference input, byte for byte.
    void reference()
    {
        QFETCH(QString, input);
        QFETCH(TExportFormat, format);
        const QByteArray expected = ReadAll(ReferencePath(input + "." + FormatInfo(format).extension));
        QCOMPARE(convert(ReadAll(ReferencePath(input + ".txt")), format), expected);
    }

    void lineEnds_data()
    {
        QTest::addColumn<TExportFormat>("format");
        formatRows("line ends");
    }
    // LF, lone CR, mixed ends and a missing last end read as the CR LF file does.
    void lineEnds()
    {
        QFETCH(TExportFormat, format);
        const QByteArray expected = ReadAll(ReferencePath(QStringLiteral("track.") + FormatInfo(format).extension));
        const QList<QByteArray> lines = TrackLines();
        QByteArray mixed;
        for (qsizetype i = 0; i < lines.size(); ++i)
            mixed += lines[i] + (i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r" : "\r\n");
        const QList<QByteArray> variants{lines.join('\n') + '\n', lines.join('\r') + '\r', mixed, lines.join("\r\n")};
        for (const QByteArray& input : variants)
            QCOMPARE(convert(input, format), expected);
    }

    void longLines_data()
    {
        QTest::addColumn<TExportFormat>("format");
        formatRows("long lines");
    }
    // A sentence with 100 kB of extra fields (across the read buffer) and one
    // beyond a MiB give the records of the plain sentence; the lines after
    // them are read as usual.
    void longLines()
    {
        QFETCH(TExportFormat, format);
        const QByteArray zda = "$GPZDA,101530.00,14,03,2021,00,00*67";
        const QByteArray gga1 = "$GPGGA,101530.00,5130.1234,N,00723.4567,E,1,07,1.2,112,M,47.3,M,,,,,,,,";
        const QByteArray gga2 = "$GPGGA,101531.00,4807.038,S,01131.000,W,2,08,0.9,545,M,46.9,M,,,,,,,,";
        QByteArray tail100k;
        while (tail100k.size() < 100 * 1024)
            tail100k += ",x";
        const QByteArray tail2M = QByteArray(2 * 1024 * 1024, 'y');
        const QByteArray plain = zda + "\r\n" + gga1 + "\r\n" + gga2 + "\r\n" + gga1 + "\r\n";
        const QByteArray longer = zda + "\r\n" + gga1 + tail100k + "\r\n" + gga2 + tail2M + "\r\n" + gga1 + "\r\n";
        const QByteArray expected = convert(plain, format, "plain.txt");
        QVERIFY(expected.count('\n') >= 3);
        QCOMPARE(convert(longer, format, "long.txt"), expected);
    }

    void floods_data()
    {
        QTest::addColumn<TExportFormat>("format");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("like");
        const QByteArray gga = "$GPGGA,101530.00,5130.1234,N,00723.4567,E,1,07,1.2,112,M,47.3,M,,,,,,,,";
        for (TExportFormat f : AllFormats()) {
            const QString name = FormatInfo(f).name;
            QTest::addRow("%s 10 MB of NUL", qPrintable(name))
                << f << QByteArray(10 * 1024 * 1024, '\0') << QByteArray();
            QTest::addRow("%s 1 MB of CR", qPrintable(name)) << f << QByteArray(1024 * 1024, '\r') << QByteArray();
            QTest::addRow("%s 10 MB last line without end", qPrintable(name))
                << f << gga + QByteArray(10 * 1024 * 1024, 'y') << gga + "\r\n";
        }
    }
    // Floods convert like the input they boil down to: NUL bytes make one
    // line that is no sentence, line ends make empty lines, and a line is
    // cut where the reader's limit is.
    void floods()
    {
        QFETCH(TExportFormat, format);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, like);
        const QByteArray expected = convert(like, format, "like.txt");
        QVERIFY(expected.startsWith(convert(QByteArray(), format, "empty.txt").left(10)));
        QCOMPARE(convert(input, format, "flood.txt"), expected);
    }

    void badInput_data()
    {
        QTest::addColumn<TExportFormat>("format");
        formatRows("bad input");
    }
    // Sentences with fields replaced by junk, binary garbage and NUL bytes:
    // the output still follows each format's rules.
    void badInput()
    {
        QFETCH(TExportFormat, format);
        const QList<QByteArray> junk{"",
                                     "-",
                                     "1e999",
                                     "nan",
                                     "inf",
                                     "0x10",
                                     QByteArray("1\0002", 3),
                                     "S",
                                     "W",
                                     "99999999999999999999",
                                     "-0",
                                     "000000",
                                     "\xff\xfe",
                                     "$GPGGA",
                                     "_20"};
        const QList<QByteArray> lines = TrackLines();
        auto* random = QRandomGenerator::global();
        QByteArray input;
        int ggaLines = 0, gpLines = 0;
        for (int i = 0; i < 3000; ++i) {
            QByteArray line;
            if (i % 50 == 49) {
                line.resize(random->bounded(1, 400));
                for (char& c : line) {
                    c = char(random->bounded(256));
                    if (c == '\n' || c == '\r' || c == ',' || c == ';')
                        c = '\0';
                }
            } else {
                QList<QByteArray> fields = lines[random->bounded(lines.size())].split(',');
                for (int k = 0; k < 3; ++k)
                    fields[random->bounded(fields.size())] = junk[random->bounded(junk.size())];
                if (i % 97 == 0)
                    for (int k = 0; k < 300; ++k)
                        fields << "7";
                line = fields.join(',');
                // GPX skips sentences whose checksum is wrong, as junk makes
                // them; without one they are read.
                if (format == TExportFormat::Gpx && line.size() > 3 && line[line.size() - 3] == '*')
                    line.chop(3);
            }
            ggaLines += line.split(',').first() == "$GPGGA";
            gpLines += line.contains("$GP");
            input += line + "\r\n";
        }
        const QByteArray output = convert(input, format);
        QVERIFY(!output.startsWith("<failed") && !output.startsWith("<cannot"));
        QVERIFY(output.endsWith("\r\n"));
        QList<QByteArray> out = output.split('\n');
        out.removeLast();
        for (QByteArray& l : out) {
            QVERIFY(l.endsWith('\r'));
            l.chop(1);
        }

        switch (format) {
        case TExportFormat::MapPoint: {
            const QRegularExpression record(
                QStringLiteral("^[^;]*-[^;]*:[^;]*:[^;]*;-?\\d+,\\d{7};-?\\d+,\\d{7};-?\\d+;-?\\d+$"));
            for (qsizetype i = 1; i < out.size(); ++i) {
                const QString l = QString::fromLatin1(out[i]);
                QVERIFY2(record.match(l).hasMatch(), qPrintable(l));
                const QString lon = l.section(QLatin1Char(';'), 2, 2);
                QVERIFY2(lon != "0,0000000" && lon != "-0,0000000", qPrintable(l));
            }
            QVERIFY(out.size() > 100);
            break;
        }
        case TExportFormat::Kartex: {
            for (qsizetype i = 1; i < out.size(); ++i) {
                // The date comes from "_20" + 8 characters of any line and
                // may hold commas itself: 13 columns or more.
                const QList<QByteArray> c = out[i].split(',');
                QVERIFY2(c.size() >= 13, out[i].constData());
                QCOMPARE(c[0], QByteArray::number(i).rightJustified(5, '0'));
                QCOMPARE(c[1], QByteArray("$GPGGA"));
                QVERIFY(c[2].toLongLong() != 0);
                for (int k : {3, 4}) {
                    QVERIFY2(QRegularExpression(QStringLiteral("^-?\\d+\\.\\d{4}$"))
                                 .match(QString::fromLatin1(c[k]))
                                 .hasMatch(),
                             c[k].constData());
                    QVERIFY(c[k].toDouble() != 0.0);
                }
            }
            QVERIFY(out.size() > 100);
            break;
        }
        case TExportFormat::MagicMaps: {
            QCOMPARE(out[1], "Pathsize: " + QByteArray::number(gpLines));
            QCOMPARE(out[2], "selectedPoint: " + QByteArray::number(gpLines - 1));
            QCOMPARE(out.size() - 3, ggaLines);
            for (qsizetype i = 3; i < out.size(); ++i)
                QVERIFY2(QRegularExpression(QStringLiteral("^ *-?\\d+\\.\\d\\d \t  *-?\\d+\\.\\d\\d$"))
                             .match(QString::fromLatin1(out[i]))
                             .hasMatch(),
                         out[i].constData());
            break;
        }
        case TExportFormat::Gpx: {
            QXmlStreamReader xml(output);
            int points = 0;
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("trkpt"))
                    continue;
                ++points;
                const double lat = xml.attributes().value("lat").toDouble();
                const double lon = xml.attributes().value("lon").toDouble();
                QVERIFY(lat >= -90 && lat <= 90);
                QVERIFY(lon >= -180 && lon < 180);
            }
            QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
            QVERIFY(points > 100 && points <= ggaLines);
            break;
        }
        }
    }

    // Converting a file into itself is refused; the file stays as it was.
    void sameFileRefused()
    {
        const QString in = path(QStringLiteral("tour.CSV"));
        const QByteArray content = ReadAll(ReferencePath(QStringLiteral("track.txt")));
        QVERIFY(WriteAll(in, content));
        const TConvertResult r =
            ConvertNmeaFile(in, OutputFileName(in, QStringLiteral("CSV")), TExportFormat::MapPoint);
        QCOMPARE(r.status, TConvertResult::SameFile);
        QCOMPARE(ReadAll(in), content);
        // Through a link as well.
        QVERIFY(QFile::link(in, path(QStringLiteral("link.txt"))));
        QCOMPARE(ConvertNmeaFile(path(QStringLiteral("link.txt")), in, TExportFormat::Kartex).status,
                 TConvertResult::SameFile);
        QCOMPARE(ReadAll(in), content);
    }

    // A write that fails half way (file size limit) removes the output.
    void writeErrorRemovesOutput()
    {
        QByteArray input;
        for (int i = 0; i < 20000; ++i)
            input += "$GPGGA,101530.00,5130.1234,N,00723.4567,E,1,07,1.2,112,M,47.3,M,,*77\r\n";
        const QString in = path(QStringLiteral("big.txt"));
        QVERIFY(WriteAll(in, input));
        const QString out = path(QStringLiteral("big.KTX"));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = 200 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const TConvertResult r = ConvertNmeaFile(in, out, TExportFormat::Kartex);
        setrlimit(RLIMIT_FSIZE, &previous);
        QCOMPARE(r.status, TConvertResult::OutputFailed);
        QCOMPARE(r.fileName, out);
        QCOMPARE(r.error, EFBIG);
        QVERIFY(!QFile::exists(out));
        QCOMPARE(ReadAll(in), input);
    }

    // gpsbabel reads the same points from our GPX as from the NMEA input.
    void gpxAgreesWithGpsbabel()
    {
        const QString babel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
        if (babel.isEmpty())
            QSKIP("gpsbabel is not installed (bash setup.sh installs it)");
        QByteArray input;
        auto* random = QRandomGenerator::global();
        int day = 30;
        for (int i = 0; i < 400; ++i) {
            const int second = (23 * 3600 + 59 * 60 + 40 + i) % 86400;
            if (i % 60 == 0 || second == 0) {
                if (second == 0)
                    day = 31;
                input += WithChecksum(
                             QStringLiteral("$GPZDA,%1.00,%2,12,2021,00,00")
                                 .arg(QString::asprintf("%02d%02d%02d", second / 3600, second / 60 % 60, second % 60))
                                 .arg(day)
                                 .toLatin1())
                         + "\r\n";
            }
            const bool fix = i % 17 != 5;
            const QString time = QString::asprintf("%02d%02d%02d.%02d", second / 3600, second / 60 % 60, second % 60,
                                                   i % 3 == 0 ? 50 : 0);
            const QString lat =
                QString::asprintf("%02d%07.4f", random->bounded(0, 89), random->generateDouble() * 59.9999);
            const QString lon =
                QString::asprintf("%03d%07.4f", random->bounded(0, 179), random->generateDouble() * 59.9999);
            const QString sentence = fix ? QStringLiteral("$GPGGA,%1,%2,%3,%4,%5,%6,%7,%8,%9,M,47.0,M,,")
                                               .arg(time, lat, i % 2 ? "S" : "N", lon, i % 4 < 2 ? "W" : "E")
                                               .arg(1 + i % 2)
                                               .arg(4 + i % 8, 2, 10, QLatin1Char('0'))
                                               .arg(QString::number(0.5 + (i % 20) / 10.0, 'f', 1))
                                               .arg(QString::number(-50 + i * 0.7, 'f', 1))
                                         : QStringLiteral("$GPGGA,%1,,,,,0,00,99.9,,M,,M,,").arg(time);
            input += WithChecksum(sentence.toLatin1()) + "\r\n";
        }
        const QString in = path(QStringLiteral("babel.txt"));
        QVERIFY(WriteAll(in, input));
        QCOMPARE(ConvertNmeaFile(in, path(QStringLiteral("babel.gpx")), TExportFormat::Gpx).status, TConvertResult::Ok);

        auto read = [&](const char* type, const QString& file) {
            QProcess p;
            p.start(babel, {"-t", "-i", type, "-f", file, "-o", "unicsv", "-F", "-"});
            if (!p.waitForFinished(120000))
                return QList<QStringList>();
            const QList<QByteArray> rows = p.readAllStandardOutput().trimmed().split('\n');
            const QStringList header = QString::fromLatin1(rows.first().trimmed()).split(',');
            QList<QStringList> points;
            for (qsizetype i = 1; i < rows.size(); ++i) {
                const QStringList values = QString::fromLatin1(rows[i].trimmed()).split(',');
                QStringList picked;
                for (const char* column : {"Latitude", "Longitude", "Altitude", "HDOP", "Satellites", "Date", "Time"})
                    picked << values.value(header.indexOf(QLatin1String(column)), QStringLiteral("<none>"));
                points << picked;
            }
            return points;
        };
        const QList<QStringList> fromNmea = read("nmea", in);
        const QList<QStringList> fromGpx = read("gpx", path(QStringLiteral("babel.gpx")));
        QVERIFY(fromNmea.size() > 300);
        QCOMPARE(fromGpx, fromNmea);
    }

    void tool_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");    // file expected to be written ("" none)
        QTest::addColumn<QString>("expected");  // reference file it must equal
        const QString in = path(QStringLiteral("tool/track.txt"));
        QTest::newRow("default name") << QStringList{"--format", "kartex", in} << 0
                                      << path(QStringLiteral("tool/track.KTX")) << "track.KTX";
        QTest::newRow("named output") << QStringList{"--format=magicmaps", in, path("tool/x.pth")} << 0
                                      << path(QStringLiteral("tool/x.pth")) << "track.PTH";
        QTest::newRow("standard output") << QStringList{"--format", "gpx", in, "-"} << 0 << "-"
                                         << "track.gpx";
        QTest::newRow("names after --") << QStringList{"--format", "mappoint", "--", in} << 0
                                        << path(QStringLiteral("tool/track.CSV")) << "track.CSV";
        QTest::newRow("help") << QStringList{"--help"} << 0 << ""
                              << "";
        QTest::newRow("no arguments") << QStringList{} << 2 << ""
                                      << "";
        QTest::newRow("no format") << QStringList{in} << 2 << ""
                                   << "";
        QTest::newRow("unknown format") << QStringList{"--format", "csv", in} << 2 << ""
                                        << "";
        QTest::newRow("format without value") << QStringList{"--format"} << 2 << ""
                                              << "";
        QTest::newRow("unknown option") << QStringList{"--fast", "--format", "gpx", in} << 2 << ""
                                        << "";
        QTest::newRow("too many names") << QStringList{"--format", "gpx", in, "a", "b"} << 2 << ""
                                        << "";
        QTest::newRow("no input") << QStringList{"--format", "gpx"} << 2 << ""
                                  << "";
        QTest::newRow("missing input") << QStringList{"--format", "gpx", path("tool/none.txt")} << 1 << ""
                                       << "";
        QTest::newRow("input is a directory") << QStringList{"--format", "gpx", path("tool")} << 1 << ""
                                              << "";
        QTest::newRow("output into itself") << QStringList{"--format", "gpx", in, in} << 1 << ""
                                            << "";
        QTest::newRow("output directory missing")
            << QStringList{"--format", "mappoint", in, path("tool/no/x.CSV")} << 1 << ""
            << "";
        QTest::newRow("disk full") << QStringList{"--format", "mappoint", in, "/dev/full"} << 1 << ""
                                   << "";
    }
    // Exit statuses, messages and outputs of the command-line converter.
    void tool()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, expected);
        const QByteArray input = ReadAll(ReferencePath(QStringLiteral("track.txt")));
        QVERIFY(QDir().mkpath(path(QStringLiteral("tool"))));
        QVERIFY(WriteAll(path(QStringLiteral("tool/track.txt")), input));
        const TToolRun r = RunTool(arguments);
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode != 0) {
            // One line on standard error, nothing on standard output.
            QCOMPARE(r.err.count('\n'), 1);
            QVERIFY(r.err.startsWith("velmor-convert: "));
            QVERIFY(r.out.isEmpty());
        } else {
            QVERIFY(r.err.isEmpty());
        }
        if (arguments.value(0) == "--help")
            QVERIFY(r.out.startsWith("Usage: velmor-convert --format mappoint|kartex|magicmaps|gpx INPUT [OUTPUT]"));
        if (!expected.isEmpty())
            QCOMPARE(output == "-" ? r.out : ReadAll(output), ReadAll(ReferencePath(expected)));
        QCOMPARE(ReadAll(path(QStringLiteral("tool/track.txt"))), input);
    }
};

QTEST_GUILESS_MAIN(TstNmeaExport)
#include "tst_nmeaexport.moc"
