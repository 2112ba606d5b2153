// The converter run of the GPS panels in the real main window: dialog,
// remembered file, log lines, failure paths; and the command-line tool
// writing the same files.
#include "NmeaTestFiles.h"
#include "app/IniFile.h"
#include "gps/ConversionRun.h"
#include "support/Harness.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(TExportFormat)

namespace {

struct TRig {
    TScriptedDialogsScope scope;
    std::unique_ptr<TFormMain> form;
    QStringList before;

    TRig()
    {
        WriteTestSettings("[Misc]\r\nCOM=0\r\n[DIR]\r\nGPS-Directory=/remembered\r\nGPS-File=/remembered/old.txt\r\n");
        form = std::make_unique<TFormMain>();
        form->Timer1.stop();
        form->Print(QStringLiteral("-- before the run --"));
        before = LogLines(*form);
    }
    ~TRig() { RemoveTestSettings(); }

    // Runs the converter with the dialog answering file ("" cancels).
    QStringList run(TExportFormat format, const QString& file)
    {
        scope.dialogs->files.enqueue(file);
        RunConversion(form.get(), format);
        return LogLines(*form).mid(before.size());
    }
};

const QStringList kFinished{"", "fertig!", "", ""};

QStringList StartLines(const QString& input, const QString& output)
{
    return {"", "", "Konvertierung gestartet ...", "", "Quelle: " + input, "Ziel:   " + output, "", "bitte warten ...",
            ""};
}

QStringList FailureLines(const QString& name) { return {"", "", "Fehler bei Dateizugriff (" + name + ")", ""}; }

}  // namespace

class TstConversionRun : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void convert_data()
    {
        QTest::addColumn<TExportFormat>("format");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        const QString txtLst = QStringLiteral("GPS-Datei(*.txt)|*.txt|List-Datei (*.lst)|*.lst");
        QTest::newRow("MapPoint") << TExportFormat::MapPoint << "Formatkonvertierung: NMEA ---> MS-MapPoint - Format"
                                  << txtLst;
        QTest::newRow("Kartex") << TExportFormat::Kartex << "Formatkonvertierung: NMEA ---> Kartex-Format"
                                << "GPS-Datei(*.txt;*.lst;*.gps)|*.txt;*.lst;*.gps|alle (*.*)|*.*";
        QTest::newRow("MagicMaps") << TExportFormat::MagicMaps
                                   << "Formatkonvertierung: NMEA ---> MagicMaps (z.B. NRW 3D)" << txtLst;
        QTest::newRow("GPX") << TExportFormat::Gpx << "Formatkonvertierung: NMEA ---> GPX" << txtLst;
    }
    // A whole run: the dialog, the remembered file, the log, the output; and
    // the command-line converter writes the very same file.
    void convert()
    {
        QFETCH(TExportFormat, format);
        QFETCH(QString, title);
        QFETCH(QString, filter);
        const QString ext = FormatInfo(format).extension;
        // A dot in the directory name must not move the output elsewhere.
        QVERIFY(QDir().mkpath(path("run.d/cli")));
        const QString in = path("run.d/tour");
        QVERIFY(WriteAll(in + ".txt", ReadAll(ReferencePath("track.txt"))));

        TRig rig;
        rig.form->PlainCapture = rig.form->StampCapture = rig.form->PlcCapture = true;
        const QStringList log = rig.run(format, in);
        QCOMPARE(log, StartLines(in + ".txt", in + "." + ext) + kFinished);
        QCOMPARE(rig.scope.dialogs->Texts(), QStringList{title});
        const TOpenFileRequest request = rig.scope.dialogs->shown.first().request;
        QVERIFY(request.mode == TOpenFileRequest::Mode::Open);  // the input must exist
        QCOMPARE(request.filter, filter);
        QCOMPARE(request.initialDir, QStringLiteral("/remembered"));
        QCOMPARE(request.fileName, QStringLiteral("/remembered/old.txt"));
        QVERIFY(!rig.form->PlainCapture && !rig.form->StampCapture && !rig.form->PlcCapture);
        QCOMPARE(rig.form->GpsFile, in + ".txt");
        const TIniFile ini(TestSettingsFile());
        QCOMPARE(ini.ReadString("DIR", "GPS-File", ""), in + ".txt");
        QCOMPARE(ini.ReadString("DIR", "GPS-Directory", ""), QStringLiteral("/remembered"));

        const QByteArray written = ReadAll(in + "." + ext);
        QCOMPARE(written, ReadAll(ReferencePath("track." + ext)));
        QProcess tool;
        tool.start(QStringLiteral(VELMOR_CONVERT),
                   {"--format", FormatInfo(format).name, in + ".txt", path("run.d/cli/tour." + ext)});
        QVERIFY(tool.waitForFinished(120000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(ReadAll(path("run.d/cli/tour." + ext)), written);
    }

    // Cancelling ends a capture that still held the data slot.
    void cancel()
    {
        TRig rig;
        rig.form->PlainCapture = true;
        QCOMPARE(rig.form->OpenDataFileForWriting(path("capture.lst")), 0);
        const QStringList log = rig.run(TExportFormat::Kartex, QString());
        QCOMPARE(log, QStringList({"", "", "Konvertierung abgebrochen ...", ""}) + kFinished);
        QVERIFY(!rig.form->DataFileOpen());
        QVERIFY(!rig.form->PlainCapture);
        QCOMPARE(rig.form->GpsFile, QStringLiteral("/remembered/old.txt"));
        QVERIFY(rig.scope.dialogs->Texts("warning").isEmpty());
    }

    void failure_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("failing");   // the file named in the message
        QTest::addColumn<bool>("started");      // the start lines were logged
        QTest::addColumn<qint64>("sizeLimit");  // file size limit while running, 0: none
        QDir().mkpath(path("fail/tour.CSV.dir"));
        WriteAll(path("fail/tour.CSV"), ReadAll(ReferencePath("track.txt")));
        WriteAll(path("fail/blocked.txt"), ReadAll(ReferencePath("track.txt")));
        QDir().mkpath(path("fail/blocked.CSV"));
        QByteArray big;
        for (int i = 0; i < 20000; ++i)
            big += "$GPGGA,101530.00,5130.1234,N,00723.4567,E,1,07,1.2,112,M,47.3,M,,*77\r\n";
        WriteAll(path("fail/big.txt"), big);
        QTest::newRow("missing input") << path("fail/none.txt") << path("fail/none.txt") << false << 0LL;
        QTest::newRow("input is a directory") << path("fail/tour.CSV.dir") << path("fail/tour.CSV.dir") << false << 0LL;
        QTest::newRow("output is a directory") << path("fail/blocked.txt") << path("fail/blocked.CSV") << false << 0LL;
        QTest::newRow("output is the input") << path("fail/tour.CSV") << path("fail/tour.CSV") << false << 0LL;
        QTest::newRow("write fails") << path("fail/big.txt") << path("fail/big.CSV") << true << 100 * 1024LL;
    }
    // Each failure: its log lines and one warning, no "fertig!", no output
    // left behind, the input untouched.
    void failure()
    {
        QFETCH(QString, input);
        QFETCH(QString, failing);
        QFETCH(bool, started);
        QFETCH(qint64, sizeLimit);
        const QByteArray content = QFileInfo(input).isFile() ? ReadAll(input) : QByteArray();
        const QString output = OutputFileName(input, "CSV");
        const bool outputExisted = QFileInfo::exists(output);

        TRig rig;
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        if (sizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limited = previous;
            limited.rlim_cur = rlim_t(sizeLimit);
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        }
        const QStringList log = rig.run(TExportFormat::MapPoint, input);
        setrlimit(RLIMIT_FSIZE, &previous);

        const QStringList expected = (started ? StartLines(input, output) : QStringList()) + FailureLines(failing);
        QCOMPARE(log, expected);
        QCOMPARE(rig.scope.dialogs->Texts("warning"), QStringList{"Fehler bei Dateizugriff (" + failing + ")"});
        if (!content.isEmpty())
            QCOMPARE(ReadAll(input), content);
        QCOMPARE(QFileInfo::exists(output), outputExisted);
    }
};

QTEST_MAIN(TstConversionRun)
#include "tst_conversionrun.moc"
