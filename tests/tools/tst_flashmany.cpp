// The command-line flasher with several devices: the built program against
// boot loaders on pseudo-terminals, all flashed in one call; the station that
// flashes units as they appear; the report line of every unit.
#include "serial/ComPort.h"
#include "support/BootLoaderPeer.h"
#include "support/FlashToolRun.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/mount.h>
#include <sys/resource.h>
#include <vector>

namespace {

using TScript = TBootLoaderPeer::Script;
using flashtool::TRun;

const QString kTool = QStringLiteral(VELMOR_FLASH_PATH);
const QString kOk = QStringLiteral("Firmware-Update OK");
constexpr int kBlock = 128;
constexpr int kStartLength = 12;  // "{+}fwupdate\r"

// Boot loaders on pseudo-terminals and a scratch directory with a settings
// file, the firmware file and the report.
struct TBench {
    QTemporaryDir dir;
    std::vector<std::unique_ptr<TDevicePeer>> peers;
    std::vector<std::unique_ptr<TBootLoaderPeer>> loaders;
    const QByteArray data = flashtool::Words();
    const QByteArray romText = flashtool::RomText(data);
    QString rom;

    explicit TBench(int count, const QMap<int, TScript>& scripts = {})
    {
        put("settings.ini", "[Misc]\r\nCOM=0\r\n");
        rom = put("fw.rom", romText);
        for (int i = 0; i < count; ++i) {
            peers.push_back(std::make_unique<TDevicePeer>());
            loaders.push_back(std::make_unique<TBootLoaderPeer>(*peers.back(), kBlock, scripts.value(i)));
        }
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString put(const QString& name, const QByteArray& content) const
    {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return f.fileName();
    }
    QString slave(int i) const { return peers[i]->SlavePath(); }
    QString report() const { return path(QStringLiteral("report.jsonl")); }
    QByteArray image() const { return flashtool::Padded(data, kBlock); }
    // A fresh boot loader on device i, as a new unit on the same adapter.
    void boot(int i, const TScript& script = {})
    {
        loaders[i].reset();
        loaders[i] = std::make_unique<TBootLoaderPeer>(*peers[i], kBlock, script);
    }
    QStringList devices() const
    {
        QStringList args;
        for (const auto& peer : peers)
            args << QStringLiteral("--device") << peer->SlavePath();
        return args;
    }
    TRun run(const QStringList& args, const std::function<bool(QProcess&)>& during = nullptr, int limitMs = 15000) const
    {
        return flashtool::Run(kTool,
                              QStringList{QStringLiteral("--settings"), path(QStringLiteral("settings.ini"))} + args,
                              during, limitMs);
    }
    QList<QJsonObject> reportLines() const
    {
        QFile f(report());
        QList<QJsonObject> lines;
        if (!f.open(QIODevice::ReadOnly))
            return lines;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (!line.isEmpty())
                lines.append(QJsonDocument::fromJson(line).object());
        return lines;
    }
};

struct TExpected {
    QString device;
    QString path;
    int status = 0;
    QString outcome = kOk;
    int bytes = 11 * kBlock;  // 1400 data bytes in blocks of 128
    int repeats = 0;
};

// One report line, field by field.
void CheckLine(const QJsonObject& o, const TExpected& e, const TBench& bench, const QDateTime& from,
               const QDateTime& to)
{
    QStringList keys{"adapter_serial", "block_size", "blocks_repeated",
                     "by_id",          "bytes",      "device",
                     "duration_s",     "file",       "file_size",
                     "outcome",        "path",       "sha256",
                     "start_rate",     "status",     "time"};
    if (e.status == 8)
        keys << QStringLiteral("error");
    keys.sort();
    QCOMPARE(o.keys(), keys);
    QCOMPARE(o[QStringLiteral("device")].toString(), e.device);
    QCOMPARE(o[QStringLiteral("path")].toString(), e.path);
    QVERIFY(o[QStringLiteral("by_id")].isNull());  // a pseudo-terminal has neither
    QVERIFY(o[QStringLiteral("adapter_serial")].isNull());
    QCOMPARE(o[QStringLiteral("file")].toString(), bench.rom);
    QCOMPARE(o[QStringLiteral("file_size")].toInt(), int(bench.romText.size()));
    QCOMPARE(o[QStringLiteral("sha256")].toString().toLatin1(),
             QCryptographicHash::hash(bench.romText, QCryptographicHash::Sha256).toHex());
    QCOMPARE(o[QStringLiteral("block_size")].toInt(), kBlock);
    QCOMPARE(o[QStringLiteral("start_rate")].toString(), QStringLiteral("9600"));
    QCOMPARE(o[QStringLiteral("outcome")].toString(), e.outcome);
    QCOMPARE(o[QStringLiteral("status")].toInt(), e.status);
    if (e.bytes >= 0)
        QCOMPARE(o[QStringLiteral("bytes")].toInt(), e.bytes);
    QCOMPARE(o[QStringLiteral("blocks_repeated")].toInt(), e.repeats);
    const QDateTime time = QDateTime::fromString(o[QStringLiteral("time")].toString(), Qt::ISODateWithMs);
    QVERIFY2(time.isValid() && time.timeSpec() == Qt::UTC, qPrintable(o[QStringLiteral("time")].toString()));
    QVERIFY(time >= from.addMSecs(-1) && time <= to);
    const double duration = o[QStringLiteral("duration_s")].toDouble();
    QVERIFY2(duration > 0 && duration <= from.msecsTo(to) / 1000.0, qPrintable(QString::number(duration)));
}

}  // namespace

class TestFlashMany : public QObject {
    Q_OBJECT

private slots:
    // Eight devices in one call: every one gets its own transfer, a fault on
    // one line leaves the others alone, and the exit status is the failed
    // device's outcome. The report holds a line for every device.
    void eightAtOnce_data()
    {
        QTest::addColumn<int>("faulty");  // keeps sending one block with a fault
        QTest::addColumn<int>("vanish");  // unplugged during its transfer
        QTest::addColumn<int>("exitCode");
        QTest::newRow("all OK") << -1 << -1 << 0;
        QTest::newRow("one with a repeating checksum fault") << 3 << -1 << 6;
        QTest::newRow("one vanishing") << -1 << 5 << 8;
    }

    void eightAtOnce()
    {
        QFETCH(int, faulty);
        QFETCH(int, vanish);
        QFETCH(int, exitCode);

        QMap<int, TScript> scripts;
        scripts[faulty].faultyBlock = 2;
        scripts[vanish].ackDelayMs = 40;  // slow enough to be caught mid-way
        TBench bench(8, scripts);
        const QDateTime from = QDateTime::currentDateTimeUtc();
        const auto unplug = [&](QProcess&) {
            if (vanish < 0)
                return true;
            if (bench.peers[vanish]->Received().size() < kStartLength + 3 + 2 * (kBlock + 1))
                return false;
            bench.peers[vanish]->Vanish();
            return true;
        };
        const TRun r = bench.run(
            QStringList{QStringLiteral("--report"), bench.report()} + bench.devices() + QStringList{bench.rom}, unplug);
        const QDateTime to = QDateTime::currentDateTimeUtc();
        QCOMPARE(r.exit, exitCode);

        QList<TExpected> expected;
        for (int i = 0; i < 8; ++i) {
            TExpected e{bench.slave(i), bench.slave(i)};
            if (i == faulty) {
                QCOMPARE(bench.loaders[i]->Flash(), bench.image().left(2 * kBlock));
                QCOMPARE(bench.loaders[i]->ChecksumFaults(), 3);
                e.status = 6;
                e.outcome = QStringLiteral("Firmware-Update fehlerhaft (zuviel Wiederholungen)");
                e.bytes = 3 * kBlock;
                e.repeats = 2;
            } else if (i == vanish) {
                QVERIFY(bench.loaders[i]->Flash().size() < bench.image().size());
                e.status = 8;
                e.outcome = QStringLiteral("Firmware-Update fehlerhaft (no ACK)");
                e.bytes = -1;  // wherever the line went
            } else {
                QCOMPARE(bench.loaders[i]->Flash(), bench.image());
                QCOMPARE(bench.loaders[i]->ChecksumFaults(), 0);
            }
            expected.append(e);
            // The table names every device with its outcome.
            const auto row = std::find_if(r.out.cbegin(), r.out.cend(), [&](const QString& line) {
                return line.startsWith(e.path + u' ') && line.contains(e.outcome);
            });
            QVERIFY2(row != r.out.cend(), qPrintable(r.out.join(u'\n')));
        }

        QList<QJsonObject> lines = bench.reportLines();
        QCOMPARE(lines.size(), 8);
        // In the order the devices ended; matched by device.
        for (const TExpected& e : expected) {
            const auto line = std::find_if(lines.cbegin(), lines.cend(), [&](const QJsonObject& o) {
                return o[QStringLiteral("device")].toString() == e.device;
            });
            QVERIFY(line != lines.cend());
            CheckLine(*line, e, bench, from, to);
            if (QTest::currentTestFailed())
                return;
        }
    }

    // A device that is missing or held by another program fails at once
    // with its reason; the others are flashed. The same device given twice
    // (by path, or by a port name mapped to it) ends the call before
    // anything is sent.
    void devicesThatCannotBeFlashed()
    {
        TBench bench(2);
        TComPort holder;
        holder.SetPort(bench.slave(1));
        holder.Open();
        const QString missing = bench.path(QStringLiteral("ttyUSB99"));
        const TRun r =
            bench.run({QStringLiteral("--report"), bench.report(), QStringLiteral("--device"), bench.slave(0),
                       QStringLiteral("--device"), missing, QStringLiteral("--device"), bench.slave(1), bench.rom});
        holder.Close();
        QCOMPARE(r.exit, 21);  // held outranks missing: both never touched
        QCOMPARE(bench.loaders[0]->Flash(), bench.image());
        QCOMPARE(bench.peers[1]->Received(), QByteArray());
        const QList<QJsonObject> lines = bench.reportLines();
        QCOMPARE(lines.size(), 3);
        QMap<QString, int> status;
        for (const QJsonObject& o : lines)
            status[o[QStringLiteral("device")].toString()] = o[QStringLiteral("status")].toInt();
        QCOMPARE(status, (QMap<QString, int>{{bench.slave(0), 0}, {missing, 20}, {bench.slave(1), 21}}));
        const QString table = r.out.join(u'\n');
        QVERIFY2(table.contains(missing + QStringLiteral(": no such device")), qPrintable(table));
        QVERIFY2(!table.contains(missing + QStringLiteral(": ") + missing), qPrintable(table));
        // The table at the end: the devices in the order they were given,
        // whatever order they ended in.
        const QStringList rows = r.out.mid(r.out.lastIndexOf(QRegularExpression(QStringLiteral("device\\s.*"))) + 1);
        QCOMPARE(rows.size(), 3);
        for (const auto& [row, device] : {std::pair{0, bench.slave(0)}, {1, missing}, {2, bench.slave(1)}})
            QVERIFY2(rows[row].startsWith(device + u' '), qPrintable(rows.join(u'\n')));

        bench.peers[0]->ClearReceived();
        bench.put(QStringLiteral("settings.ini"), "[Ports]\r\nCom7=" + bench.slave(0).toUtf8() + "\r\n");
        for (const QStringList& twice :
             {QStringList{bench.slave(0), bench.slave(0)}, QStringList{QStringLiteral("Com7"), bench.slave(0)}}) {
            const TRun r2 =
                bench.run({QStringLiteral("--device"), twice[0], QStringLiteral("--device"), twice[1], bench.rom});
            QCOMPARE(r2.exit, 2);
            QVERIFY2(r2.err.contains(QLatin1String("given twice")), qPrintable(r2.err));
        }
        QTest::qWait(100);
        QCOMPARE(bench.peers[0]->Received(), QByteArray());
    }

    // A report that cannot take a line of every device ends the call before
    // any device is touched, what it held stays as it was, and a file the
    // call created is gone again; one with room for those lines, however
    // little more, is taken.
    void reportThatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("limit");  // file size limit; 0: none
        QTest::addColumn<bool>("taken");
        QTest::newRow("full disk") << "full" << 0 << false;
        QTest::newRow("file size limit") << "earlier" << 1500 << false;
        QTest::newRow("new file, size limit") << "new" << 1500 << false;
        QTest::newRow("room for the lines") << "earlier" << 4096 << true;
    }

    void reportThatCannotBeWritten()
    {
        QFETCH(QString, kind);
        QFETCH(int, limit);
        QFETCH(bool, taken);
        TBench bench(2);
        const QByteArray earlier = "{\"device\":\"earlier\"}\n";
        if (kind == QLatin1String("full"))
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), bench.report()));
        else if (kind == QLatin1String("earlier"))
            bench.put(QStringLiteral("report.jsonl"), earlier);
        rlimit previous{};
        ::getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = rlim_t(limit);
        if (limit)
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        const TRun r = bench.run(QStringList{QStringLiteral("--report"), bench.report()} + bench.devices()
                                 + QStringList{bench.rom});
        ::setrlimit(RLIMIT_FSIZE, &previous);
        if (taken) {
            QCOMPARE(r.exit, 0);
            QCOMPARE(bench.reportLines().size(), 3);
            return;
        }
        QCOMPARE(r.exit, 9);
        QVERIFY2(r.err.contains(QLatin1String("cannot be written")), qPrintable(r.err));
        QTest::qWait(100);
        for (const auto& peer : bench.peers)
            QCOMPARE(peer->Received(), QByteArray());
        if (kind == QLatin1String("earlier"))
            QCOMPARE(QFile(bench.report()).size(), qint64(earlier.size()));
        if (kind == QLatin1String("new"))
            QVERIFY(!QFileInfo::exists(bench.report()));
    }

    // The signals that end a call, in each of its forms: the first SIGINT or
    // SIGTERM lets the transfers under way finish, a second one or SIGHUP
    // (the terminal closed) cuts them; every transfer begun has its line.
    void interrupts_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QList<int>>("sent");
        QTest::addColumn<int>("exitCode");
        for (const QString form : {QStringLiteral("one"), QStringLiteral("several"), QStringLiteral("station")}) {
            const auto row = [&](const char* name, const QList<int>& sent, int exit) {
                QTest::newRow(qPrintable(form + u' ' + QLatin1String(name))) << form << sent << exit;
            };
            row("SIGINT", {SIGINT}, 0);
            row("SIGINT twice", {SIGINT, SIGINT}, 130);
            row("SIGTERM", {SIGTERM}, 0);
            row("SIGTERM, SIGINT", {SIGTERM, SIGINT}, 130);
            row("SIGHUP", {SIGHUP}, 130);
        }
    }

    void interrupts()
    {
        QFETCH(QString, form);
        QFETCH(QList<int>, sent);
        QFETCH(int, exitCode);
        TScript slow;
        slow.ackDelayMs = 100;  // 11 blocks: more than a second
        const int count = form == QLatin1String("one") ? 1 : 2;
        TBench bench(count, {{0, slow}, {1, slow}});
        QStringList args{QStringLiteral("--report"), bench.report()};
        if (form == QLatin1String("one"))
            args << bench.slave(0);
        else
            args << bench.devices();
        if (form == QLatin1String("station"))
            args << QStringLiteral("--station");
        args << bench.rom;
        int signalled = 0;
        QElapsedTimer since;
        const QDateTime from = QDateTime::currentDateTimeUtc();
        const TRun r = bench.run(args, [&](QProcess& tool) {
            for (int i = 0; i < count; ++i)
                if (bench.loaders[i]->BlocksReceived() < 2)
                    return false;
            // Apart, so that the second is not lost in the first.
            if (since.isValid() && since.elapsed() < 150)
                return false;
            ::kill(pid_t(tool.processId()), sent[signalled]);
            since.start();
            return ++signalled == sent.size();
        });
        const QDateTime to = QDateTime::currentDateTimeUtc();
        QCOMPARE(r.exit, exitCode);
        const QList<QJsonObject> lines = bench.reportLines();
        QCOMPARE(lines.size(), count);
        for (int i = 0; i < count; ++i) {
            TExpected e{bench.slave(i), bench.slave(i), exitCode, exitCode ? QStringLiteral("cut") : kOk};
            e.bytes = exitCode ? -1 : e.bytes;
            const auto line = std::find_if(lines.begin(), lines.end(), [&](const QJsonObject& o) {
                return o[QStringLiteral("device")].toString() == e.device;
            });
            QVERIFY(line != lines.end());
            CheckLine(*line, e, bench, from, to);
            if (QTest::currentTestFailed())
                return;
            if (exitCode == 0)
                QCOMPARE(bench.loaders[i]->Flash(), bench.image());
            else
                QVERIFY(bench.loaders[i]->BlocksReceived() < 8);
        }
    }

    // The station: units appear one after another and are flashed as they
    // come; a unit that stays is not flashed again, one that was removed and
    // plugged in again is. The firmware is the one read at the start, even
    // when the file changes meanwhile.
    void station()
    {
        TBench bench(3);
        QStringList links, args{QStringLiteral("--station"), QStringLiteral("--report"), bench.report()};
        for (int i = 0; i < 3; ++i) {
            links << bench.path(QStringLiteral("unit%1").arg(i));
            args << QStringLiteral("--device") << links.last();
        }
        args << bench.rom;
        const QByteArray image = bench.image();
        const auto done = [&](int i) { return bench.loaders[i]->Flash() == image; };

        int stage = 0;
        bool flashedWithoutRemoval = false;
        QElapsedTimer clock;
        clock.start();
        const QDateTime from = QDateTime::currentDateTimeUtc();
        const TRun r = bench.run(args, [&](QProcess& tool) {
            switch (stage) {
            case 0:  // waiting on every port; the first unit comes
                if (clock.elapsed() < 300)
                    return false;
                QFile::link(bench.slave(0), links[0]);
                break;
            case 1:
                if (!done(0))
                    return false;
                QFile::link(bench.slave(1), links[1]);
                break;
            case 2:  // the first unit stays; its loader is fresh again
                if (!done(1))
                    return false;
                bench.boot(0);
                QFile::link(bench.slave(2), links[2]);
                clock.start();
                break;
            case 3:
                if (!done(2) || clock.elapsed() < 700)
                    return false;
                flashedWithoutRemoval = bench.loaders[0]->Loader().Started();
                QFile::remove(links[0]);
                bench.put(QStringLiteral("fw.rom"), flashtool::RomText(flashtool::Words(50)));
                clock.start();
                break;
            case 4:  // plugged in again once the station saw it gone
                if (clock.elapsed() < 700)
                    return false;
                QFile::link(bench.slave(0), links[0]);
                break;
            case 5:
                if (!done(0))
                    return false;
                ::kill(pid_t(tool.processId()), SIGINT);
                return true;
            }
            ++stage;
            return false;
        });
        const QDateTime to = QDateTime::currentDateTimeUtc();
        QCOMPARE(stage, 5);
        QCOMPARE(r.exit, 0);
        QVERIFY(!flashedWithoutRemoval);
        QCOMPARE(bench.loaders[0]->Flash(), image);  // not the changed file

        const QList<QJsonObject> lines = bench.reportLines();
        QCOMPARE(lines.size(), 4);
        for (const auto& [line, unit] : {std::pair{0, 0}, {1, 1}, {2, 2}, {3, 0}}) {
            CheckLine(lines[line], TExpected{links[unit], links[unit]}, bench, from, to);
            if (QTest::currentTestFailed())
                return;
        }
        const QString log = r.out.join(u'\n');
        for (const QString& text : {links[0] + QStringLiteral(": waiting"), links[0] + QStringLiteral(": flashing"),
                                    links[0] + QStringLiteral(": OK, remove the unit"),
                                    QStringLiteral("passed 4, failed 0"), QStringLiteral("changed on disk")})
            QVERIFY2(log.contains(text), qPrintable(text + u'\n' + log));
        QCOMPARE(log.count(links[0] + QStringLiteral(": OK, remove the unit")), 2);
        QCOMPARE(log.count(links[1] + QStringLiteral(": OK, remove the unit")), 1);
    }

    // A station whose report fills up on a small disk: the unit whose line
    // finds no room is shown failed, no port is armed while the line is held
    // back, and once there is room again the held line is written and the
    // station goes on.
    void stationReportFillsUp()
    {
        TBench bench(1);
        const QString share = bench.path(QStringLiteral("share"));
        QVERIFY(QDir().mkpath(share));
        if (::mount("tmpfs", QFile::encodeName(share).constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("mounting a tmpfs is not permitted here");
        const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(share).constData(), MNT_DETACH); });
        const QString report = share + QStringLiteral("/units.jsonl");
        const QString filler = share + QStringLiteral("/filler");
        const QString link = bench.path(QStringLiteral("unit"));
        const QStringList args{QStringLiteral("--station"),
                               QStringLiteral("--report"),
                               report,
                               QStringLiteral("--device"),
                               link,
                               bench.rom};
        const QByteArray image = bench.image();
        const auto fill = [&] {
            QFile f(filler);
            f.open(QIODevice::WriteOnly | QIODevice::Append);
            const QByteArray chunk(1024, 'f');
            while (f.write(chunk) == chunk.size() && f.flush()) {
            }
        };
        const auto lines = [&] {
            QFile f(report);
            f.open(QIODevice::ReadOnly);
            return f.readAll().count('\n');
        };

        QByteArray log;
        int stage = 0, flashed = 0, heldAt = -1;
        bool armedWhileHeld = false;
        QElapsedTimer clock;
        clock.start();
        const TRun r = bench.run(
            args,
            [&](QProcess& tool) {
                log += tool.readAllStandardOutput();
                switch (stage) {
                case 0:  // a unit on the port; the disk is filled once it has its line
                    QFile::link(bench.slave(0), link);
                    break;
                case 1:
                    if (bench.loaders[0]->Flash() != image
                        || (lines() < flashed + 1 && !log.contains("FAILED (no record written)")))
                        return false;
                    ++flashed;
                    if (flashed == 1)
                        fill();
                    if (log.contains("FAILED (no record written)")) {
                        heldAt = flashed;
                        stage = 3;
                        QFile::remove(link);
                        clock.start();
                        return false;
                    }
                    if (flashed >= 40)
                        return true;
                    QFile::remove(link);
                    clock.start();
                    break;
                case 2:  // gone, seen gone: the next unit
                    if (clock.elapsed() < 600)
                        return false;
                    bench.boot(0);
                    QFile::link(bench.slave(0), link);
                    stage = 1;
                    return false;
                case 3:  // the line is held: a new unit is not flashed
                    if (clock.elapsed() < 600)
                        return false;
                    bench.boot(0);
                    QFile::link(bench.slave(0), link);
                    clock.start();
                    break;
                case 4:
                    if (clock.elapsed() < 1500)
                        return false;
                    armedWhileHeld = bench.loaders[0]->Loader().Started();
                    QFile::remove(filler);
                    break;
                case 5:  // room again: the held line and the waiting unit
                    if (bench.loaders[0]->Flash() != image || lines() < heldAt + 1)
                        return false;
                    ::kill(pid_t(tool.processId()), SIGINT);
                    return true;
                }
                ++stage;
                return false;
            },
            60000);
        log += r.out.join(u'\n').toUtf8();
        QCOMPARE(stage, 5);
        QVERIFY2(heldAt >= 1, log.constData());
        QVERIFY(!armedWhileHeld);
        QCOMPARE(r.exit, 9);  // a unit was shown failed for want of its record
        for (const char* text : {"no port is armed until the report takes lines again", "the report takes lines again",
                                 "FAILED (record written late): Firmware-Update OK"})
            QVERIFY2(log.contains(text), qPrintable(QString::fromLatin1(text) + u'\n' + QString::fromUtf8(log)));
        // Every unit flashed has its line, the held one among them.
        QFile f(report);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> written = f.readAll().split('\n');
        QCOMPARE(written.size() - 1, heldAt + 1);
        for (qsizetype i = 0; i + 1 < written.size(); ++i) {
            const QJsonObject o = QJsonDocument::fromJson(written[i]).object();
            QCOMPARE(o[QStringLiteral("outcome")].toString(), kOk);
            QCOMPARE(o[QStringLiteral("path")].toString(), link);
        }
    }

    // A device that has just appeared is still being set up by the system
    // (its mode, a probe holding it): the station tries it again for a while
    // before the unit fails, so that it is flashed once the device is free.
    void stationLetsDevicesSettle()
    {
        TBench bench(1);
        const QString link = bench.path(QStringLiteral("unit"));
        const QString lockFile = QStringLiteral("/run/lock/LCK..") + bench.slave(0).mid(5).replace(u'/', u'_');
        {
            QFile lock(lockFile);
            if (!lock.open(QIODevice::WriteOnly))
                QSKIP("/run/lock cannot be written here");
            lock.write(QByteArray::number(qint64(::getpid())).rightJustified(10) + '\n');
        }
        const auto unlock = qScopeGuard([&] { QFile::remove(lockFile); });
        int stage = 0;
        QElapsedTimer clock;
        const TRun r = bench.run({QStringLiteral("--station"), QStringLiteral("--report"), bench.report(),
                                  QStringLiteral("--device"), link, bench.rom},
                                 [&](QProcess& tool) {
                                     switch (stage) {
                                     case 0:
                                         QFile::link(bench.slave(0), link);
                                         clock.start();
                                         break;
                                     case 1:  // held for a while after it appeared
                                         if (clock.elapsed() < 900)
                                             return false;
                                         QFile::remove(lockFile);
                                         break;
                                     case 2:
                                         if (bench.loaders[0]->Flash() != bench.image())
                                             return false;
                                         ::kill(pid_t(tool.processId()), SIGINT);
                                         return true;
                                     }
                                     ++stage;
                                     return false;
                                 });
        QCOMPARE(stage, 2);
        QCOMPARE(r.exit, 0);
        const QList<QJsonObject> lines = bench.reportLines();
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0][QStringLiteral("outcome")].toString(), kOk);
        QVERIFY(lines[0][QStringLiteral("duration_s")].toDouble() >= 0.5);
    }

    // The simulator's paced line: each block's answer leaves no sooner than
    // the block's bytes have had their line time at 115200 bit/s.
    void pacedLineTakesItsTime()
    {
        TBench bench(1);
        bench.peers[0]->SetPaced(true);
        const TRun r = bench.run(bench.devices() + QStringList{bench.rom});
        QCOMPARE(r.exit, 0);
        const QList<TDevicePeer::Arrival> in = bench.peers[0]->Arrivals();
        const QList<TDevicePeer::Departure> out = bench.peers[0]->Departures();
        QCOMPARE(out.size(), 1 + 11);  // "3", then an answer per block
        const qint64 blockNs = qint64(kBlock + 1) * 10 * 1000000000LL / 115200;
        for (int k = 0; k < 11; ++k) {
            const qint64 first = in[kStartLength + 3 + k * (kBlock + 1)].ns;
            QVERIFY2(out[1 + k].ns - first >= blockNs, qPrintable(QString::number(out[1 + k].ns - first)));
        }
        QVERIFY(r.ms >= 11 * blockNs / 1000000);
    }
};

QTEST_GUILESS_MAIN(TestFlashMany)
#include "tst_flashmany.moc"
