// The adapter pulled and plugged in again while a timed job runs, with the
// real window on the real event loop: the port's device file is a link to a
// pseudo-terminal peer that goes with the peer and comes back with a new one.
// The job goes on after each replug, and every line is where it belongs.
// Also the port list's context menu, driven with real mouse and keys.
#include "app/IniFile.h"
#include "serial/PortLink.h"
#include "support/Harness.h"
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

namespace {

// Plays a USB adapter: a device peer behind a link that the settings file
// names for Com3. Each plug is a new peer; its replies name it.
struct TAdapter {
    QString link;
    std::unique_ptr<TDevicePeer> peer;
    std::vector<std::unique_ptr<TDevicePeer>> gone;  // their pty numbers stay taken
    int plugs = 0;

    void plug()
    {
        peer = std::make_unique<TDevicePeer>();
        const int n = plugs++;
        auto count = std::make_shared<std::atomic<int>>(0);
        peer->SetLineHandler([n, count](const QByteArray& line) -> QByteArray {
            if (line == "{+}h")
                return "#01.00.01\r";
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
            QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("Com3 = device gone, waiting"));
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
        QCOMPARE(lines.filter(QStringLiteral("Com3: device gone (") + adapter.link).size(), 2);
        QCOMPARE(lines.filter(QStringLiteral("Com3: device back, port open again at 9600 bit/s")).size(), 2);
        QVERIFY(lines.filter(QStringLiteral("not sent")).isEmpty());
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
        const qsizetype goings = lines.filter(QStringLiteral("device gone")).size();
        const qsizetype comings = lines.filter(QStringLiteral("device back")).size();
        qInfo("5 pulls: %lld lines of going, %lld of coming back", qlonglong(goings), qlonglong(comings));
        QVERIFY2(goings >= 1 && goings <= 5 && comings >= goings && comings <= 2 * goings,
                 qPrintable(lines.join(u'\n')));
        QVERIFY(scope.dialogs->shown.size() == 1);  // the protocol file's chooser only
        QVERIFY(form.ComPort.Connected());

        // Another adapter where A was.
        unplugA();
        QVERIFY(PumpUntil([&] { return form.PortLink()->Waiting(); }));
        adapter.plug();
        QVERIFY(QFile::link(adapter.peer->SlavePath(), byIdDir + QStringLiteral("/usb-Maker_B-if00-port0")));
        QVERIFY(PumpUntil([&] { return !form.PortLink()->Waiting(); }));
        QCOMPARE(LogLines(form).filter(QStringLiteral("another adapter is there now (usb-Maker_B-if00-port0)")).size(),
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
        QCOMPARE(list->Button(5)->toolTip(), QString::fromUtf8(missing) + QStringLiteral(" — no device"));
        QCOMPARE(list->Button(5)->accessibleDescription(), QStringLiteral("no device"));
        ClickEntry(list, 5);
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("disconnected"));
        QVERIFY(list->Button(5)->toolTip().contains(QStringLiteral("no such device")));
        QVERIFY(!form.PortLink()->Waiting());

        // Chooses the menu entry starting with caption from the context menu
        // of entry index, with the arrow keys and Enter.
        auto choose = [&](int index, const QString& caption) {
            bool found = false;
            QTimer::singleShot(50, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                for (QAction* a : menu->actions())
                    if (a->text().startsWith(caption)) {
                        found = true;
                        menu->setActiveAction(a);
                        QTest::keyClick(menu, Qt::Key_Return);
                        return;
                    }
                menu->close();
            });
            QRadioButton* b = list->Button(index);
            QTest::mouseClick(form.windowHandle(), Qt::RightButton, {},
                              b->mapTo(&form, QPoint(b->height() / 2, b->height() / 2)));
            QVERIFY(PumpUntil([&] { return !QApplication::activePopupWidget(); }));
            QVERIFY2(found, qPrintable(caption));
        };

        choose(4, QStringLiteral("pin this adapter to Com5"));
        QByteArray pinned = before;
        pinned.replace("Com5=" + node.toUtf8(), "Com5=" + (byIdDir + u'/' + name).toUtf8());
        QCOMPARE(FileBytes(TestSettingsFile()), pinned);
        QVERIFY(list->ItemPresent(4));
        QVERIFY(list->Button(4)->toolTip().startsWith(byIdDir + u'/' + name + QStringLiteral(" → ")));

        // The adapter is also on offer for the empty entry.
        choose(5, QStringLiteral("unpin Com6"));
        QByteArray unpinned = pinned;
        unpinned.replace("Com6=" + missing + "\r\n", "");
        QCOMPARE(FileBytes(TestSettingsFile()), unpinned);
        choose(4, QStringLiteral("unpin Com5"));
        unpinned.replace("Com5=" + (byIdDir + u'/' + name).toUtf8() + "\r\n", "");
        QCOMPARE(FileBytes(TestSettingsFile()), unpinned);
        QVERIFY(list->Button(4)->toolTip().startsWith(QStringLiteral("/dev/ttyUSB0")));
    }
};

QTEST_MAIN(TestReplug)
#include "tst_replug.moc"
