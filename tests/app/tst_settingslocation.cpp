// Where the settings file lives: beside a copy run from a folder, in the
// user's configuration directory for an installed program.
#include "app/SettingsLocation.h"
#include "support/Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/stat.h>

class TestSettingsLocation : public QObject {
    Q_OBJECT

private slots:
    void rule_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("besideExists");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("expected");

        const QString prog = QStringLiteral("/usr/bin/VelmorServiceSoftware");
        const QString beside = prog + QStringLiteral(".ini");
        const QString inCfg = QStringLiteral("/cfg/VelmorServiceSoftware/VelmorServiceSoftware.ini");
        const QString inHome = QStringLiteral("/home/tec/.config/VelmorServiceSoftware/VelmorServiceSoftware.ini");
        QTest::newRow("copy in a writable folder")
            << "/home/tec/velmor/VelmorServiceSoftware" << false << true << false << "/cfg"
            << "/home/tec"
            << "/home/tec/velmor/VelmorServiceSoftware.ini";
        QTest::newRow("file beside keeps priority") << prog << true << false << true << "/cfg"
                                                    << "/home/tec" << beside;
        QTest::newRow("file beside a writable copy") << prog << true << true << false << "/cfg"
                                                     << "/home/tec" << beside;
        QTest::newRow("unwritable folder, XDG set") << prog << false << false << false << "/cfg"
                                                    << "/home/tec" << inCfg;
        QTest::newRow("XDG with trailing slashes") << prog << false << false << false << "/cfg//"
                                                   << "/home/tec" << inCfg;
        QTest::newRow("XDG unset: ~/.config") << prog << false << false << false << ""
                                              << "/home/tec" << inHome;
        QTest::newRow("relative XDG is ignored") << prog << false << false << false << "cfg"
                                                 << "/home/tec" << inHome;
        // Run by root, /usr/bin is writable; the installation still counts.
        QTest::newRow("installed, folder writable") << prog << false << true << true << ""
                                                    << "/root"
                                                    << "/root/.config/VelmorServiceSoftware/VelmorServiceSoftware.ini";
        QTest::newRow("other program name, same file") << "/usr/bin/velmor" << false << false << true << "/cfg"
                                                       << "/home/tec" << inCfg;
        QTest::newRow("no XDG, no home: beside") << prog << false << false << true << ""
                                                 << "" << beside;
        QTest::newRow("relative home: beside") << prog << false << false << false << ""
                                               << "tec" << beside;
    }

    void rule()
    {
        QFETCH(QString, program);
        QFETCH(bool, besideExists);
        QFETCH(bool, writable);
        QFETCH(bool, installed);
        QFETCH(QString, xdg);
        QFETCH(QString, home);
        QFETCH(QString, expected);
        QCOMPARE(SettingsFileFor({program, besideExists, writable, installed, xdg, home}), expected);
    }

    // The same rule on real folders, seen by an ordinary user (as root every
    // folder is writable, so the check then runs as the user "nobody").
    void realFolders()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QDir t(tmp.path());
        QVERIFY(t.mkpath("copy") && t.mkpath("ro") && t.mkpath("ro-with-file") && t.mkpath("inst/bin")
                && t.mkpath("inst/share/applications") && t.mkpath("cfg"));
        const QString name = QStringLiteral("/VelmorServiceSoftware");
        for (const char* f : {"copy", "ro", "ro-with-file", "inst/bin"})
            QFile(t.filePath(f) + name).open(QIODevice::WriteOnly);
        QFile(t.filePath("ro-with-file") + name + ".ini").open(QIODevice::WriteOnly);
        QFile(t.filePath("inst/share/applications/") + DesktopEntryName()).open(QIODevice::WriteOnly);
        auto mode = [&](const char* f, mode_t m) {
            return ::chmod(QFile::encodeName(t.filePath(f)).constData(), m) == 0;
        };
        QVERIFY(mode(".", 0755) && mode("copy", 0777) && mode("inst/bin", 0777) && mode("ro", 0555)
                && mode("ro-with-file", 0555));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(t.filePath("cfg")));

        const QStringList programs = {t.filePath("copy") + name, t.filePath("ro") + name,
                                      t.filePath("ro-with-file") + name, t.filePath("inst/bin") + name};
        const auto out = RunUnprivileged([&programs](char* buf, std::size_t size) {
            QStringList found;
            for (const QString& p : programs)
                found << SettingsFileForProgram(p);
            const QByteArray bytes = found.join('\n').toUtf8();
            const std::size_t n = qMin(size, std::size_t(bytes.size()));
            std::memcpy(buf, bytes.constData(), n);
            return n;
        });
        qunsetenv("XDG_CONFIG_HOME");
        if (!out)
            QSKIP("running as root and cannot drop to an ordinary user");

        const QString inCfg = t.filePath("cfg") + name + name + ".ini";
        QCOMPARE(QString::fromUtf8(*out).split('\n'),
                 QStringList({programs[0] + ".ini", inCfg, programs[2] + ".ini", inCfg}));
    }
};

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "tst_settingslocation.moc"
