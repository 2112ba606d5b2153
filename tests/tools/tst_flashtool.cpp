// The command-line flasher end to end: the built program, run as a process
// against a boot loader on a pseudo-terminal that checks every byte.
#include "firmware/RomImage.h"
#include "serial/ComPort.h"
#include "support/BootLoaderPeer.h"
#include "support/FlashToolRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TScript = TBootLoaderPeer::Script;

const QString kTool = QStringLiteral(VELMOR_FLASH_PATH);
const QString kOk = QStringLiteral("Firmware-Update OK");

QString Failed(const char* why) { return QStringLiteral("Firmware-Update fehlerhaft (%1)").arg(QLatin1String(why)); }

using flashtool::Padded;
using flashtool::RomText;
using flashtool::Words;

using flashtool::TRun;

// A boot loader on a pseudo-terminal, a scratch directory with a settings
// file of its own, and the tool run against them.
struct TRig {
    QTemporaryDir dir;
    TDevicePeer peer;
    std::optional<TBootLoaderPeer> loader;

    TRig() { writeFile("settings.ini", "[Misc]\r\nCOM=0\r\n"); }

    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QString settings() const { return path("settings.ini"); }

    QString writeFile(const char* name, const QByteArray& content) const
    {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return f.fileName();
    }

    void boot(int blockSize, TScript script = {}) { loader.emplace(peer, blockSize, std::move(script)); }

    TRun run(QStringList args) const
    {
        return flashtool::Run(kTool, QStringList{QStringLiteral("--settings"), settings()} + args);
    }
};

}  // namespace

Q_DECLARE_METATYPE(TBootLoaderScript)

class TestFlashTool : public QObject {
    Q_OBJECT

private slots:
    // Every outcome of the procedure: its text on standard output, the
    // notices before it, its exit status, what the device holds and the line
    // rates it saw. The failure rows run with short waits; the successful
    // ones keep the real limits, which they never reach.
    void outcomes_data()
    {
        QTest::addColumn<TScript>("script");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out");  // notices, then the outcome
        QTest::addColumn<int>("accepted");     // blocks the device keeps
        QTest::addColumn<int>("startBaud");
        QTest::addColumn<int>("transferBaud");

        const QStringList shortWaits{QStringLiteral("--start-wait-ms=400"), QStringLiteral("--ack-wait-ms=400")};
        TScript twice;
        twice.rejections = {{2, 2}};
        TScript thrice;
        thrice.rejections = {{4, 3}};
        TScript silentStart;
        silentStart.silentAtStart = true;
        TScript silentBlock;
        silentBlock.silentAtBlock = 3;
        TScript unknown;
        unknown.unknownAtBlock = 1;
        TScript noEnd;
        noEnd.completeAtEnd = false;
        TScript anyRate;
        anyRate.startAt115200Only = false;

        QTest::newRow("ok, default block 128")
            << TScript{} << QStringList{} << 128 << 0 << QStringList{kOk} << 11 << 9600 << 115200;
        QTest::newRow("ok, block 64") << TScript{} << QStringList{QStringLiteral("--block=64")} << 64 << 0
                                      << QStringList{kOk} << 22 << 9600 << 115200;
        QTest::newRow("ok after two rejections, block 256")
            << twice << QStringList{QStringLiteral("--block"), QStringLiteral("256")} << 256 << 0
            << QStringList{QStringLiteral("ab Byte 512 - 2. Versuch"), QStringLiteral("ab Byte 512 - 3. Versuch"), kOk}
            << 6 << 9600 << 115200;
        QTest::newRow("start rate 38400") << TScript{} << QStringList{QStringLiteral("--start-rate=38400")} << 128 << 0
                                          << QStringList{kOk} << 11 << 38400 << 115200;
        QTest::newRow("loader already at 115200") << TScript{} << QStringList{QStringLiteral("--start-rate=115200")}
                                                  << 128 << 0 << QStringList{kOk} << 11 << 115200 << 115200;
        QTest::newRow("modem link keeps its rate")
            << anyRate << QStringList{QStringLiteral("--csd"), QStringLiteral("--start-rate=19200")} << 128 << 0
            << QStringList{kOk} << 11 << 19200 << 19200;
        QTest::newRow("no start character")
            << silentStart << shortWaits << 128 << 3 << QStringList{Failed("Startzeichen fehlt ...")} << 0 << 9600 << 0;
        QTest::newRow("no start character over a modem link")
            << silentStart << shortWaits + QStringList{QStringLiteral("--csd")} << 128 << 3
            << QStringList{Failed("Startzeichen fehlt ...")} << 0 << 9600 << 0;
        QTest::newRow("no ACK") << silentBlock << shortWaits << 128 << 4 << QStringList{Failed("no ACK")} << 3 << 9600
                                << 115200;
        QTest::newRow("wrong ACK") << unknown << shortWaits << 128 << 5 << QStringList{Failed("wrong ACK")} << 2 << 9600
                                   << 115200;
        QTest::newRow("too many retries")
            << thrice << shortWaits << 128 << 6
            << QStringList{QStringLiteral("ab Byte 512 - 2. Versuch"), QStringLiteral("ab Byte 512 - 3. Versuch"),
                           Failed("zuviel Wiederholungen")}
            << 4 << 9600 << 115200;
        QTest::newRow("no completion") << noEnd << shortWaits << 128 << 7 << QStringList{Failed("???")} << 11 << 9600
                                       << 115200;
    }

    void outcomes()
    {
        QFETCH(TScript, script);
        QFETCH(QStringList, options);
        QFETCH(int, blockSize);
        QFETCH(int, exitCode);
        QFETCH(QStringList, out);
        QFETCH(int, accepted);
        QFETCH(int, startBaud);
        QFETCH(int, transferBaud);

        TRig rig;
        const QByteArray data = Words();
        const QString rom = rig.writeFile("fw.rom", RomText(data));
        rig.boot(blockSize, script);
        const TRun r = rig.run(options + QStringList{rig.peer.SlavePath(), rom});

        QCOMPARE(r.out, out);
        QCOMPARE(r.exit, exitCode);
        QCOMPARE(rig.loader->Flash(), Padded(data, blockSize).left(accepted * blockSize));
        QCOMPARE(rig.loader->ChecksumFaults(), 0);
        QCOMPARE(rig.loader->BytesAfterEnd(), 0);
        QVERIFY(rig.peer.Received().startsWith("{+}fwupdate\r"));
        QCOMPARE(rig.loader->StartBaud(), startBaud);
        if (transferBaud)
            QCOMPARE(rig.loader->TransferBauds(), QSet<int>{transferBaud});
        else
            QVERIFY(rig.loader->TransferBauds().isEmpty());
        // A failure ends within its short waits, not the real ones of 4 to 10 s.
        if (exitCode != 0)
            QVERIFY2(r.ms < 3500, qPrintable(QString::number(r.ms)));
    }

    // Files that must not reach the device: each has its own exit status
    // and its message, and nothing goes out on the line.
    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("content");  // null: no such file
        QTest::addColumn<bool>("directory");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");

        QByteArray tooMany;
        for (int i = 0; i <= RomMaxDataLines; ++i)
            tooMany += "0:1\n";
        QTest::newRow("missing") << QByteArray() << false << 10 << QStringLiteral("Fehler bei Dateizugriff (2)");
        QTest::newRow("directory") << QByteArray() << true << 10 << QStringLiteral("Fehler bei Dateizugriff (21)");
        QTest::newRow("too many data lines") << tooMany << false << 11 << QStringLiteral("höchstens 65536 Datenzeilen");
        QTest::newRow("no data line") << QByteArray("firmware\r\nno colon here\r\n") << false << 12
                                      << QStringLiteral("no data line");
        QTest::newRow("empty") << QByteArray("") << false << 12 << QStringLiteral("no data line");
        QTest::newRow("unreadable word") << QByteArray("0:1\r\n0:2\r\n:100002003\r\n0:4\r\n0:X\r\n") << false << 12
                                         << QStringLiteral("line 3 is no data line");
    }

    void badFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, directory);
        QFETCH(int, exitCode);
        QFETCH(QString, message);

        TRig rig;
        rig.boot(128);
        QString rom = rig.path("fw.rom");
        if (directory)
            QVERIFY(QDir().mkpath(rom));
        else if (!content.isNull())
            rig.writeFile("fw.rom", content);
        const TRun r = rig.run({rig.peer.SlavePath(), rom});

        QCOMPARE(r.exit, exitCode);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QTest::qWait(100);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    // Port names resolve as the program resolves them, through the settings
    // file's [Ports] section; a device that is missing or held by another
    // program ends the run before anything is sent.
    void devices()
    {
        TRig rig;
        const QByteArray data = Words(100);
        const QString rom = rig.writeFile("fw.rom", RomText(data));
        rig.peer.MapPort(rig.settings(), 7);
        rig.boot(128);

        const TRun named = rig.run({QStringLiteral("com7"), rom});
        QCOMPARE(named.exit, 0);
        QCOMPARE(named.out, QStringList{kOk});
        QCOMPARE(rig.loader->Flash(), Padded(data, 128));

        const TRun missing = rig.run({rig.path("ttyUSB99"), rom});
        QCOMPARE(missing.exit, 20);
        QVERIFY2(missing.err.contains(QLatin1String("no such device")), qPrintable(missing.err));

        rig.writeFile("settings.ini", "[Ports]\r\nCom9=" + rig.path("gone").toUtf8() + "\r\n");
        const TRun unmapped = rig.run({QStringLiteral("Com9"), rom});
        QCOMPARE(unmapped.exit, 20);
        QVERIFY2(unmapped.err.contains(rig.path("gone")), qPrintable(unmapped.err));

        rig.peer.ClearReceived();
        rig.boot(128);
        TComPort holder;
        holder.SetPort(rig.peer.SlavePath());
        holder.Open();
        const TRun busy = rig.run({rig.peer.SlavePath(), rom});
        holder.Close();
        QCOMPARE(busy.exit, 21);
        QVERIFY2(busy.err.contains(rig.peer.SlavePath()), qPrintable(busy.err));
        QTest::qWait(100);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    // A device held by another process, in each of the three ways a program
    // holds a serial device: it fails at once as busy (status 21), the
    // holder named where the system tells it, and nothing reaches it. The
    // superuser, as whom the tests run, is kept out too.
    void busy_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("says");
        QTest::addColumn<bool>("named");
        QTest::newRow("lock file") << "lock file"
                                   << "lock file" << true;
        QTest::newRow("TIOCEXCL") << "exclusive"
                                  << "exclusive open" << false;
        QTest::newRow("flock") << "flock"
                               << "flock lock" << true;
    }

    void busy()
    {
        QFETCH(QString, way);
        QFETCH(QString, says);
        QFETCH(bool, named);
        TRig rig;
        const QString rom = rig.writeFile("fw.rom", RomText(Words(100)));
        rig.boot(128);
        const QByteArray slave = QFile::encodeName(rig.peer.SlavePath());
        const bool exclusive = way == QLatin1String("exclusive"), flocked = way == QLatin1String("flock");
        // The second process: holds the device until it is ended (only
        // async-signal-safe calls after the fork).
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t holder = ::fork();
        QVERIFY(holder >= 0);
        if (holder == 0) {
            const int fd = ::open(slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (exclusive)
                ::ioctl(fd, TIOCEXCL);
            else if (flocked)
                ::flock(fd, LOCK_EX);
            const char c = 'r';
            (void)::write(ready[1], &c, 1);
            for (;;)
                ::pause();
        }
        char c = 0;
        QCOMPARE(::read(ready[0], &c, 1), ssize_t(1));
        ::close(ready[0]);
        ::close(ready[1]);
        QString lockFile;
        if (way == QLatin1String("lock file")) {
            lockFile = QStringLiteral("/run/lock/LCK..") + rig.peer.SlavePath().mid(5).replace(u'/', u'_');
            QFile f(lockFile);
            if (!f.open(QIODevice::WriteOnly))
                QSKIP("/run/lock cannot be written here");
            f.write(QByteArray::number(holder).rightJustified(10) + '\n');
        }
        const auto end = qScopeGuard([&] {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
            if (!lockFile.isEmpty())
                QFile::remove(lockFile);
        });
        rig.peer.ClearReceived();
        QElapsedTimer clock;
        clock.start();
        const TRun r = rig.run({rig.peer.SlavePath(), rom});
        QCOMPARE(r.exit, 21);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(r.err.contains(rig.peer.SlavePath() + QStringLiteral(": busy - in use by another program (")),
                 qPrintable(r.err));
        QVERIFY2(r.err.contains(says + QStringLiteral("); close it there first")), qPrintable(r.err));
        if (named)
            QVERIFY2(r.err.contains(QStringLiteral("process %1").arg(holder)), qPrintable(r.err));
        QVERIFY2(r.err.count(rig.peer.SlavePath()) == 1, qPrintable(r.err));
        QTest::qWait(100);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    // Device paths as given: relative ones below the working folder, a bare
    // name below /dev; the report holds the absolute path.
    void relativePaths()
    {
        TRig rig;
        const QByteArray data = Words(100);
        const QString rom = rig.writeFile("fw.rom", RomText(data));
        QVERIFY(QDir(rig.dir.path()).mkpath(QStringLiteral("st")));
        QVERIFY(QFile::link(rig.peer.SlavePath(), rig.path("st/p1")));
        QVERIFY(QFile::link(rig.peer.SlavePath(), rig.path("ttyUSB0")));
        const QString report = rig.path("units.jsonl");
        for (const auto& [given, absolute] : {std::pair{QStringLiteral("st/p1"), rig.path("st/p1")},
                                              {QStringLiteral("./ttyUSB0"), rig.path("ttyUSB0")}}) {
            rig.boot(128);
            QProcess tool;
            tool.setWorkingDirectory(rig.dir.path());
            tool.start(kTool, {QStringLiteral("--settings"), rig.settings(), QStringLiteral("--report"), report, given,
                               QStringLiteral("fw.rom")});
            QVERIFY(tool.waitForFinished(20000));
            QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
            QCOMPARE(rig.loader->Flash(), Padded(data, 128));
            QFile f(report);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QJsonObject last = QJsonDocument::fromJson(f.readAll().trimmed().split('\n').last()).object();
            QCOMPARE(last[QStringLiteral("device")].toString(), given);
            QCOMPARE(last[QStringLiteral("path")].toString(), absolute);
        }
        // A bare name is a device below /dev, not a file of the working folder.
        if (QFileInfo::exists(QStringLiteral("/dev/ttyUSB0")))
            QSKIP("this machine has a /dev/ttyUSB0");
        QProcess tool;
        tool.setWorkingDirectory(rig.dir.path());
        tool.start(kTool, {QStringLiteral("--settings"), rig.settings(), QStringLiteral("ttyUSB0"), rom});
        QVERIFY(tool.waitForFinished(20000));
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        QCOMPARE(tool.exitCode(), 20);
        QCOMPARE(err, QStringLiteral("velmor-flash: ttyUSB0: no such device (/dev/ttyUSB0)\n"));
    }

    // Installed beside the window (<prefix>/bin with the window's desktop
    // entry in <prefix>/share/applications), the tool reads the settings file
    // the window uses there: ~/.config/VelmorServiceSoftware/.
    void installedSettings()
    {
        TRig rig;
        const QByteArray data = Words(100);
        const QString rom = rig.writeFile("fw.rom", RomText(data));
        const QString prefix = rig.path("usr");
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/bin")));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/share/applications")));
        QVERIFY(QFile::copy(kTool, prefix + QStringLiteral("/bin/velmor-flash")));
        QFile(prefix + QStringLiteral("/bin/velmor-flash"))
            .setPermissions(QFileDevice::ExeOwner | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile entry(prefix + QStringLiteral("/share/applications/VelmorServiceSoftware.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.close();
        const QString home = rig.path("home");
        const QString config = home + QStringLiteral("/.config/VelmorServiceSoftware");
        QVERIFY(QDir().mkpath(config));
        rig.peer.MapPort(config + QStringLiteral("/VelmorServiceSoftware.ini"), 3);
        rig.boot(128);
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.remove(QStringLiteral("XDG_CONFIG_HOME"));
        tool.setProcessEnvironment(env);
        tool.start(prefix + QStringLiteral("/bin/velmor-flash"), {QStringLiteral("Com3"), rom});
        QVERIFY(tool.waitForFinished(20000));
        QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
        QCOMPARE(rig.loader->Flash(), Padded(data, 128));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0;
        QTest::newRow("block 100") << QStringList{QStringLiteral("--block=100"), QStringLiteral("d"),
                                                  QStringLiteral("f.rom")}
                                   << 2;
        QTest::newRow("unknown rate") << QStringList{QStringLiteral("--start-rate=12345"), QStringLiteral("d"),
                                                     QStringLiteral("f.rom")}
                                      << 2;
        QTest::newRow("custom rate") << QStringList{QStringLiteral("--start-rate=Custom"), QStringLiteral("d"),
                                                    QStringLiteral("f.rom")}
                                     << 2;
        QTest::newRow("zero wait") << QStringList{QStringLiteral("--ack-wait-ms=0"), QStringLiteral("d"),
                                                  QStringLiteral("f.rom")}
                                   << 2;
        QTest::newRow("no file") << QStringList{QStringLiteral("d")} << 2;
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--fast"), QStringLiteral("d"),
                                                       QStringLiteral("f.rom")}
                                        << 2;
    }

    // Wrong arguments end before any file or device is looked at; the help
    // names every outcome text with its status.
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        TRig rig;
        const TRun r = rig.run(args);
        QCOMPARE(r.exit, exitCode);
        if (exitCode == 0) {
            const QString help = r.out.join(u'\n');
            for (const auto& [status, text] : {std::pair{0, kOk},
                                               {3, Failed("Startzeichen fehlt ...")},
                                               {4, Failed("no ACK")},
                                               {5, Failed("wrong ACK")},
                                               {6, Failed("zuviel Wiederholungen")},
                                               {7, Failed("???")}})
                QVERIFY2(help.contains(QStringLiteral("%1  %2").arg(status, 2).arg(text)), qPrintable(text));
        } else {
            QVERIFY(r.err.contains(QLatin1String("--help")));
            QVERIFY(!r.err.contains(QLatin1String("Fehler bei Dateizugriff")));
        }
    }
};

QTEST_GUILESS_MAIN(TestFlashTool)
#include "tst_flashtool.moc"
