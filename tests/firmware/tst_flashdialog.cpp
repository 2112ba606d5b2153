// The firmware dialog end to end: the real main window and dialog, a port
// on a pseudo-terminal and a boot loader behind it that checks every byte.
#include "app/IniFile.h"
#include "firmware/UnitFlashen.h"
#include "panels/PanelVigilo.h"
#include "support/BootLoaderPeer.h"
#include "support/FlashToolRun.h"
#include "support/TtyFaults.h"
#include "support/WindowRig.h"
#include "widgets/RadioGroup.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using flashtool::Words;

namespace {

using TScript = TBootLoaderPeer::Script;

const QString kOk = QStringLiteral("Firmware-Update OK");

// What the device must end up holding: the data and 0xFF up to the block end.
QByteArray padded(const QByteArray& data, int blockSize)
{
    const qsizetype total = (data.size() + blockSize - 1) / blockSize * blockSize;
    return data + QByteArray(total - data.size(), char(0xFF));
}

// A main window with a Vigilo unit on Com3 (identified, so the panel is on
// show) and the firmware dialog, created the way the program creates them.
struct TRig : TWindowRig {
    std::unique_ptr<TFormFlashen> flashen;
    std::unique_ptr<TBootLoaderPeer> loader;
    QTemporaryDir dir;

    explicit TRig(bool withPort = true) : TWindowRig("#01.00.00")
    {
        // The seconds timer runs here as in the program: the dialog holds it off.
        form->Timer1.start();
        flashen = std::make_unique<TFormFlashen>(form.get());
        if (withPort)
            form->RadioGroupCOM()->SetItemIndex(2);
        else
            form->ClearPanels(QStringLiteral("Vigilo"));
        peer.ClearReceived();
    }

    void boot(TScript script = {}, int blockSize = 0)
    {
        loader =
            std::make_unique<TBootLoaderPeer>(peer, blockSize ? blockSize : form->FlashBlockSize, std::move(script));
    }

    // Writes a .rom file of these bytes (an even count) and queues it as the
    // file dialog's answer.
    QString rom(const QByteArray& data, const char* name = "fw.rom")
    {
        QString text;
        for (qsizetype i = 0; i + 1 < data.size(); i += 2)
            text += QStringLiteral("%1:%2\r\n")
                        .arg(i / 2, 4, 16, QLatin1Char('0'))
                        .arg(quint8(data[i]) | (quint8(data[i + 1]) << 8), 4, 16, QLatin1Char('0'));
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text.toLatin1());
        scope.dialogs->files.enqueue(path);
        return path;
    }

    QProgressBar* gauge() const { return flashen->findChild<QProgressBar*>(QStringLiteral("GaugeFlashen")); }
    QLabel* label() const { return flashen->findChild<QLabel*>(QStringLiteral("LabelFlashen")); }
    QPushButton* ok() const { return flashen->findChild<QPushButton*>(QStringLiteral("ButtonFlashenOK")); }

    // The dialog as the procedure left it.
    struct Seen {
        bool ended = false;  // the dialog was still open when the procedure ended
        QString status;
        bool okShown = false;
        bool quiet = false;
        QString rxLine;
        // Timer4 and the heartbeat were off while the result was shown.
        bool heldWhileShown = false;
        QColor bar;
        qint64 ms = 0;  // from the entry to the end of the procedure
    };

    // Runs the entry (Flashen1Click unless given). When the procedure has
    // ended, notes what the dialog shows and clicks OK, or closes the dialog
    // by its close box when OK stayed hidden or closeBox is set.
    Seen run(const std::function<void()>& entry = {}, bool closeBox = false)
    {
        Seen seen;
        QElapsedTimer clock;
        clock.start();
        QTimer driver;
        driver.setInterval(5);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            if (!flashen->isVisible() || !flashen->ProcedureEnded())
                return;
            driver.stop();
            seen.ended = true;
            seen.ms = clock.elapsed();
            seen.status = label()->text();
            seen.okShown = ok()->isVisible();
            seen.quiet = form->QuietSend;
            seen.rxLine = form->RxLine;
            seen.heldWhileShown = !form->HeartbeatTimer.isActive() && !form->Timer4.isActive();
            const QImage bar = gauge()->grab().toImage();
            seen.bar = bar.pixelColor(4, bar.height() / 2);
            if (seen.okShown && !closeBox)
                ok()->click();
            else
                flashen->close();
        });
        driver.start();
        if (entry)
            entry();
        else
            form->Flashen1Click();
        driver.stop();
        return seen;
    }

    // The port is back on Com3 at 9600, as the end of a transfer leaves it.
    bool portAt9600() const
    {
        return form->ComPort.Connected() && form->ComPort.BaudRate() == TBaudRate::br9600 && peer.SlaveBaud() == 9600
               && form->ChosenRate == QLatin1String("9600") && form->BoxRate == QLatin1String("9600");
    }
};

bool isGreen(const QColor& c) { return c.green() > 200 && c.red() < 60; }
bool isRed(const QColor& c) { return c.red() > 200 && c.green() < 60; }

}  // namespace

Q_DECLARE_METATYPE(TBootLoaderScript)

class TestFlashDialog : public QObject {
    Q_OBJECT

private slots:
    void successfulUpdateFromTheVigiloPanel()
    {
        TRig rig;
        QCOMPARE(rig.form->ActivePanel, QStringLiteral("Vigilo"));
        rig.form->BoxRate = QStringLiteral("19200");
        rig.form->HeartbeatTimer.start();
        rig.form->Timer4.start(30000);
        const QByteArray data = Words(700);  // 1400 bytes: 11 blocks, the last one padded
        const QString path = rig.rom(data);
        rig.boot();

        bool heartbeatWhileSending = false;
        QObject::connect(rig.gauge(), &QProgressBar::valueChanged,
                         [&] { heartbeatWhileSending |= rig.form->HeartbeatTimer.isActive(); });

        auto* vigilo = rig.form->findChild<TPanelVigilo*>();
        const TRig::Seen seen = rig.run([&] { vigilo->Button39()->click(); });

        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("question-warning")),
                 QStringList{QStringLiteral("Wirklich flashen?\r\r")});
        QVERIFY(seen.ended);
        QCOMPARE(seen.status, kOk);
        QVERIFY(seen.okShown);
        QVERIFY(isGreen(seen.bar));
        QCOMPARE(rig.gauge()->value(), rig.gauge()->maximum());
        QVERIFY(seen.quiet);

        // The device holds every byte, with every checksum right.
        QVERIFY(rig.loader->HeaderOk());
        QCOMPARE(rig.loader->AnnouncedBlocks(), 11);
        QCOMPARE(rig.loader->BlocksReceived(), 11);
        QCOMPARE(rig.loader->ChecksumFaults(), 0);
        QCOMPARE(rig.loader->Flash(), padded(data, 128));
        QCOMPARE(rig.loader->BytesAfterEnd(), 0);
        QVERIFY(rig.peer.Received().startsWith("{+}fwupdate\r"));

        // Start command at the old rate, everything after it at 115200.
        QCOMPARE(rig.loader->StartBaud(), 9600);
        QCOMPARE(rig.loader->TransferBauds(), QSet<int>{115200});

        QVERIFY(rig.portAt9600());
        QCOMPARE(TIniFile(TestSettingsFile()).ReadString(QStringLiteral("DIR"), QStringLiteral("File"), QString()),
                 path);
        QVERIFY(!rig.form->Timer1.isActive());
        QVERIFY(!heartbeatWhileSending);               // held off while the procedure ran ...
        QVERIFY(seen.heldWhileShown);                  // ... and while its result was on screen ...
        QVERIFY(rig.form->HeartbeatTimer.isActive());  // ... and running again once it closed
        QVERIFY(rig.form->Timer4.isActive());
        for (const QString& line : LogLines(*rig.form))
            QVERIFY2(!line.contains(QLatin1String("--->")), qPrintable(line));
        QVERIFY(!rig.form->QuietSend);
        QVERIFY(rig.form->RxLine.isEmpty());
        QVERIFY(rig.scope.dialogs->Texts(QStringLiteral("error")).isEmpty());
    }

    void oneLineIsPaddedToABlock()
    {
        TRig rig;
        QFile f(rig.dir.filePath(QStringLiteral("one.rom")));
        f.open(QIODevice::WriteOnly);
        f.write("0010:3FA5\r\n");
        f.close();
        rig.scope.dialogs->files.enqueue(f.fileName());
        rig.boot();

        QCOMPARE(rig.run().status, kOk);
        QCOMPARE(rig.loader->AnnouncedBlocks(), 1);
        QCOMPARE(rig.loader->Flash(), QByteArray("\xA5\x3F") + QByteArray(126, char(0xFF)));
        // 0xA5 + 0x3F + 126 * 0xFF = 32358 = 0x66 mod 256
        QCOMPARE(rig.loader->Checksums(), QList<quint8>{0x66});
        QCOMPARE(rig.loader->ChecksumFaults(), 0);
    }

    void blockSizeFollowsThePanel_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<int>("blocks");
        QTest::newRow("Zerbo") << QStringLiteral("Zerbo") << 64 << 10;
        QTest::newRow("Vigilo") << QStringLiteral("Vigilo") << 128 << 5;
        QTest::newRow("Vigilo-GSM") << QStringLiteral("VigiloGSM") << 256 << 3;
    }
    void blockSizeFollowsThePanel()
    {
        QFETCH(QString, panel);
        QFETCH(int, blockSize);
        QFETCH(int, blocks);
        TRig rig;
        rig.form->ClearPanels(panel);
        const QByteArray data = Words(300);  // 600 bytes
        rig.rom(data);
        rig.boot({}, blockSize);

        QCOMPARE(rig.run().status, kOk);
        QCOMPARE(rig.loader->AnnouncedBlocks(), blocks);
        QCOMPARE(rig.loader->BlocksReceived(), blocks);
        QCOMPARE(rig.loader->ChecksumFaults(), 0);
        QCOMPARE(rig.loader->Flash(), padded(data, blockSize));
    }

    // Every way the device's answers end a transfer. Each row: the loader's
    // script, the outcome, and the blocks sent until then (repeats included);
    // nothing may follow them.
    void answersDecideTheOutcome_data()
    {
        QTest::addColumn<TScript>("script");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("blocksSent");
        const QString failed = QStringLiteral("Firmware-Update fehlerhaft (%1)");
        TScript s;
        s.rejections = {{1, 2}, {3, 2}};
        QTest::newRow("two rejections, twice") << s << kOk << 5 + 4;
        s = {};
        s.rejections = {{1, 3}};
        QTest::newRow("three rejections") << s << failed.arg("zuviel Wiederholungen") << 1 + 3;
        s = {};
        s.completeAfterBlock = 0;
        QTest::newRow("2 after the first block") << s << kOk << 1;
        s = {};
        s.doubleAnswerAtBlock = 0;  // reads as "0"
        QTest::newRow("10 in one receive event") << s << kOk << 5;
        s = {};
        s.silentAtBlock = 2;
        QTest::newRow("no answer") << s << failed.arg("no ACK") << 3;
        s = {};
        s.unknownAtBlock = 1;
        QTest::newRow("unknown answer") << s << failed.arg("wrong ACK") << 2;
        s = {};
        s.completeAtEnd = false;
        QTest::newRow("no completion") << s << failed.arg("\?\?\?") << 5;
    }
    void answersDecideTheOutcome()
    {
        QFETCH(TScript, script);
        QFETCH(QString, status);
        QFETCH(int, blocksSent);
        TRig rig;
        rig.flashen->AckWaitMs = 300;
        const QByteArray data = Words(320);  // 5 blocks
        rig.rom(data);
        rig.boot(script);

        const TRig::Seen seen = rig.run();
        QCOMPARE(seen.status, status);
        QVERIFY(seen.okShown);
        QVERIFY(status == kOk ? isGreen(seen.bar) : isRed(seen.bar));
        QCOMPARE(rig.loader->BlocksReceived(), blocksSent);
        QCOMPARE(rig.loader->ChecksumFaults(), 0);
        QCOMPARE(rig.peer.Received().size(), 12 + 3 + blocksSent * (128 + 1));
        if (status == kOk && script.completeAfterBlock < 0)
            QCOMPARE(rig.loader->Flash(), padded(data, 128));
        QVERIFY(rig.portAt9600());
    }

    // The start wait at its real limit of 4000 ms.
    void noStartCharacter()
    {
        TRig rig;
        rig.rom(Words(10));
        TScript script;
        script.silentAtStart = true;
        rig.boot(script);

        const TRig::Seen seen = rig.run();
        QCOMPARE(seen.status, QStringLiteral("Firmware-Update fehlerhaft (Startzeichen fehlt ...)"));
        QVERIFY(seen.okShown);
        QVERIFY2(seen.ms >= 3950 && seen.ms < 6000, qPrintable(QString::number(seen.ms)));
        QCOMPARE(rig.peer.Received(), QByteArray("{+}fwupdate\r"));
        QVERIFY(rig.portAt9600());
    }

    void nothingIsSentWithoutConsentPortOrStartCommand()
    {
        {
            // "No": the dialog does not open.
            TRig rig;
            rig.scope.dialogs->answers.enqueue(false);
            rig.boot();
            QVERIFY(!rig.run().ended);
            QVERIFY(rig.scope.dialogs->Texts(QStringLiteral("open")).isEmpty());
            Pump(50);
            QVERIFY(rig.peer.Received().isEmpty());
        }
        {
            // No port selected: the message, the dialog closes, timers run on.
            TRig rig(false);
            QVERIFY(rig.form->Timer1.isActive());
            rig.run();
            QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("info")), QStringList{kNoPort});
            QVERIFY(rig.scope.dialogs->Texts(QStringLiteral("open")).isEmpty());
            QVERIFY(!rig.flashen->isVisible());
            QVERIFY(rig.form->Timer1.isActive());
        }
        {
            // The start command cannot be written: the port's error, no quiet
            // sending, no OK.
            TRig rig;
            rig.rom(Words(10));
            rig.form->ComPort.Close();
            const TRig::Seen seen = rig.run();
            QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("error")), QStringList{QStringLiteral("Port Not Open")});
            QVERIFY(!seen.okShown);
            QVERIFY(!seen.quiet);
        }
    }

    void unusableFilesLeaveThePortAlone()
    {
        {
            TRig rig;
            rig.form->ComPort.SetBaudRate(TBaudRate::br38400);  // as the Lupino panel leaves it
            const QString missing = rig.dir.filePath(QStringLiteral("gone.rom"));
            rig.scope.dialogs->files.enqueue(missing);
            const TRig::Seen seen = rig.run();
            QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("warning")),
                     QStringList{QStringLiteral("Fehler bei Dateizugriff (2)")});
            QVERIFY(!seen.okShown);
            QVERIFY(rig.peer.Received().isEmpty());
            QCOMPARE(rig.peer.SlaveBaud(), 38400);
            QCOMPARE(TIniFile(TestSettingsFile()).ReadString(QStringLiteral("DIR"), QStringLiteral("File"), QString()),
                     missing);
        }
        {
            TRig rig;
            rig.form->ComPort.SetBaudRate(TBaudRate::br38400);
            const QString path = rig.rom(Words(65537), "big.rom");
            const TRig::Seen seen = rig.run();
            QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("warning")),
                     QStringList{QStringLiteral("Firmware-Datei zu groß (") + path
                                 + QStringLiteral("): höchstens 65536 Datenzeilen")});
            QVERIFY(!seen.okShown);
            Pump(50);
            QVERIFY(rig.peer.Received().isEmpty());
            QCOMPARE(rig.peer.SlaveBaud(), 38400);
        }
    }

    void cancelledFileDialogReturnsThePort()
    {
        TRig rig;
        rig.form->ComPort.SetBaudRate(TBaudRate::br38400);
        rig.form->FirmwareDir = rig.dir.path();
        rig.form->FirmwareFile = rig.dir.filePath(QStringLiteral("last.rom"));
        const TRig::Seen seen = rig.run();  // no file queued: cancelled

        const QList<TScriptedDialogs::Shown> shown = rig.scope.dialogs->shown;
        QCOMPARE(shown.size(), 2);  // the question and the file dialog
        const TOpenFileRequest& r = shown[1].request;
        QVERIFY(r.mode == TOpenFileRequest::Mode::Open);
        QCOMPARE(r.title, QStringLiteral(" bitte die Firmware-Datei auswählen ..."));
        QCOMPARE(r.filter, QStringLiteral("Flashdatei(*.rom)|*.rom"));
        QCOMPARE(r.initialDir, rig.dir.path());
        QCOMPARE(r.fileName, rig.dir.filePath(QStringLiteral("last.rom")));
        QVERIFY(!seen.okShown);
        QVERIFY(rig.portAt9600());
        QVERIFY(rig.peer.Received().isEmpty());
    }

    // The adapter is pulled, or the line hangs up with its node left, while
    // a block goes out: one port error, the failed outcome, no wait for the
    // full answer limit.
    void deviceVanishesDuringTransfer_data()
    {
        QTest::addColumn<bool>("hangUp");
        QTest::newRow("pulled") << false;
        QTest::newRow("hung up") << true;
    }
    void deviceVanishesDuringTransfer()
    {
        QFETCH(bool, hangUp);
        TRig rig;
        rig.rom(Words(640));
        rig.boot();
        bool gone = false;
        QObject::connect(rig.gauge(), &QProgressBar::valueChanged, [&](int value) {
            if (value < 128 + 10 || gone)
                return;
            gone = true;
            if (hangUp)
                QVERIFY(HangUpTty(rig.peer.SlavePath()));
            else
                rig.peer.Vanish();
        });

        const TRig::Seen seen = rig.run();
        QVERIFY(seen.ended);
        QCOMPARE(seen.status, QStringLiteral("Firmware-Update fehlerhaft (no ACK)"));
        QVERIFY(seen.okShown);
        QVERIFY2(seen.ms < 3000, qPrintable(QString::number(seen.ms)));
        const QStringList errors = rig.scope.dialogs->Texts(QStringLiteral("error"));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith(QStringLiteral("TransmitCommChar function failed")), qPrintable(errors[0]));
        QVERIFY(rig.scope.dialogs->Texts(QStringLiteral("info")).isEmpty());
    }

    // The close box is ignored while the procedure runs and does what OK
    // does once it has ended.
    void closeBoxActsLikeOk()
    {
        TRig rig;
        rig.flashen->AckWaitMs = 600;
        rig.rom(Words(320));
        TScript script;
        script.silentAtBlock = 2;
        rig.boot(script);
        QTimer::singleShot(150, rig.flashen.get(), [&] { rig.flashen->close(); });

        const TRig::Seen seen = rig.run({}, true);
        QVERIFY(seen.ended);  // still open when the procedure ended
        QCOMPARE(seen.status, QStringLiteral("Firmware-Update fehlerhaft (no ACK)"));
        QVERIFY(seen.quiet);
        QCOMPARE(seen.rxLine, QStringLiteral("300"));  // start character and two acknowledgements
        QVERIFY(!rig.flashen->isVisible());
        QVERIFY(!rig.form->QuietSend);
        QVERIFY(rig.form->RxLine.isEmpty());
    }
};

QTEST_MAIN(TestFlashDialog)
#include "tst_flashdialog.moc"
