// The command-line flasher's board in a real terminal: tmux runs the built
// program against boot loaders on pseudo-terminals, at several sizes and
// with more devices than lines; the screen is read back while it runs.
#include "support/BootLoaderPeer.h"
#include "support/FlashToolRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

const QString kTool = QStringLiteral(VELMOR_FLASH_PATH);
constexpr int kBlock = 128;

// A tmux server of the test's own, with one window of a chosen size.
class TTmux {
public:
    TTmux(const QString& socket) : m_socket(socket) {}
    ~TTmux() { tmux({QStringLiteral("kill-server")}); }

    QString tmux(const QStringList& args) const
    {
        QProcess p;
        p.start(QStringLiteral("tmux"), QStringList{QStringLiteral("-S"), m_socket} + args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    bool Start(int columns, int lines, const QString& command) const
    {
        tmux({QStringLiteral("-f"), QStringLiteral("/dev/null"), QStringLiteral("new-session"), QStringLiteral("-d"),
              QStringLiteral("-x"), QString::number(columns), QStringLiteral("-y"), QString::number(lines), command});
        tmux({QStringLiteral("set-option"), QStringLiteral("-g"), QStringLiteral("remain-on-exit"),
              QStringLiteral("on")});
        return !tmux({QStringLiteral("list-panes"), QStringLiteral("-F"), QStringLiteral("#{pane_width}")}).isEmpty();
    }
    // The screen, wrapped lines joined; with history, the scrolled-off
    // lines above it too.
    QStringList Screen(bool history = false) const
    {
        QStringList args{QStringLiteral("capture-pane"), QStringLiteral("-p"), QStringLiteral("-J")};
        if (history)
            args << QStringLiteral("-S") << QStringLiteral("-");
        return tmux(args).split(u'\n');
    }
    QString PaneSize() const
    {
        return tmux({QStringLiteral("display-message"), QStringLiteral("-p"),
                     QStringLiteral("#{pane_width}x#{pane_height}")})
            .trimmed();
    }

private:
    QString m_socket;
};

}  // namespace

class TestFlashTerminal : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("tmux")).isEmpty())
            QFAIL("tmux is needed (bash setup.sh installs it)");
    }

    void board_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("devices");
        QTest::addColumn<bool>("station");
        QTest::addColumn<bool>("resized");  // to 40x10 while it runs
        for (const auto& [c, l] : {std::pair{80, 24}, {40, 10}})
            for (const int n : {8, 16})
                QTest::addRow("%dx%d, %d devices", c, l, n) << c << l << n << false << false;
        QTest::addRow("40x10, 16 devices, station") << 40 << 10 << 16 << true << false;
        QTest::addRow("80x24 to 40x10, 16 devices, station") << 80 << 24 << 16 << true << true;
        // The one device of the original form: its progress line on a narrow
        // terminal.
        QTest::addRow("40x10, one device") << 40 << 10 << 1 << false << false;
    }

    // Every screen while it runs: each device at most once, no line wider
    // than the terminal; at the end the table names every device once, with
    // its outcome, and none of its lines is wider either.
    void board()
    {
        QFETCH(int, columns);
        QFETCH(int, lines);
        QFETCH(int, devices);
        QFETCH(bool, station);
        QFETCH(bool, resized);
        QTemporaryDir dir;
        std::vector<std::unique_ptr<TDevicePeer>> peers;
        std::vector<std::unique_ptr<TBootLoaderPeer>> loaders;
        TBootLoaderPeer::Script slow;
        slow.ackDelayMs = 60;
        QStringList args{QStringLiteral("--settings"), dir.filePath(QStringLiteral("none.ini"))};
        QStringList names;
        for (int i = 0; i < devices; ++i) {
            peers.push_back(std::make_unique<TDevicePeer>());
            // On the widest board the first device has a block rejected
            // twice: its row shows the notice until the block is accepted.
            TBootLoaderPeer::Script script = slow;
            if (i == 0 && columns == 80 && !station) {
                script.rejections[2] = 2;
                script.ackDelayMs = 150;
            }
            loaders.push_back(std::make_unique<TBootLoaderPeer>(*peers.back(), kBlock, script));
            // Named as udev names adapters, the unit's number at the end.
            names << dir.filePath(QStringLiteral("usb-FTDI_FT232R_USB_UART_A9X3K%1").arg(i, 2, 10, QLatin1Char('0')));
            QVERIFY(QFile::link(peers.back()->SlavePath(), names.last()));
            if (devices > 1)
                args << QStringLiteral("--device");
            args << names.last();
        }
        if (station)
            args << QStringLiteral("--station");
        QFile rom(dir.filePath(QStringLiteral("fw.rom")));
        QVERIFY(rom.open(QIODevice::WriteOnly));
        rom.write(flashtool::RomText(flashtool::Words()));
        rom.close();
        args << rom.fileName();
        QString command = QStringLiteral("exec sh -c 'trap : INT; ") + kTool;
        for (const QString& a : args)
            command += QStringLiteral(" \"") + a + u'"';
        command += QStringLiteral("; echo EXIT=$?; exec sleep 60'");

        TTmux tmux(dir.filePath(QStringLiteral("tmux.sock")));
        QVERIFY(tmux.Start(columns, lines, command));
        QCOMPARE(tmux.PaneSize(), QStringLiteral("%1x%2").arg(columns).arg(lines));
        const auto id = [](int i) { return QStringLiteral("A9X3K%1").arg(i, 2, 10, QLatin1Char('0')); };
        const auto check = [&](const QStringList& screen, const char* when) {
            for (const QString& line : screen)
                QVERIFY2(line.size() <= columns, qPrintable(QString::fromLatin1(when) + u'\n' + screen.join(u'\n')));
            for (int i = 0; i < devices; ++i)
                QVERIFY2(screen.filter(id(i)).size() <= 1,
                         qPrintable(QString::fromLatin1(when) + u' ' + id(i) + u'\n' + screen.join(u'\n')));
        };
        QElapsedTimer clock;
        clock.start();
        int screens = 0;
        bool ended = false, noticeSeen = false;
        while (clock.elapsed() < 20000) {
            const QStringList screen = tmux.Screen();
            if (screen.join(u'\n').contains(QLatin1String("EXIT="))) {
                ended = true;
                break;
            }
            check(screen, "while running");
            if (columns == 80 && !station) {
                // "ab Byte 256 - 2. Versuch" while block 2 goes out again;
                // gone once later blocks have been accepted.
                const QStringList row = screen.filter(id(0));
                const bool notice = !row.isEmpty() && row[0].contains(QLatin1String("Versuch"));
                const int received = loaders[0]->BlocksReceived();
                noticeSeen = noticeSeen || notice;
                QVERIFY2(!(notice && received >= 7 && loaders[0]->Flash().size() < 11 * kBlock),
                         qPrintable(screen.join(u'\n')));
            }
            if (QTest::currentTestFailed())
                return;
            ++screens;
            if (resized && screens == 3 && columns != 40) {
                // The terminal reflows what is on it and moves the top of a
                // taller screen into its scrollback; the board follows at its
                // next redraw.
                tmux.tmux({QStringLiteral("resize-window"), QStringLiteral("-x"), QStringLiteral("40"),
                           QStringLiteral("-y"), QStringLiteral("10")});
                QTRY_COMPARE_WITH_TIMEOUT(tmux.PaneSize(), QStringLiteral("40x10"), 2000);
                columns = 40;
                QTest::qWait(300);
                continue;
            }
            if (station) {
                bool all = true;
                for (const auto& l : loaders)
                    all = all && l->Flash().size() == 11 * kBlock;
                if (all && clock.elapsed() > 500) {
                    tmux.tmux({QStringLiteral("send-keys"), QStringLiteral("C-c")});
                    station = false;
                }
            }
            QTest::qWait(50);
        }
        QVERIFY2(ended, qPrintable(tmux.Screen(true).join(u'\n')));
        QVERIFY(screens >= 5);
        QVERIFY(noticeSeen || columns != 80 || station);
        QStringList all = tmux.Screen(true);
        if (resized) {
            // What the terminal itself moved into the scrollback is left
            // out: the table and what follows it.
            const qsizetype table = all.lastIndexOf(QStringLiteral("device"));
            QVERIFY(table >= 0);
            all = all.mid(table);
        }
        check(all, "at the end, with the history");
        const QString text = all.join(u'\n');
        QVERIFY2(text.contains(QLatin1String("EXIT=0")), qPrintable(text));
        QVERIFY2(text.count(QLatin1String("Firmware-Update OK")) == devices, qPrintable(text));
        if (devices == 1)
            return;  // no table: its outcome alone
        for (int i = 0; i < devices; ++i)
            QVERIFY2(all.filter(id(i)).size() == 1, qPrintable(id(i) + u'\n' + text));
    }
};

QTEST_GUILESS_MAIN(TestFlashTerminal)
#include "tst_flashterminal.moc"
