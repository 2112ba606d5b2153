// The watcher over the device folders, on the real event loop: a device
// file (here a link to a pseudo-terminal, as the tests' adapters are) that
// appears, goes or is replaced is seen within a second without anything
// polled; the tool tip names what the system knows of it.
#include "serial/PortWatcher.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <pty.h>
#include <unistd.h>

namespace {

// A pseudo-terminal pair; its slave path plays a device node.
struct TPty {
    int master = -1, slave = -1;
    QString path;
    TPty()
    {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
    }
    ~TPty()
    {
        ::close(master);
        ::close(slave);
    }
};

}  // namespace

class TestPortWatcher : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Entry 3 opens dir/adapter, entry 4 a by-id name, the rest nothing.
    std::unique_ptr<TPortWatcher> watcher()
    {
        auto w = std::make_unique<TPortWatcher>([this](int n) {
            if (n == 3)
                return path(QStringLiteral("adapter"));
            if (n == 4)
                return path(QStringLiteral("by-id/usb-Maker_Cable_X1-if00-port0"));
            return QString();
        });
        TPortFolders folders;
        folders.dev = path(QStringLiteral("dev"));
        folders.byId = path(QStringLiteral("by-id"));
        folders.ttyClass = path(QStringLiteral("sys"));
        w->SetFolders(folders);
        return w;
    }

private slots:
    void init()
    {
        QDir(path(QString())).removeRecursively();
        QDir().mkpath(path(QStringLiteral("dev")));
    }

    // Plug, unplug, replace: each is one change of that entry, seen on the
    // event loop within a second.
    void followsTheDeviceFile()
    {
        auto w = watcher();
        QSignalSpy changed(w.get(), &TPortWatcher::Changed);
        QVERIFY(!w->Presence(3).Present());
        TPty first, second;
        QVERIFY(!first.path.isEmpty() && !second.path.isEmpty());

        struct TCase {
            const char* what;
            std::function<void()> act;
            QString target;  // empty: gone
        };
        const QString adapter = path(QStringLiteral("adapter"));
        const QList<TCase> cases = {
            {"plugged", [&] { QFile::link(first.path, adapter); }, first.path},
            {"unplugged", [&] { QFile::remove(adapter); }, QString()},
            {"plugged again", [&] { QFile::link(first.path, adapter); }, first.path},
            // The link turned to another device in one step (rename over it).
            {"replaced",
             [&] {
                 QFile::link(second.path, adapter + QStringLiteral(".new"));
                 ::rename(QFile::encodeName(adapter + QStringLiteral(".new")).constData(),
                          QFile::encodeName(adapter).constData());
             },
             second.path},
        };
        for (const TCase& c : cases) {
            changed.clear();
            QElapsedTimer clock;
            clock.start();
            c.act();
            QVERIFY2(changed.wait(1000), c.what);
            QVERIFY2(clock.elapsed() < 1000, c.what);
            QCOMPARE(changed.size(), 1);
            QCOMPARE(changed[0][0].value<QList<int>>(), QList<int>{3});
            QCOMPARE(w->Presence(3).Present(), !c.target.isEmpty());
            QCOMPARE(w->Presence(3).target, c.target);
            QCOMPARE(w->Presence(3).device, adapter);
        }
        // Nothing else happens while nothing changes.
        changed.clear();
        QVERIFY(!changed.wait(300));
    }

    // A by-id folder made after the start (the first USB adapter of a
    // session) is seen, and the stable name of the device with it.
    void byIdFolderMadeLater()
    {
        auto w = watcher();
        QSignalSpy changed(w.get(), &TPortWatcher::Changed);
        TPty pty;
        QVERIFY(QDir().mkpath(path(QStringLiteral("by-id"))));
        QVERIFY(QFile::link(pty.path, path(QStringLiteral("by-id/usb-Maker_Cable_X1-if00-port0"))));
        QVERIFY(PumpUntilPresent(*w, 4));
        QCOMPARE(w->Presence(4).id.byId, QStringLiteral("usb-Maker_Cable_X1-if00-port0"));
        QVERIFY(w->Watched().contains(path(QStringLiteral("by-id"))));
    }

    void hint_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("byId");
        QTest::addColumn<QString>("hint");
        QTest::newRow("nothing there") << "/dev/ttyUSB3"
                                       << ""
                                       << ""
                                       << "/dev/ttyUSB3 — kein Gerät";
        QTest::newRow("plain device") << "/dev/ttyS0"
                                      << "/dev/ttyS0"
                                      << ""
                                      << "/dev/ttyS0\nTreiber: serial8250";
        QTest::newRow("USB adapter through its by-id name")
            << "/dev/serial/by-id/usb-FTDI_X-if00-port0"
            << "/dev/ttyUSB0"
            << "usb-FTDI_X-if00-port0"
            << "/dev/serial/by-id/usb-FTDI_X-if00-port0 → /dev/ttyUSB0\nby-id: usb-FTDI_X-if00-port0\n"
               "USB 0403:6001 FTDI FT232R USB UART\nSeriennummer: A9X3\nTreiber: serial8250";
        QTest::newRow("entry without a path") << ""
                                              << ""
                                              << ""
                                              << "";
    }

    void hint()
    {
        QFETCH(QString, device);
        QFETCH(QString, target);
        QFETCH(QString, byId);
        QFETCH(QString, hint);
        TPortPresence p;
        p.device = device;
        p.target = target;
        p.id.byId = byId;
        if (!target.isEmpty())
            p.id.driver = QStringLiteral("serial8250");
        if (!byId.isEmpty()) {
            p.id.vendorId = QStringLiteral("0403");
            p.id.productId = QStringLiteral("6001");
            p.id.manufacturer = QStringLiteral("FTDI");
            p.id.product = QStringLiteral("FT232R USB UART");
            p.id.serial = QStringLiteral("A9X3");
        }
        QCOMPARE(PresenceHint(p), hint);
    }

private:
    static bool PumpUntilPresent(const TPortWatcher& w, int n)
    {
        QElapsedTimer clock;
        clock.start();
        while (!w.Presence(n).Present() && clock.elapsed() < 1000)
            QTest::qWait(5);
        return w.Presence(n).Present();
    }
};

QTEST_GUILESS_MAIN(TestPortWatcher)
#include "tst_portwatcher.moc"
