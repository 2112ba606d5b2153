// Every file the program writes, on a full disk and where no file may be
// created (even by root): the failure is shown with the program's own text,
// never as a success, the received lines still reach the log, and the program
// goes on working.
#include "gps/ConversionRun.h"
#include "gps/NmeaConvert.h"
#include "support/Harness.h"
#include "widgets/RadioGroup.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Where even root cannot create a file (sysfs refuses new files; in a
// container it is mounted read-only).
const QString kNoCreateDir = QStringLiteral("/sys");

// The error creating a file there gives, or 0 when it could be created.
int NoCreateError()
{
    const QByteArray probe = QFile::encodeName(kNoCreateDir + QStringLiteral("/velmor-probe"));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT, 0600);
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.constData());
        return 0;
    }
    return errno;
}

const QString kFileError = QStringLiteral("Fehler bei Dateizugriff");
QString FileError(const QString& name) { return kFileError + QStringLiteral(" (") + name + QLatin1Char(')'); }

enum class Target { DiskFull, NoCreate };

// A window on Com3 with a device answering lines from a table.
struct TRig {
    TScriptedDialogsScope scope;
    TDevicePeer peer;
    std::unique_ptr<TFormMain> form;
    QTemporaryDir dir;

    explicit TRig(const QList<QPair<QByteArray, QByteArray>>& answers)
    {
        WriteTestSettings("[Misc]\r\nCOM=0\r\n");
        peer.MapPort(TestSettingsFile(), 3);
        peer.SetLineHandler([answers](const QByteArray& line) {
            for (const auto& [request, reply] : answers)
                if (line == request)
                    return reply;
            return QByteArray();
        });
        form = std::make_unique<TFormMain>();
        form->Timer1.stop();
        form->RadioGroupCOM()->SetItemIndex(2);
        form->Timer1.stop();
        form->Memo1()->clear();
    }
    bool logged(const QString& text) const
    {
        const QStringList lines = LogLines(*form);
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.endsWith(text); });
    }
    // The name the file dialog answers: a link to the full disk in the
    // temporary directory, or a name in the directory that takes no files.
    QString target(Target t, const char* name) const
    {
        if (t == Target::NoCreate)
            return kNoCreateDir + QLatin1Char('/') + QLatin1String(name);
        const QString link = dir.filePath(QLatin1String(name));
        QFile::link(QStringLiteral("/dev/full"), link);
        return link;
    }
};

// One file the program writes: its device, how the writing starts with the
// file dialog answering name, and the device's lines that follow.
struct TSlot {
    const char* tag;
    QList<QPair<QByteArray, QByteArray>> answers;
    const char* fileName;
    std::function<void(TRig&)> start;
    QStringList lines;  // received while the file was meant to be written
};

std::vector<TSlot> Slots()
{
    return {
        {"list download",
         {{"{+}h", "#80.00.00\r"}, {"L", "$GPGGA,1\r$GPGGA,2\r"}},
         "list.lst",
         [](TRig& r) { r.form->findChild<QPushButton*>(QStringLiteral("BtnL_GPSDL"))->click(); },
         {"$GPGGA,1", "$GPGGA,2"}},
        {"PLC sequence save",
         {{"{+}h", "#03.00.00\r"}, {"{+}PLCget", "1=30,2,OFF\rOK\r"}},
         "seq.plc",
         [](TRig& r) { r.form->findChild<QPushButton*>(QStringLiteral("ButtonPLCsave"))->click(); },
         {"1=30,2,OFF", "OK"}},
        {"endurance protocol",
         {{"{+}h", "#01.00.01\r"}, {"{+}gsminfo", "GSM: registered\rCSQ: 17\r"}},
         "run.pro",
         [](TRig& r) {
             r.form->ClearPanels(QStringLiteral("VigiloGSM"));
             r.form->findChild<QPushButton*>(QStringLiteral("ButtonDauerlauf"))->click();
             if (r.form->Timer4.isActive())
                 r.form->Timer4.setInterval(1);
         },
         {"GSM: registered", "CSQ: 17"}},
    };
}

// Apart from the file dialog and the warnings: no message at all (no "saved").
bool NothingElseShown(const TScriptedDialogs& d)
{
    return std::all_of(d.shown.begin(), d.shown.end(),
                       [](const TScriptedDialogs::Shown& s) { return s.kind == "open" || s.kind == "warning"; });
}

QByteArray TrackInput() { return "$GPGGA,101528.00,5130.1230,N,00723.4560,E,1,07,1.2,111,M,47.3,M,,*7E\r\n"; }

// A fix a second for count seconds (one fix per time: the GPX export gives
// every one a point).
QByteArray TrackSeconds(int count)
{
    QByteArray all;
    for (int i = 0; i < count; ++i)
        all += QString::asprintf("$GPGGA,%02d%02d%02d.00,5130.1230,N,00723.4560,E,1,07,1.2,111,M,47.3,M,,\r\n",
                                 10 + i / 3600, i / 60 % 60, i % 60)
                   .toLatin1();
    return all;
}

}  // namespace

class TestFileFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (NoCreateError() == 0)
            QSKIP("files can be created in /sys here");
    }

    void captures_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("target");
        const std::vector<TSlot> table = Slots();
        for (int i = 0; i < int(table.size()); ++i) {
            QTest::addRow("%s, disk full", table[size_t(i)].tag) << i << int(Target::DiskFull);
            QTest::addRow("%s, no file may be created", table[size_t(i)].tag) << i << int(Target::NoCreate);
        }
    }

    // On a full disk the file opens and its first line fails: the named
    // message, once, and the capture ends. Where no file may be created the
    // open fails: the plain message, and the work does not start.
    void captures()
    {
        QFETCH(int, slot);
        QFETCH(int, target);
        const TSlot s = Slots()[size_t(slot)];
        TRig rig(s.answers);
        const QString name = rig.target(Target(target), s.fileName);
        rig.scope.dialogs->files.enqueue(name);
        s.start(rig);

        const bool full = Target(target) == Target::DiskFull;
        if (full) {
            for (const QString& line : s.lines)
                QVERIFY2(PumpUntil([&] { return rig.logged(line); }, 3000), qPrintable(line));
            QVERIFY(PumpUntil([&] { return !rig.scope.dialogs->shown.isEmpty(); }, 2000));
        }
        Pump(100);
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("warning")), QStringList{full ? FileError(name) : kFileError});
        QVERIFY(NothingElseShown(*rig.scope.dialogs));
        QVERIFY(!rig.form->PlainCapture && !rig.form->StampCapture && !rig.form->PlcCapture);
        QVERIFY(!rig.form->DataFileOpen());
        if (!full)
            QVERIFY(!QFile::exists(name));

        // The program goes on: a command goes out, its answer is logged.
        rig.peer.SetLineHandler([](const QByteArray& line) { return line == "{+}VER" ? "VER 7.7\r" : QByteArray(); });
        rig.form->Send(QStringLiteral("VER"));
        QVERIFY(PumpUntil([&] { return rig.logged(QStringLiteral("VER 7.7")); }, 3000));
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("warning")).size(), 1);
        QVERIFY(NothingElseShown(*rig.scope.dialogs));
    }

    void conversion_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("window");
        for (bool window : {true, false}) {
            const char* where = window ? "window" : "command line";
            QTest::addRow("%s, disk full", where) << int(Target::DiskFull) << window;
            QTest::addRow("%s, no file may be created", where) << int(Target::NoCreate) << window;
        }
    }

    // The converter's output on a full disk or where it may not be created:
    // the failure named, no "fertig!", no output left behind.
    void conversion()
    {
        QFETCH(int, target);
        QFETCH(bool, window);
        QTemporaryDir dir;
        QString input = dir.filePath(QStringLiteral("track.txt"));
        QString output = dir.filePath(QStringLiteral("track.gpx"));
        if (Target(target) == Target::DiskFull) {
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), output));
        } else if (window) {
            // The window writes beside its input: a dangling link takes the
            // output where no file may be created.
            QVERIFY(QFile::link(kNoCreateDir + QStringLiteral("/velmor-track.gpx"), output));
        } else {
            output = kNoCreateDir + QStringLiteral("/velmor-track.gpx");
        }
        QFile in(input);
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write(TrackInput().repeated(200));
        in.close();

        if (window) {
            TScriptedDialogsScope scope;
            WriteTestSettings("[Misc]\r\nCOM=0\r\n");
            TFormMain form;
            form.Timer1.stop();
            scope.dialogs->files.enqueue(input);
            RunConversion(&form, TExportFormat::Gpx);
            QCOMPARE(scope.dialogs->Texts(QStringLiteral("warning")), QStringList{FileError(output)});
            QVERIFY(NothingElseShown(*scope.dialogs));
            QVERIFY(LogLines(form).contains(FileError(output)));
            QVERIFY(!LogLines(form).contains(QStringLiteral("fertig!")));
        } else {
            QProcess tool;
            tool.start(QStringLiteral(VELMOR_CONVERT),
                       {QStringLiteral("--format"), QStringLiteral("gpx"), input, output});
            QVERIFY(tool.waitForFinished(30000));
            QCOMPARE(tool.exitCode(), 1);
            const int error = Target(target) == Target::DiskFull ? ENOSPC : NoCreateError();
            QCOMPARE(QString::fromLocal8Bit(tool.readAllStandardError()),
                     QStringLiteral("velmor-convert: %1: cannot write: %2\n")
                         .arg(output, QString::fromLocal8Bit(std::strerror(error))));
        }
        // Nothing that could pass for a converted file.
        QVERIFY(!QFileInfo(output).isFile());
    }

    // A regular file that stops growing part way (the file size limit plays
    // the full disk): the incomplete output is removed.
    void conversionStoppedPartWay_data()
    {
        QTest::addColumn<bool>("window");
        QTest::newRow("window") << true;
        QTest::newRow("command line") << false;
    }
    void conversionStoppedPartWay()
    {
        QFETCH(bool, window);
        QTemporaryDir dir;
        const QString input = dir.filePath(QStringLiteral("track.txt"));
        const QString output = dir.filePath(QStringLiteral("track.gpx"));
        QFile in(input);
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write(TrackSeconds(2000));
        in.close();
        constexpr rlim_t kLimit = 64 * 1024;

        if (window) {
            TScriptedDialogsScope scope;
            WriteTestSettings("[Misc]\r\nCOM=0\r\n");
            TFormMain form;
            form.Timer1.stop();
            scope.dialogs->files.enqueue(input);
            rlimit old{};
            ::getrlimit(RLIMIT_FSIZE, &old);
            const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = old;
            small.rlim_cur = kLimit;
            ::setrlimit(RLIMIT_FSIZE, &small);
            RunConversion(&form, TExportFormat::Gpx);
            ::setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldSignal);
            QCOMPARE(scope.dialogs->Texts(QStringLiteral("warning")), QStringList{FileError(output)});
            QVERIFY(NothingElseShown(*scope.dialogs));
            QVERIFY(!LogLines(form).contains(QStringLiteral("fertig!")));
        } else {
            QProcess tool;
            tool.setChildProcessModifier([] {
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit small{kLimit, kLimit};
                ::setrlimit(RLIMIT_FSIZE, &small);
            });
            tool.start(QStringLiteral(VELMOR_CONVERT),
                       {QStringLiteral("--format"), QStringLiteral("gpx"), input, output});
            QVERIFY(tool.waitForFinished(30000));
            QCOMPARE(tool.exitCode(), 1);
            QCOMPARE(QString::fromLocal8Bit(tool.readAllStandardError()),
                     QStringLiteral("velmor-convert: %1: cannot write: %2\n")
                         .arg(output, QString::fromLocal8Bit(std::strerror(EFBIG))));
        }
        QVERIFY(!QFile::exists(output));
    }
};

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
