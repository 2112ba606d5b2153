// The adapter pulled in the middle of every kind of work: the program neither
// crashes nor hangs, keeps every line that came before, and works again once
// a device is back on the port.
#include "firmware/UnitFlashen.h"
#include "firmware/UnitFlashenCSD.h"
#include "serial/PortLink.h"
#include "support/BootLoaderPeer.h"
#include "support/Harness.h"
#include "support/ModemPeer.h"
#include "widgets/RadioGroup.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

using TAnswers = QList<QPair<QByteArray, QByteArray>>;

// A main window on Com3 with a device that answers lines from a table; the
// device can be replaced by a new one on the same port.
struct TRig {
    TScriptedDialogsScope scope;
    std::unique_ptr<TDevicePeer> peer = std::make_unique<TDevicePeer>();
    // Pulled devices stay here: the port number they hold stays taken.
    std::vector<std::unique_ptr<TDevicePeer>> gone;
    std::unique_ptr<TFormMain> form;
    std::unique_ptr<TFormFlashen> flashen;
    std::unique_ptr<TFormFlashenCSD> csd;
    std::unique_ptr<TBootLoaderPeer> loader;
    std::unique_ptr<TModemPeer> modem;
    QTemporaryDir dir;

    TRig(const TAnswers& answers, bool select)
    {
        WriteTestSettings("[Misc]\r\nCOM=0\r\n");
        plugIn(*peer, answers);
        form = std::make_unique<TFormMain>();
        form->Timer1.stop();
        flashen = std::make_unique<TFormFlashen>(form.get());
        csd = std::make_unique<TFormFlashenCSD>(form.get());
        if (select)
            form->RadioGroupCOM()->SetItemIndex(2);
        form->Timer1.stop();
        form->Memo1()->clear();
    }

    static void plugIn(TDevicePeer& device, const TAnswers& answers)
    {
        device.MapPort(TestSettingsFile(), 3);
        device.SetLineHandler([answers](const QByteArray& line) {
            for (const auto& [request, reply] : answers)
                if (line == request)
                    return reply;
            return QByteArray();
        });
    }

    // A new device on Com3, chosen in the port list again.
    void replug(const TAnswers& answers)
    {
        gone.push_back(std::move(peer));
        peer = std::make_unique<TDevicePeer>();
        plugIn(*peer, answers);
        form->RadioGroupCOM()->SetItemIndex(-1);
        form->RadioGroupCOM()->SetItemIndex(2);
        form->Timer1.stop();
    }

    template <typename W = QPushButton>
    W* w(const char* name) const
    {
        W* widget = form->findChild<W*>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }

    bool logged(const QString& text) const
    {
        const QStringList lines = LogLines(*form);
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.endsWith(text); });
    }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    // A firmware file of 640 words, queued as the file dialog's answer.
    void queueRom()
    {
        QByteArray rom;
        for (int i = 0; i < 640; ++i)
            rom += QStringLiteral("%1:%2\r\n")
                       .arg(i, 4, 16, QLatin1Char('0'))
                       .arg(i * 40503 & 0xFFFF, 4, 16, QLatin1Char('0'))
                       .toLatin1();
        QFile f(path("fw.rom"));
        f.open(QIODevice::WriteOnly);
        f.write(rom);
        scope.dialogs->files.enqueue(f.fileName());
    }

    // Closes a firmware dialog once its procedure has ended, as the user would.
    template <typename D>
    void closeWhenEnded(D* dialog)
    {
        auto* closer = new QTimer(dialog);
        QObject::connect(closer, &QTimer::timeout, [dialog, closer] {
            if (dialog->isVisible() && dialog->ProcedureEnded()) {
                closer->stop();
                dialog->close();
            }
        });
        closer->start(5);
    }
};

// One situation: how the work starts (it may return only when the work has
// ended), when the device is pulled, what drives the work on after that, how
// the program shows the work has ended, and the limit from the pull to there.
struct TFault {
    const char* tag;
    TAnswers answers;
    bool selectFirst;  // the port is chosen (and the device identified) before
    std::function<void(TRig&)> start;
    // Polled on the main thread while the work runs; the device is pulled
    // when it first holds. Without it, pullAtBytes decides.
    std::function<bool(TRig&)> pullWhen;
    // Pulled from a thread of its own once the device has taken this many
    // bytes (for writes that block the main thread).
    int pullAtBytes;
    std::function<void(TRig&)> afterPull;
    std::function<bool(TRig&)> ended;
    int limitMs;
    QStringList lines;    // sent by the device before the pull
    const char* capture;  // the capture file holding them, or nullptr
};

const QByteArray kVigilo = "#01.00.00\r";

std::vector<TFault> Faults()
{
    auto logged = [](const char* text) { return [text](TRig& r) { return r.logged(QLatin1String(text)); }; };
    // The port waits for the device to come back, on the panel it was.
    auto waiting = [](TRig& r) { return r.form->PortLink()->Waiting() && r.form->RadioGroupCOM()->ItemIndex() == 2; };
    auto none = [](TRig&) {};
    return {
        {"idle",
         {{"{+}h", kVigilo}},
         true,
         [](TRig& r) { r.peer->Write("READY\r"); },
         logged("READY"),
         0,
         [](TRig& r) { r.form->Send(QStringLiteral("GET")); },
         waiting,
         2000,
         {"READY"},
         nullptr},

        // The device stops reading, so the long write is still going on
        // when it goes.
        {"send",
         {{"{+}h", kVigilo}},
         true,
         [](TRig& r) {
             r.peer->ClearReceived();
             r.peer->StopReadingAfter(8192);
             r.form->SendPlain(QString(200000, QLatin1Char('x')) + QLatin1Char('\r'));
         },
         nullptr,
         8192,
         none,
         waiting,
         5000,
         {},
         nullptr},

        {"port scan",
         {{"{+}h", "BOOT\r"}},
         false,
         [](TRig& r) { r.form->ButtonScanClick(); },
         logged("BOOT"),
         0,
         none,
         [](TRig& r) { return !r.form->ScanActive; },
         10000,
         {"BOOT"},
         nullptr},

        {"identification wait",
         {{"{+}h", "BOOT\r"}},
         false,
         [](TRig& r) { r.form->RadioGroupCOM()->SetItemIndex(2); },
         logged("BOOT"),
         0,
         none,
         // The selection has returned (its wait is over), no device panel up.
         [](TRig& r) { return r.form->ActivePanel == QLatin1String("allgemein"); },
         2000,
         {"BOOT"},
         nullptr},

        {"firmware update",
         {{"{+}h", kVigilo}},
         true,
         [](TRig& r) {
             r.queueRom();
             r.loader = std::make_unique<TBootLoaderPeer>(*r.peer, r.form->FlashBlockSize);
             r.closeWhenEnded(r.flashen.get());
             r.form->Flashen1Click();
         },
         [](TRig& r) { return r.flashen->findChild<QProgressBar*>()->value() >= 128 + 10; },
         0,
         none,
         [](TRig& r) { return !r.flashen->isVisible(); },
         3000,
         {},
         nullptr},

        // A phone on the port; the call carries the update to the unit.
        {"firmware update over a modem call",
         {},
         true,
         [](TRig& r) {
             r.form->ClearPanels(QStringLiteral("VigiloGSM"));
             TBootLoaderScript script;
             script.startAt115200Only = false;
             r.modem = std::make_unique<TModemPeer>(*r.peer, std::make_shared<TBootLoader>(256, script));
             r.form->SendPlain(QStringLiteral("ATD +49171;\r"));
             if (!PumpUntil([&r] { return r.logged(QStringLiteral("CONNECT 9600")); }, 3000))
                 qFatal("no call");
             r.queueRom();
             r.closeWhenEnded(r.csd.get());
             ButtonFUCSDClick(r.form.get());
         },
         [](TRig& r) { return r.csd->findChild<QProgressBar*>()->value() >= 256 + 10; },
         0,
         none,
         [](TRig& r) { return !r.csd->isVisible(); },
         3000,
         {"CONNECT 9600"},
         nullptr},

        {"GPS list download",
         {{"{+}h", "#80.00.00\r"}, {"L", "$GPGGA,1\r$GPGGA,2\r"}},
         true,
         [](TRig& r) {
             r.scope.dialogs->files.enqueue(r.path("trip.lst"));
             r.w("BtnL_GPSDL")->click();
         },
         logged("$GPGGA,2"),
         0,
         [](TRig& r) { r.w("Button21")->click(); },
         [](TRig& r) { return !r.form->PlainCapture && !r.form->DataFileOpen(); },
         2000,
         {"$GPGGA,1", "$GPGGA,2"},
         "trip.lst"},

        {"PLC sequence save",
         {{"{+}h", "#03.00.00\r"}, {"{+}PLCget", "1=30,2,OFF\r2=45,3,ON\r"}},
         true,
         [](TRig& r) {
             r.scope.dialogs->files.enqueue(r.path("seq.plc"));
             r.w("ButtonPLCsave")->click();
         },
         logged("2=45,3,ON"),
         0,
         [](TRig& r) { r.w("ButtonPLCstore")->click(); },
         waiting,
         2000,
         {"1=30,2,OFF", "2=45,3,ON"},
         "seq.plc"},

        {"endurance run",
         {{"{+}h", "#01.00.01\r"}, {"{+}gsminfo", "GSM: registered\rCSQ: 17\r"}},
         true,
         [](TRig& r) {
             r.form->ClearPanels(QStringLiteral("VigiloGSM"));
             r.scope.dialogs->files.enqueue(r.path("run.pro"));
             r.w("ButtonDauerlauf")->click();
             r.form->Timer4.setInterval(1);
         },
         logged("CSQ: 17"),
         0,
         [](TRig& r) { r.form->Timer4.setInterval(1); },
         waiting,
         2000,
         {"GSM: registered", "CSQ: 17"},
         "run.pro"},

        {"heartbeat",
         {{"{+}h", kVigilo}, {"{+}HEARTBEAT", "HB OK\r"}},
         true,
         [](TRig& r) {
             r.form->findChild<QAction*>(QStringLiteral("VigiloGSMNEU1"))->trigger();
             r.w<QCheckBox>("VGGSMNEU_CB_HBPERIODIC")->click();
             r.form->HeartbeatTimer.stop();
             for (int i = 0; i < 10; ++i)
                 QMetaObject::invokeMethod(&r.form->HeartbeatTimer, "timeout");
         },
         logged("HB OK"),
         0,
         [](TRig& r) {
             for (int i = 0; i < 10; ++i)
                 QMetaObject::invokeMethod(&r.form->HeartbeatTimer, "timeout");
         },
         waiting,
         3000,
         {"HB OK"},
         nullptr},
    };
}

}  // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void deviceVanishes_data()
    {
        QTest::addColumn<int>("row");
        const std::vector<TFault> faults = Faults();
        for (int i = 0; i < int(faults.size()); ++i)
            QTest::newRow(faults[size_t(i)].tag) << i;
    }

    void deviceVanishes()
    {
        QFETCH(int, row);
        const TFault c = Faults()[size_t(row)];
        TRig rig(c.answers, c.selectFirst);

        QElapsedTimer sincePull;
        std::atomic<bool> pulled{false};
        QTimer puller;
        std::thread byteWatch;
        std::atomic<bool> stopWatch{false};
        if (c.pullWhen) {
            QObject::connect(&puller, &QTimer::timeout, [&] {
                if (pulled || !c.pullWhen(rig))
                    return;
                rig.peer->Vanish();
                sincePull.start();
                pulled = true;
            });
            puller.start(2);
        } else {
            TDevicePeer* device = rig.peer.get();
            byteWatch = std::thread([&, device] {
                while (!stopWatch && device->Received().size() < c.pullAtBytes)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (stopWatch)
                    return;
                device->Vanish();
                sincePull.start();
                pulled = true;
            });
        }

        c.start(rig);
        const bool wasPulled = PumpUntil([&] { return bool(pulled); }, 10000);
        stopWatch = true;
        if (byteWatch.joinable())
            byteWatch.join();
        puller.stop();
        QVERIFY(wasPulled);
        c.afterPull(rig);
        QVERIFY2(PumpUntil([&] { return c.ended(rig); }, 4 * c.limitMs), "the work did not end");
        const qint64 ms = sincePull.elapsed();
        qInfo("%s: ended %lld ms after the pull (limit %d ms)", c.tag, ms, c.limitMs);
        QVERIFY2(ms < c.limitMs, qPrintable(QString::number(ms)));

        // Nothing that came before is lost, neither in the log nor in the file.
        for (const QString& line : c.lines)
            QVERIFY2(rig.logged(line), qPrintable(line));
        if (c.capture) {
            const QByteArray file = FileBytes(rig.path(c.capture));
            for (const QString& line : c.lines)
                QVERIFY2(file.contains(line.toLatin1() + "\r\n"), file.constData());
        }
        // Never reported as a success.
        const QStringList infos = rig.scope.dialogs->Texts(QStringLiteral("info"));
        QVERIFY2(!infos.join(QString()).contains(QLatin1String("gespeichert")), qPrintable(infos.join('|')));
        for (QWidget* dialog : {static_cast<QWidget*>(rig.flashen.get()), static_cast<QWidget*>(rig.csd.get())})
            QVERIFY(!dialog->findChild<QLabel*>(QStringLiteral("LabelFlashen"))->text().contains(QLatin1String("OK")));

        // A device on the port again: one command goes out, its answer comes in.
        rig.replug({{"{+}h", kVigilo}, {"{+}VER", "VER 7.7\r"}});
        QVERIFY(rig.form->ComPort.Connected());
        QCOMPARE(rig.form->ActivePanel, QStringLiteral("Vigilo"));
        rig.peer->ClearReceived();
        rig.form->Send(QStringLiteral("VER"));
        QVERIFY(rig.peer->WaitForBytes(6));
        QCOMPARE(rig.peer->Received(), QByteArray("{+}VER\r"));
        QVERIFY(PumpUntil([&] { return rig.logged(QStringLiteral("VER 7.7")); }, 3000));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
