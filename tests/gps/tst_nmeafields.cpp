// Field splitting, number reading and number writing of the NMEA converter.
#include "gps/NmeaConvert.h"
#include "gps/NmeaFields.h"

#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

class TstNmeaFields : public QObject {
    Q_OBJECT

    QTemporaryDir m_localeDir;
    bool m_german = false;

    // Switches the C library and Qt to German number formatting ("," as the
    // decimal separator); built with localedef when the system has none.
    bool useGermanLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        if (std::setlocale(LC_ALL, "de_DE.UTF-8"))
            return true;
        if (QProcess::execute(QStringLiteral("localedef"),
                              {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                               QStringLiteral("UTF-8"), m_localeDir.filePath(QStringLiteral("de_DE.UTF-8"))})
            > 1)
            return false;
        qputenv("LOCPATH", QFile::encodeName(m_localeDir.path()));
        return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }

    static void useCLocale()
    {
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(QLocale::c());
    }

    // printf in the C locale: the reference for the number formats.
    static std::string printfC(const char* format, double value)
    {
        char* previous = std::setlocale(LC_NUMERIC, nullptr);
        const std::string saved = previous ? previous : "C";
        std::setlocale(LC_NUMERIC, "C");
        char buffer[512];
        std::snprintf(buffer, sizeof buffer, format, value);
        std::setlocale(LC_NUMERIC, saved.c_str());
        return buffer;
    }

private slots:
    void initTestCase() { m_german = useGermanLocale(); }
    void cleanupTestCase() { useCLocale(); }

    void splitFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxFields");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("empty") << "" << 20 << QStringList();
        QTest::newRow("no separator") << "Fahrer Max" << 20 << QStringList{"Fahrer Max"};
        QTest::newRow("adjacent separators") << "a,b,,d" << 20 << QStringList{"a", "b", "", "d"};
        QTest::newRow("trailing separator") << "a," << 20 << QStringList{"a", ""};
        QTest::newRow("checksum stays") << "$GPZDA,1,2*67" << 20 << QStringList{"$GPZDA", "1", "2*67"};
        QTest::newRow("nothing trimmed") << " a , b" << 20 << QStringList{" a ", " b"};
        QStringList twentyFive;
        for (int i = 1; i <= 25; ++i)
            twentyFive << QString::number(i);
        QStringList expected = twentyFive.mid(0, 19);
        expected << twentyFive.mid(19).join(QLatin1Char(','));
        QTest::newRow("25 values: 20 to 25 joined in field 19") << twentyFive.join(QLatin1Char(',')) << 20 << expected;
        QTest::newRow("exactly 20 fields")
            << twentyFive.mid(0, 20).join(QLatin1Char(',')) << 20 << twentyFive.mid(0, 20);
        QTest::newRow("21 fields, last one empty")
            << twentyFive.mid(0, 20).join(QLatin1Char(',')) + "," << 20 << (twentyFive.mid(0, 19) << "20,");
        QTest::newRow("max 3") << "a,b,c,d,,e" << 3 << QStringList{"a", "b", "c,d,,e"};
        QTest::newRow("max 1") << "a,b" << 1 << QStringList{"a,b"};
        QTest::newRow("hundreds of separators")
            << QString(300, QLatin1Char(',')) << 20 << (QStringList(19, QString()) << QString(281, QLatin1Char(',')));
    }
    void splitFields()
    {
        QFETCH(QString, text);
        QFETCH(int, maxFields);
        QFETCH(QStringList, fields);
        const std::string bytes = text.toStdString();
        TFields f;
        // Slots left from an earlier line must not survive.
        SplitFields("x,x,x,x,x,x,x,x,x,x,x,x,x,x,x,x,x,x,x,x,x,x", ',', 30, f);
        SplitFields(bytes, ',', maxFields, f);
        for (int i = 0; i < kFieldSlots; ++i)
            QCOMPARE(QString::fromStdString(std::string(f[i])), fields.value(i));
    }

    void readNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("fraction") << "4807.038" << 4807.038;
        QTest::newRow("negative") << "-4807.038" << -4807.038;
        QTest::newRow("plus") << "+1.5" << 1.5;
        QTest::newRow("exponent") << "1.5e3" << 1500.0;
        QTest::newRow("leading zeros") << "00723.4567" << 723.4567;
        QTest::newRow("no digits before dot") << ".5" << 0.5;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("minus alone") << "-" << 0.0;
        QTest::newRow("two signs") << "--5" << 0.0;
        QTest::newRow("plus minus") << "+-5" << 0.0;
        QTest::newRow("comma decimal") << "1,5" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("trailing letter") << "12.5M" << 0.0;
        QTest::newRow("blank") << " 12" << 0.0;
        QTest::newRow("hex") << "0x10" << 0.0;
        QTest::newRow("nan") << "nan" << 0.0;
        QTest::newRow("inf") << "inf" << 0.0;
        QTest::newRow("beyond double") << "1e999" << 0.0;
        QTest::newRow("NUL inside") << QString::fromLatin1("12\0"
                                                           "3",
                                                           4)
                                    << 0.0;
    }
    void readNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        const std::string bytes = text.toStdString();
        QVERIFY2(m_german, "the German locale could not be set up");
        // printf under this locale writes "," - the locale is really in force.
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        QCOMPARE(QByteArray(probe), QByteArray("1,5"));
        QCOMPARE(ReadNumber(bytes), value);
        double read = -1;
        QCOMPARE(TryReadNumber(bytes, read), value != 0.0);
    }

    void readInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("isInteger");
        QTest::newRow("leading zero") << "08" << 8 << true;
        QTest::newRow("zero") << "000000" << 0 << true;
        QTest::newRow("negative") << "-12" << -12 << true;
        QTest::newRow("fraction") << "545.4" << 0 << false;
        QTest::newRow("empty") << "" << 0 << false;
        QTest::newRow("hex") << "0x10" << 0 << false;
        QTest::newRow("beyond 32 bits") << "99999999999" << 0 << false;
        QTest::newRow("largest") << "2147483647" << 2147483647 << true;
        QTest::newRow("sign only") << "-" << 0 << false;
    }
    void readInteger()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(bool, isInteger);
        const std::string bytes = text.toStdString();
        QCOMPARE(ReadInteger(bytes), value);
        int read = -1;
        QCOMPARE(TryReadInteger(bytes, read), isInteger);
    }

    void signedCoordinate_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("hemisphere");
        QTest::addColumn<double>("degrees");
        QTest::newRow("north") << "4807.038"
                               << "N" << 48.1173;
        QTest::newRow("south") << "4807.038"
                               << "S" << -48.1173;
        QTest::newRow("lower-case s stays north") << "4807.038"
                                                  << "s" << 48.1173;
        QTest::newRow("empty hemisphere") << "4807.038"
                                          << "" << 48.1173;
        QTest::newRow("south, empty value") << ""
                                            << "S" << 0.0;
        QTest::newRow("south of a signed value") << "-4807.038"
                                                 << "S" << 0.0;
        QTest::newRow("below one degree") << "0030.0"
                                          << "S" << -0.5;
    }
    void signedCoordinate()
    {
        QFETCH(QString, value);
        QFETCH(QString, hemisphere);
        QFETCH(double, degrees);
        const double got = NmeaToDegrees(ReadSignedCoordinate(value.toStdString(), hemisphere.toStdString(), "S"));
        QVERIFY2(std::abs(got - degrees) < 1e-9, qPrintable(QString::number(got, 'g', 17)));
        // The longitude takes its own mark.
        QCOMPARE(ReadSignedCoordinate(value.toStdString(), hemisphere.toStdString(), "W"),
                 ReadNumber(value.toStdString()));
    }

    // The three number formats against the C library's printf, over values
    // that round at the last digit, negative zeros and large numbers.
    void fixedMatchesPrintf()
    {
        struct Format {
            const char* printf;
            int width, precision;
            char separator;
        };
        const Format formats[] = {{"%7.7f", 7, 7, ','}, {"%4.4f", 4, 4, '.'}, {"%10.2f", 10, 2, '.'}};
        QList<double> values{0.0,      -0.0,      0.005, 0.015,  0.125,     -0.125,   2.5e-8, 51.50205666666667,
                             -48.1173, 72345.675, 1e15,  -1e300, 5130123.4, 1.0 / 3.0};
        auto* random = QRandomGenerator::global();
        for (int i = 0; i < 2000; ++i)
            values << (random->generateDouble() - 0.5) * std::pow(10.0, random->bounded(-3, 9));
        for (const Format& format : formats)
            for (double v : values) {
                std::string expected = printfC(format.printf, v);
                for (char& c : expected)
                    if (c == '.')
                        c = format.separator;
                std::string got;
                AppendFixed(got, v, format.width, format.precision, format.separator);
                QVERIFY2(got == expected, (std::string(format.printf) + ": " + got + " vs " + expected).c_str());
            }
    }

    void outputName_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("hasExtension");
        QTest::newRow("plain") << "/gps/tour.lst"
                               << "/gps/tour.CSV" << true;
        QTest::newRow("dot in a directory") << "/data.old/tour.txt"
                                            << "/data.old/tour.CSV" << true;
        QTest::newRow("dot in a directory, none in the name") << "/data.old/tour"
                                                              << "/data.old/tour.CSV" << false;
        QTest::newRow("two dots") << "/gps/tour.2021.txt"
                                  << "/gps/tour.2021.CSV" << true;
        QTest::newRow("trailing dot") << "tour."
                                      << "tour.CSV" << true;
        QTest::newRow("relative, no extension") << "tour"
                                                << "tour.CSV" << false;
    }
    void outputName()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(bool, hasExtension);
        QCOMPARE(OutputFileName(input, QStringLiteral("CSV")), output);
        QCOMPARE(HasExtension(input), hasExtension);
    }

    // The fast paths of the number texts give what the C library and
    // to_chars give, also next to the halves where rounding turns, and the
    // fast reading of plain decimals what from_chars reads.
    void numberTextsAgainstTheLibrary()
    {
        QRandomGenerator random(20261210);
        char reference[512];
        for (int i = 0; i < 200000; ++i) {
            double v;
            switch (i % 4) {
            case 0:
                v = (random.generateDouble() - 0.5) * 360.0;
                break;
            case 1:
                v = std::round(random.generateDouble() * 2e6) / 1e4 + 0.00005;
                break;  // near a half
            case 2:
                v = std::round((random.generateDouble() - 0.3) * 1e5) / 10.0;
                break;  // altitudes
            default:
                v = std::ldexp(random.generateDouble(), int(random.bounded(60u)) - 30);
                break;
            }
            for (int precision : {2, 4, 7}) {
                const auto fixed =
                    std::to_chars(reference, reference + sizeof reference, v, std::chars_format::fixed, precision).ptr;
                std::string ours;
                AppendFixed(ours, v, 0, precision, '.');
                QCOMPARE(QByteArray::fromStdString(ours), QByteArray(reference, fixed - reference));
            }
            const auto end = std::to_chars(reference, reference + sizeof reference, v, std::chars_format::fixed).ptr;
            std::string shortest;
            AppendShortest(shortest, v);
            QCOMPARE(QByteArray::fromStdString(shortest), QByteArray(reference, end - reference));
            const auto text = std::to_chars(reference, reference + sizeof reference, v, std::chars_format::fixed,
                                            int(random.bounded(9u)))
                                  .ptr;
            double parsed = 0, expected = 0;
            std::from_chars(reference, text, expected);
            QVERIFY(TryReadNumber(std::string_view(reference, size_t(text - reference)), parsed));
            QCOMPARE(std::memcmp(&parsed, &expected, sizeof parsed), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TstNmeaFields)
#include "tst_nmeafields.moc"
