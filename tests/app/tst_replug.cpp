// The adapter pulled and plugged in again while a timed job runs, with the
// real window on the real event loop: the port's device file is a link to a
// pseudo-terminal peer that goes with the peer and comes back with a new one.
// The job goes on after each replug, and every line is where it belongs.
// Also the port list's context menu, driven with real mouse and keys.
#include "app/IniFile.h"
#include "serial/PortLink.h"
#include "support/Harness.h"
#include "support/ItemMenu.h"
#include "support/ModemLinesHook.h"
#include "support/TtyFaults.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Plays a USB adapter: a device peer behind a link that the settings file
// names for Com3. Each plug is a new peer; its replies name it.
struct TAdapter {
    QString link;
    QByteArray identification = "#01.00.01\r";
    std::unique_ptr<TDevicePeer> peer;
    std::vector<std::unique_ptr<TDevicePeer>> gone;  // their pty numbers stay taken
    int plugs = 0;

    void plug()
    {
        peer = std::make_unique<TDevicePeer>();
        const int n = plugs++;
        auto count = std::make_shared<std::atomic<int>>(0);
        peer->SetLineHandler([n, count, id = identification](const QByteArray& line) -> QByteArray {
            if (line == "{+}h")
                return id;
            const QByteArray tag = QByteArray::number(n) + '.' + QByteArray::number(++*count);
            if (line == "{+}gsminfo")
                return "CSQ " + tag + "\r";
            if (line == "{+}HEARTBEAT")
                return "HB OK " + tag + "\r";
            if (line.startsWith("{1}TRIG="))
                return "TRIG OK " + tag + "\r";
            return QByteArray();
        });
        QFile::remove(link);
        QVERIFY(QFile::link(peer->SlavePath(), link));
    }
    void unplug()
    {
        peer->Vanish();
        QVERIFY(QFile::remove(link));
        gone.push_back(std::move(peer));
    }
};

struct TJob {
    const char* tag;
    QByteArray request;  // what the job sends
    QString reply;       // what the device answers, before its tag
    std::function<void(TFormMain&, TScriptedDialogs&, const QString& dir)> start;
};

// The timed jobs at a quicker pace, on their own timers: the endurance run
// re-arms at 30 s and is brought down to 100 ms whenever it does.
std::vector<TJob> Jobs()
{
    return {
        {"endurance run", "{+}gsminfo\r", QStringLiteral("CSQ "),
         [](TFormMain& form, TScriptedDialogs& dialogs, const QString& dir) {
             dialogs.files.enqueue(dir + QStringLiteral("/run.pro"));
             form.findChild<QPushButton*>(QStringLiteral("ButtonDauerlauf"))->click();
             auto* pace = new QTimer(&form);
             QObject::connect(pace, &QTimer::timeout, &form, [&form] {
                 if (form.Timer4.isActive() && form.Timer4.interval() >= 2000)
                     form.Timer4.setInterval(100);
             });
             pace->start(10);
         }},
        {"heartbeat", "{+}HEARTBEAT\r", QStringLiteral("HB OK "),
         [](TFormMain& form, TScriptedDialogs&, const QString&) {
             form.findChild<QAction*>(QStringLiteral("VigiloGSMNEU1"))->trigger();
             form.findChild<QCheckBox*>(QStringLiteral("VGGSMNEU_CB_HBPERIODIC"))->click();
             form.HeartbeatTimer.setInterval(15);
         }},
        {"cyclic trigger", "{1}TRIG=", QStringLiteral("TRIG OK "),
         [](TFormMain& form, TScriptedDialogs&, const QString&) {
             form.EditTrig()->SetValue(1);
             form.TrigStartBtnClick();
             form.Timer1.setInterval(100);
         }},
    };
}

// A left click on the entry's circle, where the user clicks.
void ClickEntry(TRadioGroup* list, int index)
{
    QRadioButton* b = list->Button(index);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->height() / 2, b->height() / 2));
}

// CPU time of this process so far, in seconds, as the kernel counts it.
double CpuSeconds()
{
    QFile f(QStringLiteral("/proc/self/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    // After "pid (name) ", state is the third field; user and system time
    // are the 14th and 15th.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}

// A "Ports" section that maps Com3 to com3 and every other entry to
// nowhere, so that a scan is quick.
QByteArray PortsTo(const QString& com3, const QString& nowhere)
{
    QByteArray ports = "[Ports]\r\n";
    for (int n = 1; n <= 24; ++n)
        ports += "Com" + QByteArray::number(n) + '=' + QFile::encodeName(n == 3 ? com3 : nowhere) + "\r\n";
    return ports;
}

// Lines of the log that hold text.
qsizetype Count(const TFormMain& form, const QString& text) { return LogLines(form).filter(text).size(); }

const QString kGone = QStringLiteral("Com3: Gerät getrennt (");
const QString kBack = QStringLiteral("Com3: Gerät wieder da, Schnittstelle wieder offen mit ");
const QString kBackShut = QStringLiteral("Com3: Gerät wieder da, aber die Schnittstelle öffnet nicht");

// The tags of the job's replies in the log, in order: "0.1", "0.2", "1.1" ...
QStringList ReplyTags(const QStringList& lines, const QString& reply)
{
    QStringList tags;
    for (const QString& line : lines) {
        const qsizetype at = line.indexOf(reply);
        if (at >= 0 && line.contains(QLatin1String("<---")))
            tags << line.mid(at + reply.size());
    }
    return tags;
}

}  // namespace

class TestReplug : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    void jobGoesOnAcrossReplugs_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(Jobs().size()); ++i)
            QTest::newRow(Jobs()[size_t(i)].tag) << i;
    }

    void jobGoesOnAcrossReplugs()
    {
        QFETCH(int, row);
        const TJob job = Jobs()[size_t(row)];
        TScriptedDialogsScope scope;
        TAdapter adapter;
        adapter.link = m_dir.filePath(QStringLiteral("adapter%1").arg(row));
        WriteTestSettings("[Misc]\r\nCOM=0\r\n[Ports]\r\nCom3=" + adapter.link.toUtf8() + "\r\n");
        adapter.plug();

        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TRadioGroup* list = form.RadioGroupCOM();
        QVERIFY(list->ItemPresent(2));
        QVERIFY(!list->ItemPresent(3));
        ClickEntry(list, 2);
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("Com3 = connected"));
        QCOMPARE(form.ActivePanel, QStringLiteral("VigiloGSM"));

        job.start(form, *scope.dialogs, m_dir.path());
        auto replies = [&] { return ReplyTags(LogLines(form), job.reply); };
        auto repliesFrom = [&](int plug) {
            return replies().filter(QRegularExpression(QStringLiteral("^%1\\.").arg(plug))).size();
        };
        QVERIFY2(PumpUntil([&] { return repliesFrom(0) >= 2; }, 5000), qPrintable(LogLines(form).join('\n')));

        for (int round = 1; round <= 2; ++round) {
            adapter.unplug();
            // The port or the watcher may tell first; the list follows within a second.
            QVERIFY(PumpUntil([&] { return form.PortLink()->Waiting() && !list->ItemPresent(2); }, 1000));
            QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("Com3 = Gerät getrennt, warte"));
            QCOMPARE(list->ItemIndex(), 2);  // the choice stays
            // The gap: the job holds its sends, nothing is said about them.
            Pump(400);
            QVERIFY(form.PortLink()->Waiting());

            QElapsedTimer sincePlug;
            sincePlug.start();
            adapter.plug();
            TDevicePeer& peer = *adapter.peer;
            // Identified again as before, then the job's next send.
            QVERIFY(PumpUntil([&] { return peer.Received().contains(job.request); }, 5000));
            const qint64 resumedMs = sincePlug.elapsed();
            qInfo("%s, replug %d: job resumed %lld ms after the plug", job.tag, round, resumedMs);
            QVERIFY2(resumedMs < 3000, qPrintable(QString::number(resumedMs)));
            QVERIFY(peer.Received().startsWith("{+}h\r"));
            QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("Com3 = connected"));
            QVERIFY(list->ItemPresent(2));
            QVERIFY(PumpUntil([&] { return repliesFrom(round) >= 2; }, 5000));
        }
        form.Timer1.stop();
        form.Timer4.stop();
        form.HeartbeatTimer.stop();
        Pump(50);

        // One line for each going and each coming back, no message box.
        const QStringList lines = LogLines(form);
        QCOMPARE(lines.filter(kGone + adapter.link).size(), 2);
        QCOMPARE(lines.filter(kBack + QStringLiteral("9600 bit/s")).size(), 2);
        QVERIFY(lines.filter(QStringLiteral("nicht gesendet")).isEmpty());
        QVERIFY(scope.dialogs->Texts(QStringLiteral("info")).isEmpty());
        QVERIFY(scope.dialogs->Texts(QStringLiteral("error")).isEmpty());
        QVERIFY(scope.dialogs->Texts(QStringLiteral("warning")).isEmpty());

        // Each adapter's replies in the order they came, the adapters in turn.
        const QStringList tags = replies();
        for (int i = 1; i < tags.size(); ++i) {
            const auto [plugA, countA] =
                std::pair(tags[i - 1].section(u'.', 0, 0).toInt(), tags[i - 1].section(u'.', 1).toInt());
            const auto [plugB, countB] =
                std::pair(tags[i].section(u'.', 0, 0).toInt(), tags[i].section(u'.', 1).toInt());
            QVERIFY2(plugB > plugA || (plugB == plugA && countB == countA + 1), qPrintable(tags.join(u' ')));
        }

        // The protocol of the endurance run holds every reply the log holds,
        // in the same order, and is still being written.
        if (job.reply == QLatin1String("CSQ ")) {
            QVERIFY(form.StampCapture && form.DataFileOpen());
            form.CloseDataFile();
            const QStringList file = QString::fromLatin1(FileBytes(m_dir.filePath(QStringLiteral("run.pro"))))
                                         .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
            QCOMPARE(ReplyTags(file, job.reply), tags);
        }
    }

    // An adapter with a loose contact comes and goes every 150 ms, then stays:
    // one line per going and per coming back, never a message box, the
    // protocol file keeps growing and the run goes on. Then another adapter
    // (another by-id name) in its socket: the wait ends, the other adapter
    // is left alone.
    void looseContactThenAnotherAdapter()
    {
        TScriptedDialogsScope scope;
        const QString byIdDir = m_dir.filePath(QStringLiteral("loose-by-id"));
        QVERIFY(QDir().mkpath(byIdDir));
        TAdapter adapter;
        adapter.link = m_dir.filePath(QStringLiteral("loose-ttyUSB0"));
        const QString nameA = byIdDir + QStringLiteral("/usb-Maker_A-if00-port0");
        auto plugA = [&] {
            adapter.plug();
            QFile::remove(nameA);
            QVERIFY(QFile::link(adapter.peer->SlavePath(), nameA));
        };
        auto unplugA = [&] {
            QFile::remove(nameA);
            adapter.unplug();
        };
        WriteTestSettings("[Misc]\r\nCOM=0\r\n[Ports]\r\nCom3=" + adapter.link.toUtf8() + "\r\n");
        plugA();
        TFormMain form;
        TPortFolders folders = form.PortLink()->Watcher().Folders();
        folders.byId = byIdDir;
        form.PortLink()->Watcher().SetFolders(folders);
        form.RadioGroupCOM()->SetItemIndex(2);
        QCOMPARE(form.ActivePanel, QStringLiteral("VigiloGSM"));
        Jobs()[0].start(form, *scope.dialogs, m_dir.path());
        const QString protocol = m_dir.filePath(QStringLiteral("run.pro"));
        QVERIFY(PumpUntil([&] { return FileBytes(protocol).contains("CSQ 0.1"); }, 5000));
        const QByteArray first = FileBytes(protocol);

        for (int i = 0; i < 5; ++i) {
            unplugA();
            Pump(150);
            plugA();
            Pump(150);
        }
        const int plugs = adapter.plugs;
        QVERIFY(PumpUntil([&] { return FileBytes(protocol).contains("CSQ " + QByteArray::number(plugs - 1) + ".1"); },
                          5000));
        const QByteArray before = FileBytes(protocol);
        QVERIFY(before.startsWith(first));  // nothing lost or cut
        const QStringList lines = LogLines(form);
        const qsizetype goings = lines.filter(kGone).size();
        const qsizetype comings = lines.filter(kBack).size();
        qInfo("5 pulls: %lld lines of going, %lld of coming back", qlonglong(goings), qlonglong(comings));
        QVERIFY2(goings == 5 && comings == 5, qPrintable(lines.join(u'\n')));
        QVERIFY(scope.dialogs->shown.size() == 1);  // the protocol file's chooser only
        QVERIFY(form.ComPort.Connected());

        // Another adapter where A was.
        unplugA();
        QVERIFY(PumpUntil([&] { return form.PortLink()->Waiting(); }));
        adapter.plug();
        QVERIFY(QFile::link(adapter.peer->SlavePath(), byIdDir + QStringLiteral("/usb-Maker_B-if00-port0")));
        QVERIFY(PumpUntil([&] { return !form.PortLink()->Waiting(); }));
        QCOMPARE(LogLines(form)
                     .filter(QStringLiteral("Com3: jetzt ist ein anderer Adapter da (usb-Maker_B-if00-port0); "
                                            "warte nicht mehr auf usb-Maker_A-if00-port0"))
                     .size(),
                 1);
        QCOMPARE(form.RadioGroupCOM()->ItemIndex(), -1);
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("disconnected"));
        Pump(300);
        QCOMPARE(adapter.peer->Received(), QByteArray());
        QVERIFY(FileBytes(protocol).startsWith(before));
        form.Timer4.stop();
    }

    // Right click on an entry, as the user does it: pin the adapter behind it
    // to the entry by its stable name, then unpin it; the settings file
    // changes in that one line only. An entry without a device looks absent
    // and still opens (and says why it does not).
    void pinAndUnpinFromTheContextMenu()
    {
        TScriptedDialogsScope scope;
        TDevicePeer peer;
        const QString byIdDir = m_dir.filePath(QStringLiteral("by-id"));
        QVERIFY(QDir().mkpath(byIdDir));
        const QString node = m_dir.filePath(QStringLiteral("ttyUSB0"));
        const QString name = QStringLiteral("usb-Maker_Cable_X1-if00-port0");
        QVERIFY(QFile::link(peer.SlavePath(), node));
        QVERIFY(QFile::link(peer.SlavePath(), byIdDir + u'/' + name));
        const QByteArray missing = m_dir.filePath(QStringLiteral("ttyUSB9")).toUtf8();
        const QByteArray before =
            "; my ports\r\n[Misc]\r\nCOM=0\r\n[Ports]\r\nCom5=" + node.toUtf8() + "\r\nCom6=" + missing + "\r\n";
        WriteTestSettings(before);

        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TPortFolders folders = form.PortLink()->Watcher().Folders();
        folders.byId = byIdDir;
        form.PortLink()->Watcher().SetFolders(folders);
        TRadioGroup* list = form.RadioGroupCOM();
        QVERIFY(PumpUntil([&] { return list->Button(4)->toolTip().contains(QStringLiteral("by-id: ") + name); }));
        QVERIFY(list->ItemPresent(4));
        QVERIFY(!list->ItemPresent(5));
        QCOMPARE(list->Button(5)->toolTip(), QString::fromUtf8(missing) + QStringLiteral(" — kein Gerät"));
        // A screen reader hears what the tool tip shows.
        QCOMPARE(list->Button(5)->accessibleDescription(), list->Button(5)->toolTip());
        QCOMPARE(list->Button(4)->accessibleDescription(), list->Button(4)->toolTip());
        ClickEntry(list, 5);
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("disconnected"));
        QVERIFY(list->Button(5)->toolTip().contains(QStringLiteral("kein solches Gerät")));
        QCOMPARE(list->Button(5)->accessibleDescription(), list->Button(5)->toolTip());
        QVERIFY(!form.PortLink()->Waiting());
        // A device that comes there since is named, not why it failed before.
        TDevicePeer late;
        QVERIFY(QFile::link(late.SlavePath(), QString::fromUtf8(missing)));
        QVERIFY(PumpUntil([&] { return list->ItemPresent(5); }));
        QCOMPARE(list->Button(5)->toolTip(), QString::fromUtf8(missing) + QStringLiteral(" → ") + late.SlavePath());
        QCOMPARE(list->Button(5)->accessibleDescription(), list->Button(5)->toolTip());
        QVERIFY(QFile::remove(QString::fromUtf8(missing)));
        QVERIFY(PumpUntil([&] { return !list->ItemPresent(5); }));

        // Chooses the menu entry starting with caption from the context menu
        // of entry index, with the arrow keys and Enter.
        auto choose = [&](int index, const QString& caption) {
            QVERIFY2(PickFromItemMenu(form, *list, index, caption), qPrintable(caption));
            QVERIFY(PumpUntil([&] { return !QApplication::activePopupWidget(); }));
        };

        choose(4, QStringLiteral("diesen Adapter fest an Com5 binden"));
        QByteArray pinned = before;
        pinned.replace("Com5=" + node.toUtf8(), "Com5=" + (byIdDir + u'/' + name).toUtf8());
        QCOMPARE(FileBytes(TestSettingsFile()), pinned);
        QVERIFY(list->ItemPresent(4));
        QVERIFY(list->Button(4)->toolTip().startsWith(byIdDir + u'/' + name + QStringLiteral(" → ")));

        // The adapter is also on offer for the empty entry.
        choose(5, QStringLiteral("Bindung von Com6 lösen"));
        QByteArray unpinned = pinned;
        unpinned.replace("Com6=" + missing + "\r\n", "");
        QCOMPARE(FileBytes(TestSettingsFile()), unpinned);
        choose(4, QStringLiteral("Bindung von Com5 lösen"));
        unpinned.replace("Com5=" + (byIdDir + u'/' + name).toUtf8() + "\r\n", "");
        QCOMPARE(FileBytes(TestSettingsFile()), unpinned);
        QVERIFY(list->Button(4)->toolTip().startsWith(QStringLiteral("/dev/ttyUSB0")));
    }

    // The line hangs up while its node stays (TIOCVHANGUP on the slave, as a
    // USB pull before udev removes the node or a dropped Bluetooth link):
    // seen at once, one line for the going and one for the coming back, the
    // device identified again. Then a line that hangs up every 300 ms for
    // 10 s. Then
    // one that stays hung up and refuses opens (EIO) for 10 s: the port
    // holds no descriptor that spins, the tries say so once and name the
    // cause, the running log file gets it whole; once the device opens
    // again the port is back within the slow pace of the tries.
    void hungUpLine()
    {
        TScriptedDialogsScope scope;
        TAdapter adapter;
        adapter.link = m_dir.filePath(QStringLiteral("hangup"));
        const QString logFile = m_dir.filePath(QStringLiteral("running.log"));
        WriteTestSettings("[Misc]\r\nCOM=0\r\nLogFile=" + logFile.toUtf8()
                          + "\r\n[Ports]\r\nCom3=" + adapter.link.toUtf8() + "\r\n");
        adapter.plug();
        TFormMain form;
        form.RadioGroupCOM()->SetItemIndex(2);
        QCOMPARE(form.ActivePanel, QStringLiteral("VigiloGSM"));
        TDevicePeer& peer = *adapter.peer;
        const QString slave = peer.SlavePath();
        QCOMPARE(peer.Received(), QByteArray("{+}h\r"));

        QElapsedTimer clock;
        clock.start();
        QVERIFY(HangUpTty(slave));
        QVERIFY(PumpUntil([&] { return Count(form, kGone) == 1; }, 1000));
        qInfo("hang-up seen after %lld ms", clock.elapsed());
        QVERIFY(PumpUntil([&] { return Count(form, kBack) == 1; }, 1000));
        QVERIFY(PumpUntil([&] { return peer.Received() == "{+}h\r{+}h\r"; }, 1000));
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("Com3 = connected"));

        // A line that hangs up every 300 ms: one going and one coming back
        // each time, one identification each time.
        constexpr int kFlaps = 33;  // 10 s
        for (int i = 0; i < kFlaps; ++i) {
            QElapsedTimer flap;
            flap.start();
            QVERIFY(HangUpTty(slave));
            QVERIFY(PumpUntil([&] { return Count(form, kBack) == 2 + i; }, 1000));
            Pump(int(qMax<qint64>(0, 300 - flap.elapsed())));
        }
        Pump(200);
        QCOMPARE(Count(form, kGone), 1 + kFlaps);
        QCOMPARE(Count(form, kBack), 1 + kFlaps);
        QCOMPARE(peer.Received().count("{+}h\r"), 2 + kFlaps);
        QVERIFY(form.ComPort.Connected());

        // Hung up and refusing opens: held for 10 s.
        QVERIFY(HangUpTty(slave, true));
        QVERIFY(PumpUntil([&] { return Count(form, kBackShut) == 1; }, 1000));
        QCOMPARE(Count(form, kGone), 2 + kFlaps);
        const QString failure = LogLines(form).filter(kBackShut).first();
        QVERIFY2(failure.contains(QStringLiteral("Ein-/Ausgabefehler")), qPrintable(failure));
        QVERIFY(form.PortLink()->Waiting());
        QVERIFY2(form.RadioGroupCOM()->Button(2)->toolTip().contains(QStringLiteral("Ein-/Ausgabefehler")),
                 qPrintable(form.RadioGroupCOM()->Button(2)->toolTip()));
        // What the port costs while it waits, without the window's own
        // seconds timer (its status bar clock), as bench_replug's idle figure.
        form.Timer1.stop();
        const double cpuBefore = CpuSeconds();
        QElapsedTimer held;
        held.start();
        QEventLoop loop;
        QTimer::singleShot(10000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        const double share = (CpuSeconds() - cpuBefore) / (double(held.elapsed()) / 1000);
        qInfo("hung-up line held for %.1f s: %.2f %% of a core", double(held.elapsed()) / 1000, 100 * share);
        QVERIFY2(share < 0.01, qPrintable(QString::number(100 * share)));
        // The tries were silent.
        QCOMPARE(Count(form, kBackShut), 1);
        QCOMPARE(Count(form, kGone), 2 + kFlaps);
        QCOMPARE(Count(form, kBack), 1 + kFlaps);

        const qsizetype asked = peer.Received().count("{+}h\r");
        QVERIFY(LockPty(slave, false));
        clock.restart();
        QVERIFY(PumpUntil([&] { return Count(form, kBack) == 2 + kFlaps; }, TLinkKeeper::kSlowRetryMs + 1000));
        qInfo("open again %lld ms after the device let it", clock.elapsed());
        QVERIFY(PumpUntil([&] { return peer.Received().count("{+}h\r") == asked + 1; }, 1000));
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("Com3 = connected"));
        QVERIFY(!form.RadioGroupCOM()->Button(2)->toolTip().contains(QStringLiteral("Ein-/Ausgabefehler")));
        QVERIFY(scope.dialogs->shown.isEmpty());

        // Every line reached the running log file as it is, in its 8-bit code.
        Pump(100);
        const QByteArray file = FileBytes(logFile);
        QVERIFY(file.contains(failure.toLatin1()));
        QVERIFY2(!file.contains('?'), file.constData());
    }

    // The link turned to a new device in one step (rename), the old one
    // closed right after, with the heartbeat sending every 15 ms: one going,
    // one coming back and one identification for each replacement, whether
    // the port or a failed send tells first.
    void replacedAtOnce()
    {
        TScriptedDialogsScope scope;
        TAdapter adapter;
        adapter.link = m_dir.filePath(QStringLiteral("turned"));
        WriteTestSettings("[Misc]\r\nCOM=0\r\n[Ports]\r\nCom3=" + adapter.link.toUtf8() + "\r\n");
        adapter.plug();
        TFormMain form;
        form.RadioGroupCOM()->SetItemIndex(2);
        Jobs()[1].start(form, *scope.dialogs, m_dir.path());
        QVERIFY(PumpUntil([&] { return adapter.peer->Received().contains("{+}HEARTBEAT\r"); }, 3000));
        for (int round = 1; round <= 5; ++round) {
            auto next = std::make_unique<TDevicePeer>();
            next->AnswerIdentification("#01.00.01");
            const QString turning = adapter.link + QStringLiteral(".new");
            QVERIFY(QFile::link(next->SlavePath(), turning));
            QCOMPARE(std::rename(QFile::encodeName(turning).constData(), QFile::encodeName(adapter.link).constData()),
                     0);
            adapter.peer->Vanish();
            adapter.gone.push_back(std::move(adapter.peer));
            adapter.peer = std::move(next);
            // Every other time a send finds the old descriptor dead before
            // the port's own notice of it is handled.
            if (round % 2)
                form.Send(QStringLiteral("GET"));
            QVERIFY(PumpUntil([&] { return Count(form, kBack) == round; }, 2000));
            // Time for any late news of the old descriptor.
            Pump(300);
            QCOMPARE(Count(form, kGone), round);
            QCOMPARE(Count(form, kBack), round);
            QCOMPARE(adapter.peer->Received().count("{+}h\r"), 1);
            QVERIFY(form.ComPort.Connected());
        }
        form.HeartbeatTimer.stop();
        QVERIFY(scope.dialogs->shown.isEmpty());
    }

    // The panel the technician chose stays through a replug where the
    // device answers with the family it had, and the line is as it was
    // (rate and DTR of the Lupino panel); another family changes the panel
    // as a selection does.
    void panelAndLineStay()
    {
        TScriptedDialogsScope scope;
        TAdapter adapter;
        adapter.link = m_dir.filePath(QStringLiteral("panel"));
        WriteTestSettings("[Misc]\r\nCOM=0\r\n[Ports]\r\nCom3=" + adapter.link.toUtf8() + "\r\n");
        adapter.identification = "#80.00.00\r";
        adapter.plug();
        TFormMain form;
        form.RadioGroupCOM()->SetItemIndex(2);
        QCOMPARE(form.ActivePanel, QStringLiteral("GPSDataLogger"));
        QCOMPARE(PtyModemLines(adapter.peer->SlavePath()) & TIOCM_DTR, 0);
        form.findChild<QAction*>(QStringLiteral("Lupino1"))->trigger();
        QCOMPARE(form.ActivePanel, QStringLiteral("Lupino"));
        QCOMPARE(adapter.peer->SlaveBaud(), 38400);
        QCOMPARE(PtyModemLines(adapter.peer->SlavePath()) & TIOCM_DTR, TIOCM_DTR);

        adapter.unplug();
        QVERIFY(PumpUntil([&] { return form.PortLink()->Waiting(); }, 1000));
        adapter.plug();
        QVERIFY(PumpUntil([&] { return adapter.peer->Received() == "{+}h\r"; }, 3000));
        QVERIFY(PumpUntil([&] { return Count(form, kBack + QStringLiteral("38400 bit/s")) == 1; }, 1000));
        Pump(600);  // the identification's wait is over
        QCOMPARE(form.ActivePanel, QStringLiteral("Lupino"));
        QCOMPARE(adapter.peer->SlaveBaud(), 38400);
        QCOMPARE(PtyModemLines(adapter.peer->SlavePath()) & TIOCM_DTR, TIOCM_DTR);
        QCOMPARE(form.RadioGroupCOMconnect()->Item(2), QStringLiteral("#80.00.00  (= Trakka)"));

        // VigiloGSMNEU, chosen for a Vigilo-GSM; back with another family.
        adapter.identification = "#01.00.01\r";
        adapter.unplug();
        QVERIFY(PumpUntil([&] { return form.PortLink()->Waiting(); }, 1000));
        form.RadioGroupCOM()->SetItemIndex(-1);
        adapter.plug();
        form.RadioGroupCOM()->SetItemIndex(2);
        QCOMPARE(form.ActivePanel, QStringLiteral("VigiloGSM"));
        form.findChild<QAction*>(QStringLiteral("VigiloGSMNEU1"))->trigger();
        for (const QByteArray& family : {QByteArray("#01.00.01\r"), QByteArray("#09.00.00\r")}) {
            adapter.identification = family;
            adapter.unplug();
            QVERIFY(PumpUntil([&] { return form.PortLink()->Waiting(); }, 1000));
            adapter.plug();
            QVERIFY(PumpUntil([&] { return adapter.peer->Received() == "{+}h\r"; }, 3000));
            QVERIFY(PumpUntil([&] { return !form.RadioGroupCOMconnect()->Item(2).isEmpty(); }, 1000));
            QCOMPARE(form.ActivePanel,
                     family.startsWith("#01") ? QStringLiteral("VigiloGSMNEU") : QStringLiteral("Zerbo"));
        }
        QVERIFY(scope.dialogs->shown.isEmpty());
    }

    // A scan or another port chosen during the wait ends it: the log and
    // the status bar say so, and the device coming back is left alone.
    void waitEndedByScanOrAnotherPort_data()
    {
        QTest::addColumn<bool>("scan");
        QTest::newRow("scan") << true;
        QTest::newRow("another port") << false;
    }
    void waitEndedByScanOrAnotherPort()
    {
        QFETCH(bool, scan);
        TScriptedDialogsScope scope;
        TAdapter adapter;
        adapter.link = m_dir.filePath(scan ? QStringLiteral("scanned") : QStringLiteral("left"));
        // The other ports lead nowhere, so that the scan is quick.
        WriteTestSettings("[Misc]\r\nCOM=0\r\n" + PortsTo(adapter.link, m_dir.filePath(QStringLiteral("nothing"))));
        adapter.plug();
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.RadioGroupCOM()->SetItemIndex(2);
        adapter.unplug();
        QVERIFY(PumpUntil([&] { return form.PortLink()->Waiting(); }, 1000));
        if (scan)
            form.findChild<QPushButton*>(QStringLiteral("ButtonScan"))->click();
        else
            ClickEntry(form.RadioGroupCOM(), 5);
        QVERIFY(!form.PortLink()->Waiting());
        const QString ended = scan ? QStringLiteral("Com3: Warten auf das Gerät beendet, die Suche beginnt")
                                   : QStringLiteral("Com3: Warten auf das Gerät beendet, eine andere Schnittstelle "
                                                    "ist gewählt");
        QCOMPARE(Count(form, ended), 1);
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("disconnected"));
        adapter.plug();
        Pump(500);
        QCOMPARE(adapter.peer->Received(), QByteArray());
        QCOMPARE(Count(form, kBack), 0);
    }

    // A by-id link that a slow udev has left behind leads to the node that
    // another adapter has now; the kernel's serial number tells it apart:
    // the wait ends and the port stays off the other adapter.
    void staleByIdLinkNotTakenForTheAdapter()
    {
        TScriptedDialogsScope scope;
        const QString byIdDir = m_dir.filePath(QStringLiteral("stale-by-id"));
        const QString ttyClass = m_dir.filePath(QStringLiteral("stale-class"));
        QVERIFY(QDir().mkpath(byIdDir));
        TAdapter adapter;
        adapter.link = m_dir.filePath(QStringLiteral("stale-ttyUSB0"));
        // An adapter with this serial number at the node; the kernel tells
        // of its USB device before the node appears.
        auto plug = [&](const QString& serial) {
            adapter.peer = std::make_unique<TDevicePeer>();
            const QString dir =
                ttyClass + u'/' + adapter.peer->SlavePath().section(u'/', -1) + QStringLiteral("/device");
            QVERIFY(QDir().mkpath(dir));
            PutFile(dir + QStringLiteral("/idVendor"), "0403\n");
            PutFile(dir + QStringLiteral("/idProduct"), "6001\n");
            PutFile(dir + QStringLiteral("/serial"), serial.toUtf8() + '\n');
            QVERIFY(QFile::link(adapter.peer->SlavePath(), adapter.link));
        };
        const QString nameA = QStringLiteral("usb-FTDI_FT232R_USB_UART_A1-if00-port0");
        WriteTestSettings("[Misc]\r\nCOM=0\r\n[Ports]\r\nCom3=" + adapter.link.toUtf8() + "\r\n");
        plug(QStringLiteral("A1"));
        // udev's link names the node, as /dev/serial/by-id/... -> ../../ttyUSB0 does.
        QVERIFY(QFile::link(adapter.link, byIdDir + u'/' + nameA));
        TFormMain form;
        TPortFolders folders = form.PortLink()->Watcher().Folders();
        folders.byId = byIdDir;
        folders.ttyClass = ttyClass;
        form.PortLink()->Watcher().SetFolders(folders);
        form.RadioGroupCOM()->SetItemIndex(2);
        QVERIFY(form.ComPort.Connected());
        QCOMPARE(form.PortLink()->Keeper().Device().id.serial, QStringLiteral("A1"));

        // Adapter B at the node; the link of A is still there.
        adapter.unplug();
        QVERIFY(PumpUntil([&] { return form.PortLink()->Waiting(); }, 1000));
        plug(QStringLiteral("B7"));
        QVERIFY(PumpUntil([&] { return !form.PortLink()->Waiting(); }, 2000));
        const QStringList ended = LogLines(form).filter(QStringLiteral("Com3: jetzt ist ein anderer Adapter da ("));
        QCOMPARE(ended.size(), 1);
        QVERIFY2(ended.first().contains(QStringLiteral("Seriennummer B7); warte nicht mehr auf ") + nameA
                                        + QStringLiteral(", Seriennummer A1")),
                 qPrintable(ended.first()));
        Pump(300);
        QCOMPARE(adapter.peer->Received(), QByteArray());
        QCOMPARE(Count(form, kBack), 0);
        QCOMPARE(form.RadioGroupCOM()->ItemIndex(), -1);
    }

    // The device hangs up as it is asked who it is: at start-up (the stored
    // port is selected before the window shows) and during a scan. No spin
    // through the wait; at start-up the port takes the device back and
    // identifies it then, the scan goes on with the next port.
    void hangUpWhileIdentifying_data()
    {
        QTest::addColumn<bool>("scan");
        QTest::newRow("start-up") << false;
        QTest::newRow("scan") << true;
    }
    void hangUpWhileIdentifying()
    {
        QFETCH(bool, scan);
        TScriptedDialogsScope scope;
        TDevicePeer peer;
        const QString slave = peer.SlavePath();
        auto hungUp = std::make_shared<std::atomic<bool>>(false);
        peer.SetLineHandler([slave, hungUp](const QByteArray& line) -> QByteArray {
            if (line != "{+}h")
                return QByteArray();
            if (!hungUp->exchange(true))
                return HangUpTty(slave) ? QByteArray() : QByteArray("#hang-up failed\r");
            return "#01.00.01\r";
        });
        WriteTestSettings("[Misc]\r\nCOM=" + QByteArray(scan ? "0" : "3") + "\r\n"
                          + PortsTo(peer.SlavePath(), m_dir.filePath(QStringLiteral("nothing"))));
        TFormMain form;
        if (scan) {
            const double cpuBefore = CpuSeconds();
            QElapsedTimer clock;
            clock.start();
            form.ButtonScanClick();
            const double cpu = CpuSeconds() - cpuBefore;
            qInfo("scan with a hang-up: %lld ms, %.2f s of CPU", clock.elapsed(), cpu);
            QVERIFY(*hungUp);
            // The wait for the answer that never comes sleeps.
            QVERIFY2(cpu < 0.4 * double(clock.elapsed()) / 1000, qPrintable(QString::number(cpu)));
            QCOMPARE(Count(form, kGone), 0);
            QVERIFY(!form.ComPort.Connected());
            QCOMPARE(form.RadioGroupCOMconnect()->Item(2), QString());
            return;
        }
        QVERIFY(PumpUntil([&] { return Count(form, kBack) == 1; }, 2000));
        QVERIFY(*hungUp);
        Pump(600);
        QCOMPARE(Count(form, kGone), 1);
        QCOMPARE(Count(form, kBack), 1);
        QCOMPARE(peer.Received(), QByteArray("{+}h\r{+}h\r"));
        QCOMPARE(form.ActivePanel, QStringLiteral("VigiloGSM"));
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("Com3 = connected"));
    }
};

QTEST_MAIN(TestReplug)
#include "tst_replug.moc"
