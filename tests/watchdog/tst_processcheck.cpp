// Whether a program runs, by its name: the matching rule, a process list
// laid out in a directory the way the system lays it out, and the real one.
#include "watchdog/Heartbeat.h"
#include "watchdog/ProcessCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// One process directory: its number, executable, command name and arguments.
void addProcess(const QString& root, int pid, const QString& exe, const QByteArray& comm, const QByteArray& cmdline)
{
    const QString dir = root + QStringLiteral("/%1").arg(pid);
    QDir().mkpath(dir);
    if (!exe.isEmpty())
        QFile::link(exe, dir + QStringLiteral("/exe"));
    QFile c(dir + QStringLiteral("/comm"));
    c.open(QIODevice::WriteOnly);
    c.write(comm + '\n');
    QFile a(dir + QStringLiteral("/cmdline"));
    a.open(QIODevice::WriteOnly);
    a.write(cmdline);
}

}  // namespace

class TestProcessCheck : public QObject {
    Q_OBJECT

private slots:
    void matching_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("comm");
        QTest::addColumn<QString>("arg0");
        QTest::addColumn<bool>("match");
        QTest::newRow("exe file name") << "backup"
                                       << "/usr/bin/backup"
                                       << ""
                                       << "" << true;
        QTest::newRow("case of a-z") << "PROZESSNAME.EXE"
                                     << "/opt/prozessname.exe"
                                     << ""
                                     << "" << true;
        QTest::newRow(".exe dropped") << "PROZESSNAME.exe"
                                      << "/opt/prozessname"
                                      << ""
                                      << "" << true;
        QTest::newRow("command name") << "Backup"
                                      << ""
                                      << "backup"
                                      << "" << true;
        QTest::newRow("first argument") << "server.py"
                                        << "/usr/bin/python3"
                                        << "python3"
                                        << "/srv/server.py" << true;
        QTest::newRow("no umlaut folding") << "Ä"
                                           << "/x/ä"
                                           << ""
                                           << "" << false;
        QTest::newRow("path is no name") << "bin/backup"
                                         << "/usr/bin/backup"
                                         << ""
                                         << "" << false;
        QTest::newRow("full path") << "/usr/bin/backup"
                                   << "/usr/bin/backup"
                                   << "backup"
                                   << "backup" << true;
        QTest::newRow("full path, case of a-z") << "/USR/BIN/Backup"
                                                << "/usr/bin/backup"
                                                << ""
                                                << "" << true;
        QTest::newRow("full path of the started script") << "/srv/server.py"
                                                         << "/usr/bin/python3"
                                                         << "python3"
                                                         << "/srv/server.py" << true;
        QTest::newRow("full path elsewhere") << "/opt/backup"
                                             << "/usr/bin/backup"
                                             << "backup"
                                             << "backup" << false;
        QTest::newRow("part of a name") << "back"
                                        << "/usr/bin/backup"
                                        << "backup"
                                        << "backup" << false;
        QTest::newRow(".exe only") << ".exe"
                                   << ""
                                   << ""
                                   << "" << false;
        QTest::newRow("empty name") << ""
                                    << ""
                                    << ""
                                    << "" << false;
        QTest::newRow("other extension kept") << "tool.bin"
                                              << "/usr/bin/tool"
                                              << "tool"
                                              << "tool" << false;
    }
    void matching()
    {
        QFETCH(QString, name);
        QFETCH(QString, exe);
        QFETCH(QString, comm);
        QFETCH(QString, arg0);
        QFETCH(bool, match);
        QCOMPARE(ProcessNameMatches(name, exe, comm, arg0), match);
    }

    void processListInADirectory()
    {
        QTemporaryDir root;
        addProcess(root.path(), 17, QStringLiteral("/usr/sbin/cron"), "cron", QByteArray("/usr/sbin/cron\0-f\0", 18));
        addProcess(root.path(), 230, QString(), "python3", QByteArray("python3\0/srv/watch.py\0", 22));
        addProcess(root.path(), 4711, QStringLiteral("/opt/Prozessname"), "Prozessname", QByteArray());
        QDir(root.path()).mkpath(QStringLiteral("self/x"));  // not a process
        addProcess(root.path() + QStringLiteral("/sys"), 1, QStringLiteral("/bin/hidden"), "hidden", "hidden");

        QVERIFY(ProcessExists(QStringLiteral("cron"), root.path()));
        QVERIFY(ProcessExists(QStringLiteral("PROZESSNAME.exe"), root.path()));
        QVERIFY(ProcessExists(QStringLiteral("python3"), root.path()));
        QVERIFY(!ProcessExists(QStringLiteral("watch.py"), root.path()));  // second argument
        QVERIFY(!ProcessExists(QStringLiteral("hidden"), root.path()));
        QVERIFY(!ProcessExists(QStringLiteral("self"), root.path()));
        QVERIFY(!ProcessExists(QStringLiteral("cron"), root.path() + QStringLiteral("/missing")));
    }

    // A name given as a path: links resolved on both sides, and a script
    // run by an interpreter found by the script's path (relative ones from
    // the process's working folder), with the real process list.
    void pathsWithLinksResolved()
    {
        QTemporaryDir dir;
        const QString sleep = QFileInfo(QStringLiteral("/usr/bin/sleep")).canonicalFilePath();
        QVERIFY(!sleep.isEmpty());
        QVERIFY(QFile::link(sleep, dir.filePath("schlaf")));
        const QString script = dir.filePath("wache.sh");
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nsleep 30\n");
        f.close();
        QVERIFY(QFile::link(script, dir.filePath("wache-link.sh")));
        const QString marker = dir.filePath("nicht-gestartet.sh");

        QProcess direct, interpreted;
        direct.start(dir.filePath("schlaf"), {QStringLiteral("30")});
        interpreted.setWorkingDirectory(dir.path());
        interpreted.start(QStringLiteral("/bin/sh"), {QStringLiteral("-e"), QStringLiteral("wache.sh")});
        QVERIFY(direct.waitForStarted() && interpreted.waitForStarted());
        QTest::qWait(100);  // exec done
        QVERIFY(ProcessExists(QStringLiteral("/usr/bin/sleep")));
        QVERIFY(ProcessExists(dir.filePath("schlaf")));
        if (QFileInfo(QStringLiteral("/bin")).isSymLink())
            QVERIFY(ProcessExists(QStringLiteral("/bin/sleep")));
        QVERIFY(ProcessExists(script));
        QVERIFY(ProcessExists(dir.filePath("wache-link.sh")));
        QVERIFY(!ProcessExists(marker));
        QVERIFY(!ProcessExists(dir.filePath("wache")));
        direct.kill();
        interpreted.kill();
        direct.waitForFinished();
        interpreted.waitForFinished();
        QVERIFY(!ProcessExists(script));
    }

    void realProcessList()
    {
        const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QVERIFY(ProcessExists(self));
        QVERIFY(ProcessExists(self + QStringLiteral(".exe")));
        QVERIFY(!ProcessExists(QStringLiteral("no-such-program-%1").arg(QCoreApplication::applicationPid())));
    }

    // The countdown and the tenth tick, with the process check deciding.
    void heartbeatTicks()
    {
        THeartbeat hb;
        QStringList shown;
        int sent = 0;
        bool checkOn = false;
        QString name;
        QStringList asked;
        hb.ShowCountdown = [&](const QString& t) { shown << t; };
        hb.Send = [&] { ++sent; };
        hb.CheckProcess = [&] { return checkOn; };
        hb.ProcessName = [&] { return name; };
        hb.ProcessExists = [&](const QString& n) {
            asked << n;
            return n == QLatin1String("app");
        };
        for (int i = 0; i < 25; ++i)
            hb.Tick();
        QCOMPARE(sent, 2);
        QCOMPARE(hb.Count(), 5);
        QCOMPARE(shown.first(), QStringLiteral("Nächster Heartbeat in: 9 Sekunden..."));
        QCOMPARE(shown.at(9), QStringLiteral("Nächster Heartbeat in: 0 Sekunden..."));
        QCOMPARE(shown.at(10), QStringLiteral("Nächster Heartbeat in: 9 Sekunden..."));
        QVERIFY(asked.isEmpty());

        checkOn = true;
        const struct {
            const char* name;
            bool sends;
        } cases[] = {{" app ", true}, {"other", false}, {"", true}, {"  ", true}};
        for (const auto& c : cases) {
            hb.Restart();
            name = QLatin1String(c.name);
            const int before = sent;
            for (int i = 0; i < 9; ++i)
                QVERIFY(!hb.Tick());
            QCOMPARE(hb.Tick(), c.sends);
            QCOMPARE(sent - before, c.sends ? 1 : 0);
        }
        QCOMPARE(asked, (QStringList{QStringLiteral("app"), QStringLiteral("other")}));
    }
};

QTEST_MAIN(TestProcessCheck)
#include "tst_processcheck.moc"
