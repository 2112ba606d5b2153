// The firmware update over a modem call, end to end: the real main window
// and dialogs, the port on a pseudo-terminal with a mobile phone behind it,
// and at the far end of the call a boot loader that checks every byte.
#include "firmware/UnitFlashen.h"
#include "firmware/UnitFlashenCSD.h"
#include "support/BootLoaderPeer.h"
#include "support/FlashToolRun.h"
#include "support/Harness.h"
#include "support/ModemPeer.h"
#include "widgets/RadioGroup.h"

#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using flashtool::Words;

namespace {

const QString kOk = QStringLiteral("Firmware-Update OK");
const QString kNoAck = QStringLiteral("Firmware-Update fehlerhaft (no ACK)");

QByteArray padded(const QByteArray& data, int blockSize)
{
    const qsizetype total = (data.size() + blockSize - 1) / blockSize * blockSize;
    return data + QByteArray(total - data.size(), char(0xFF));
}

// The main window with both firmware dialogs, made the way the program makes
// them, a phone on Com3 and a Vigilo-GSM unit with its boot loader at the far
// end of the call. The rates the port must keep are set apart from 9600.
struct TRig {
    TScriptedDialogsScope scope;
    TDevicePeer peer;
    std::shared_ptr<TBootLoader> loader;
    std::unique_ptr<TModemPeer> modem;
    std::unique_ptr<TFormMain> form;
    std::unique_ptr<TFormFlashen> flashen;
    std::unique_ptr<TFormFlashenCSD> csd;
    QTemporaryDir dir;

    explicit TRig(TBootLoaderScript script = {}, TModemScript phone = {})
    {
        script.startAt115200Only = false;
        loader = std::make_shared<TBootLoader>(256, script);
        modem = std::make_unique<TModemPeer>(peer, loader, phone);
        WriteTestSettings("[Misc]\r\nCOM=0\r\n");
        peer.MapPort(TestSettingsFile(), 3);
        form = std::make_unique<TFormMain>();
        flashen = std::make_unique<TFormFlashen>(form.get());
        csd = std::make_unique<TFormFlashenCSD>(form.get());
        form->RadioGroupCOM()->SetItemIndex(2);  // the phone does not identify itself
        form->ClearPanels(QStringLiteral("VigiloGSM"));
        form->ChosenRate = QStringLiteral("19200");
        form->BoxRate = QStringLiteral("38400");
    }

    bool logged(const QString& text, int ms = 3000)
    {
        return PumpUntil([&] { return LogLines(*form).join(QLatin1Char('\n')).contains(text); }, ms);
    }

    void dial()
    {
        form->SendPlain(QStringLiteral("ATD +49171;\r"));
        QVERIFY(logged(QStringLiteral("CONNECT 9600")));
        QVERIFY(modem->DataMode());
        peer.ClearReceived();
    }

    QString rom(const QByteArray& data)
    {
        QString text;
        for (qsizetype i = 0; i + 1 < data.size(); i += 2)
            text += QStringLiteral("%1:%2\r\n")
                        .arg(i / 2, 4, 16, QLatin1Char('0'))
                        .arg(quint8(data[i]) | (quint8(data[i + 1]) << 8), 4, 16, QLatin1Char('0'));
        const QString path = dir.filePath(QStringLiteral("fw.rom"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text.toLatin1());
        scope.dialogs->files.enqueue(path);
        return path;
    }

    template <typename W>
    W* w(const char* name) const
    {
        return csd->findChild<W*>(QLatin1String(name));
    }
    QString status() const { return w<QLabel>("LabelFlashen")->text(); }
    QString elapsed() const { return w<QLabel>("LabelDauer")->text(); }

    struct Seen {
        bool ended = false;
        QString status;
        bool okShown = false;
        bool quiet = false;
        qint64 ms = 0;
    };

    // Runs the entry; once the procedure has ended notes what the dialog
    // shows and clicks OK (or closes the dialog when OK stayed hidden).
    Seen run()
    {
        Seen seen;
        QElapsedTimer clock;
        clock.start();
        QTimer driver;
        driver.setInterval(5);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            if (!csd->isVisible() || !csd->ProcedureEnded())
                return;
            driver.stop();
            seen.ended = true;
            seen.ms = clock.elapsed();
            seen.status = status();
            seen.okShown = w<QPushButton>("ButtonFlashenOK")->isVisible();
            seen.quiet = form->QuietSend;
            if (seen.okShown)
                w<QPushButton>("ButtonFlashenOK")->click();
            else
                csd->close();
        });
        driver.start();
        ButtonFUCSDClick(form.get());
        driver.stop();
        return seen;
    }

    // The port as the rig set it up: open on Com3 at 9600, the rate texts
    // untouched.
    bool portUntouched() const
    {
        return form->ComPort.Connected() && form->ComPort.Port() == QLatin1String("Com3")
               && form->ComPort.BaudRate() == TBaudRate::br9600 && form->RadioGroupCOM()->ItemIndex() == 2
               && form->ChosenRate == QLatin1String("19200") && form->BoxRate == QLatin1String("38400");
    }
};

}  // namespace

Q_DECLARE_METATYPE(TBootLoaderScript)

class TestFlashCSD : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    void theDialogAsDesigned()
    {
        TRig rig;
        QCOMPARE(rig.form->FormFlashenCSD, rig.csd.get());
        QCOMPARE(rig.form->FormFlashen, rig.flashen.get());
        QCOMPARE(rig.csd->windowTitle(), QStringLiteral("flashen via CSD"));
        QCOMPARE(rig.w<QGroupBox>("GroupBoxFlashen")->title(), QStringLiteral("Firmware-Update über CSD"));
        QCOMPARE(rig.elapsed(), QStringLiteral("---"));
        QCOMPARE(rig.status(), QStringLiteral("in progress"));
        QVERIFY(rig.w<QProgressBar>("GaugeFlashen"));
        // Right below the status line.
        QLayout* box = rig.w<QGroupBox>("GroupBoxFlashen")->layout();
        QCOMPARE(box->indexOf(rig.w<QLabel>("LabelDauer")), box->indexOf(rig.w<QLabel>("LabelFlashen")) + 1);
    }

    // Test of the phone, dial, the update through the call, and afterwards
    // the call still carries commands until it is escaped and hung up.
    void updateThroughTheCall()
    {
        TModemScript phone;
        phone.guardMs = 100;
        TRig rig({}, phone);
        for (const char* cmd : {"AT\r", "AT+CGMI\r", "AT+CGMM\r"})
            rig.form->SendPlain(QLatin1String(cmd));
        QVERIFY(rig.logged(QStringLiteral("       <--- VM-9600")));
        QVERIFY(rig.logged(QStringLiteral("       <--- Velmor Mobile")));
        rig.dial();
        QCOMPARE(rig.modem->Dialled(), QByteArray("+49171;"));

        rig.form->Timer1.start();
        const QByteArray data = Words(700);  // 1400 bytes: 6 blocks of 256, the last one padded
        rig.rom(data);
        const TRig::Seen seen = rig.run();

        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("question-warning")),
                 QStringList{QStringLiteral("wirklich flashen?\r\r")});
        QVERIFY(seen.ended);
        QCOMPARE(seen.status, kOk);
        QVERIFY(seen.okShown);
        QVERIFY(seen.quiet);
        QVERIFY(!rig.form->QuietSend);
        QVERIFY(rig.elapsed().endsWith(QStringLiteral(" s")));
        QVERIFY(!rig.form->Timer1.isActive());

        const TBootLoader& loader = *rig.loader;
        QVERIFY(loader.HeaderOk());
        QCOMPARE(loader.AnnouncedBlocks(), 6);
        QCOMPARE(loader.BlocksReceived(), 6);
        QCOMPARE(loader.ChecksumFaults(), 0);
        QCOMPARE(loader.Flash(), padded(data, 256));
        QCOMPARE(loader.BytesAfterEnd(), 0);
        // Framed, logged, and everything at the rate of the call.
        QVERIFY(rig.peer.Received().startsWith("{+}fwupdate\r"));
        QVERIFY(LogLines(*rig.form).contains(QStringLiteral("{+}fwupdate  --->")));
        QCOMPARE(loader.StartBaud(), 9600);
        QCOMPARE(loader.TransferBauds(), QSet<int>{9600});
        QVERIFY(rig.portUntouched());
        QCOMPARE(rig.peer.SlaveBaud(), 9600);

        // The call is still up: a command reaches the unit.
        rig.form->Send(QStringLiteral("gsminfo"));
        QVERIFY(PumpUntil([&] { return rig.modem->RemoteReceived().endsWith("{+}gsminfo\r"); }));
        Pump(150);  // the phone's guard time
        rig.form->SendPlain(QStringLiteral("+++"));
        QVERIFY(PumpUntil([&] { return !rig.modem->DataMode(); }));
        QVERIFY(rig.logged(QStringLiteral("       <--- OK")));
        QVERIFY(rig.modem->CallUp());
        rig.form->SendPlain(QStringLiteral("ATH\r"));
        QVERIFY(PumpUntil([&] { return !rig.modem->CallUp(); }));
        QVERIFY(rig.modem->RemoteReceived().endsWith("\r\nNO CARRIER\r\n"));
    }

    // A unit that needs 6 s per block fails at the real 5000 ms limit
    // (the serial update would have waited 10 s).
    void slowUnitFailsAtTheRealLimit()
    {
        TBootLoaderScript script;
        script.ackDelayMs = 6000;
        TRig rig(script);
        rig.dial();
        QCOMPARE(rig.csd->StartWaitMs, 5000);
        QCOMPARE(rig.csd->AckWaitMs, 5000);
        rig.rom(Words(300));
        const TRig::Seen seen = rig.run();
        QCOMPARE(seen.status, kNoAck);
        QVERIFY(seen.okShown);
        QVERIFY2(seen.ms >= 4950 && seen.ms < 8000, qPrintable(QString::number(seen.ms)));
        QCOMPARE(rig.loader->BlocksReceived(), 1);
        QVERIFY(rig.portUntouched());
        QVERIFY(!rig.form->QuietSend);
    }

    // The elapsed time is read once at the start and after every checksum
    // byte, as an unsigned difference of a clock that wraps, and shown in
    // whole seconds; a new run shows the previous value until its first block.
    void elapsedTimeInWholeSeconds()
    {
        TRig rig;
        rig.dial();
        quint32 now = 0xFFFFF000u;  // wraps during the run
        QStringList shownAtRead;
        rig.csd->Clock = [&] {
            shownAtRead << rig.elapsed();
            const quint32 t = now;
            now += 2900;
            return t;
        };
        rig.rom(Words(384));  // 3 blocks
        QCOMPARE(rig.run().status, kOk);
        QCOMPARE(shownAtRead, (QStringList{"---", "---", "2 s", "5 s"}));
        QCOMPARE(rig.elapsed(), QStringLiteral("8 s"));

        // A new run leaves the last value until it sends its first block
        // (here it gets no further than the start: the loader has finished).
        rig.csd->StartWaitMs = 300;
        rig.rom(Words(384));
        QCOMPARE(rig.run().status, QStringLiteral("Firmware-Update fehlerhaft (Startzeichen fehlt ...)"));
        QCOMPARE(rig.elapsed(), QStringLiteral("8 s"));
        QCOMPARE(shownAtRead.size(), 4);
    }

    // The call breaks down in the middle of the transfer. Whatever the way,
    // the update fails within the answer limit, and neither the port nor its
    // settings are touched.
    void callDropsDuringTheUpdate_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("errors");
        QTest::newRow("link silent") << 0 << kNoAck << 0;
        QTest::newRow("phone reports NO CARRIER") << 1 << QStringLiteral("Firmware-Update fehlerhaft (wrong ACK)") << 0;
        QTest::newRow("phone gone") << 2 << kNoAck << 1;
    }
    void callDropsDuringTheUpdate()
    {
        QFETCH(int, how);
        QFETCH(QString, status);
        QFETCH(int, errors);
        TRig rig;
        rig.dial();
        rig.csd->AckWaitMs = 1500;
        rig.rom(Words(640));  // 5 blocks
        QObject::connect(rig.w<QProgressBar>("GaugeFlashen"), &QProgressBar::valueChanged, [&](int value) {
            if (value < 256 + 10 || !rig.modem->CallUp() || rig.peer.Vanished())
                return;
            if (how == 2)
                rig.peer.Vanish();
            else
                rig.modem->DropCall(how == 1);
        });

        const TRig::Seen seen = rig.run();
        QVERIFY(seen.ended);
        QCOMPARE(seen.status, status);
        QVERIFY(seen.okShown);
        QVERIFY(seen.quiet);
        QVERIFY(!rig.form->QuietSend);
        QVERIFY2(seen.ms < (how == 0 ? 1500 + 2500 : 2500), qPrintable(QString::number(seen.ms)));
        if (how == 0)
            QVERIFY2(seen.ms >= 1500, qPrintable(QString::number(seen.ms)));
        QCOMPARE(rig.loader->Flash().size(), 256);  // the first block only
        const QStringList shown = rig.scope.dialogs->Texts(QStringLiteral("error"));
        QCOMPARE(shown.size(), errors);
        if (errors)
            QVERIFY2(shown[0].startsWith(QStringLiteral("TransmitCommChar function failed")), qPrintable(shown[0]));
        QVERIFY(rig.scope.dialogs->Texts(QStringLiteral("info")).isEmpty());
        QVERIFY(rig.portUntouched());
    }

    // Nothing is sent before the dialog opens; cancelling the file dialog
    // leaves port and call alone; without an open port the start command
    // fails inside the send operation and the start wait runs out.
    void noUpdateWithoutConsentFileOrPort()
    {
        {
            TRig rig;
            rig.dial();
            rig.scope.dialogs->answers.enqueue(false);
            QVERIFY(!rig.run().ended);
            QVERIFY(rig.scope.dialogs->Texts(QStringLiteral("open")).isEmpty());
            Pump(50);
            QVERIFY(rig.peer.Received().isEmpty());
        }
        {
            TRig rig;
            rig.dial();
            rig.form->FirmwareDir = rig.dir.path();
            const TRig::Seen seen = rig.run();  // no file queued: cancelled
            QCOMPARE(rig.scope.dialogs->shown.size(), 2);
            QCOMPARE(rig.scope.dialogs->shown[1].request.initialDir, rig.dir.path());
            QVERIFY(!seen.okShown);
            Pump(50);
            QVERIFY(rig.peer.Received().isEmpty());
            QVERIFY(rig.portUntouched());
            QVERIFY(rig.modem->DataMode());
        }
        {
            TRig rig;
            rig.csd->StartWaitMs = 300;
            rig.rom(Words(10));
            rig.form->ComPort.Close();
            rig.peer.ClearReceived();
            const TRig::Seen seen = rig.run();
            QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("info")), QStringList{kNoPort});
            QCOMPARE(seen.status, QStringLiteral("Firmware-Update fehlerhaft (Startzeichen fehlt ...)"));
            QVERIFY(seen.okShown);
            QVERIFY(!rig.form->ComPort.Connected());  // not opened again
            QVERIFY(rig.peer.Received().isEmpty());
        }
    }
};

QTEST_MAIN(TestFlashCSD)
#include "tst_flashcsd.moc"
