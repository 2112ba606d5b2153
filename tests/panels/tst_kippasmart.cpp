// The smart switch box panel in the real main window, over a pseudo-terminal
// device: address commands, the rate change with its autobaud sequence and
// the boxes' firmware entry.
#include "app/IniFile.h"
#include "firmware/UnitFlashen.h"
#include "panels/PanelKippaSmart.h"
#include "support/BootLoaderPeer.h"
#include "support/WindowRig.h"
#include "widgets/RadioGroup.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kNoAddress = QStringLiteral("Please set box address ...\r\rBitte erst die Boxadresse auswählen ...\r\r");
const QString kNoAdress = QStringLiteral("Please set box adress ...\r\rBitte erst die Boxadresse auswählen ...\r\r");

// Consecutive bytes the peer read at one line rate.
using TRuns = QList<QPair<QByteArray, int>>;

TRuns runsOf(const QList<TDevicePeer::Arrival>& arrivals)
{
    TRuns runs;
    for (const TDevicePeer::Arrival& a : arrivals) {
        if (runs.isEmpty() || runs.last().second != a.baud)
            runs.append({QByteArray(), a.baud});
        runs.last().first += a.byte;
    }
    return runs;
}

// A main window whose port Com3 leads to the peer, with the switch box panel
// shown through its menu entry.
struct TRig : TWindowRig {
    std::unique_ptr<TFormFlashen> flashen;

    explicit TRig(bool withPort = true)
        : TWindowRig("#01.00.00", "[Misc]\r\nCOM=0\r\n[Ports]\r\nCom9=/nonexistent/tty\r\n")
    {
        flashen = std::make_unique<TFormFlashen>(form.get());
        if (withPort)
            selectPort();
        menu("KippaSmart1")->trigger();
        peer.ClearReceived();
    }

    TPanelKippaSmart* panel() const { return form->findChild<TPanelKippaSmart*>(); }
    QComboBox* rates() const { return w<QComboBox>(QStringLiteral("ComboBoxBaudrate")); }
    QComboBox* addresses() const { return w<QComboBox>(QStringLiteral("ComboBoxBoxAdress")); }
};

}  // namespace

class TestKippaSmart : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    void menuEntryShowsThePanelAtThePortsRate()
    {
        TRig rig;
        QCOMPARE(rig.form->ActivePanel, QStringLiteral("KippaSmart"));
        QVERIFY(!rig.panel()->isHidden());
        QCOMPARE(rig.panel()->title(), QStringLiteral("Kippa-smart"));
        QVERIFY(rig.menu("KippaSmart1")->isVisible());
        QCOMPARE(rig.form->PanelLinks()->width(), 500);
        QVERIFY(rig.form->ComPort.Connected());
        QCOMPARE(rig.peer.SlaveBaud(), 9600);
        QCOMPARE(rig.rates()->currentText(), QStringLiteral("9600"));
        QCOMPARE(rig.form->BoxRate, QStringLiteral("9600"));
        // Showing the rate changed nothing: the chosen rate is still unset.
        QCOMPARE(rig.form->ChosenRate, QString());
        QCOMPARE(rig.addresses()->currentText(), QStringLiteral("- - - "));
        QCOMPARE(rig.panel()->BoxAddress(), QString());
        const QStringList rates{"4800", "9600", "19200", "38400", "57600", "115200"};
        QStringList items;
        for (int i = 0; i < rig.rates()->count(); ++i)
            items << rig.rates()->itemText(i);
        QCOMPARE(items, rates);
        QCOMPARE(rig.addresses()->count(), 10);
        QVERIFY(rig.scope.dialogs->shown.isEmpty());
        QVERIFY(rig.peer.Received().isEmpty());
    }

    void addressCommands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("address");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("ON 0") << "ButtonON" << 0 << QByteArray("RSE0");
        QTest::newRow("ON 3") << "ButtonON" << 3 << QByteArray("RSE3");
        QTest::newRow("OFF") << "ButtonOFF" << 3 << QByteArray("RSA3");
        QTest::newRow("toggle") << "ButtonToggle" << 3 << QByteArray("RST3");
        QTest::newRow("1min ON") << "Button1MinON" << 7 << QByteArray("RS+7");
        QTest::newRow("1min OFF") << "Button1MinOFF" << 3 << QByteArray("RS-3");
        QTest::newRow("read") << "ButtonReadState" << 3 << QByteArray("RS?3");
        QTest::newRow("firmware 9") << "ButtonFirmwareVersion" << 9 << QByteArray("{+}f9\r");
        QTest::newRow("hardware") << "ButtonHardwareVersion" << 3 << QByteArray("{+}h3\r");
    }
    void addressCommands()
    {
        QFETCH(QString, button);
        QFETCH(int, address);
        QFETCH(QByteArray, wire);
        TRig rig;
        rig.addresses()->setCurrentIndex(address);
        rig.w(button)->click();
        QCOMPARE(rig.take(wire.size()), wire);
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());  // nothing behind it

        // No address selected, or only typed: the message, nothing sent.
        rig.addresses()->setCurrentIndex(-1);
        rig.w(button)->click();
        rig.addresses()->setCurrentIndex(address);
        rig.addresses()->lineEdit()->clear();
        QTest::keyClicks(rig.addresses()->lineEdit(), QString::number(address));
        QCOMPARE(rig.addresses()->currentText(), QString::number(address));
        rig.w(button)->click();
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("info")), QStringList(2, kNoAddress));
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    void manualCommandGoesOutAsTyped()
    {
        TRig rig;
        auto* field = rig.w<QLineEdit>(QStringLiteral("EditKommando2"));
        QCOMPARE(field->text(), QString());
        field->setText(QStringLiteral("RSE1"));
        rig.w(QStringLiteral("ButtonSend"))->click();
        QCOMPARE(rig.scope.dialogs->Texts(), QStringList{kNoAdress});
        rig.addresses()->setCurrentIndex(5);
        rig.w(QStringLiteral("ButtonSend"))->click();
        QCOMPARE(rig.take(5), QByteArray("RSE1\r"));
        // Enter in the field does what the button does, check included.
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(rig.take(5), QByteArray("RSE1\r"));
        rig.addresses()->setCurrentIndex(-1);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(rig.scope.dialogs->Texts(), QStringList(2, kNoAdress));
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    void rateChoiceMovesOnlyThePort()
    {
        TRig rig;
        rig.rates()->setCurrentIndex(5);
        QCOMPARE(rig.peer.SlaveBaud(), 115200);
        QCOMPARE(rig.form->ChosenRate, QStringLiteral("115200"));
        QCOMPARE(rig.form->BoxRate, QStringLiteral("9600"));
        // Typed text selects no entry: 9600.
        QTest::keyClicks(rig.rates()->lineEdit(), QStringLiteral("12"));
        QCOMPARE(rig.peer.SlaveBaud(), 9600);
        QCOMPARE(rig.form->ChosenRate, QStringLiteral("9600"));
        // Choosing the entry again after typing selects it anew.
        QMetaObject::invokeMethod(rig.rates(), "activated", Q_ARG(int, 5));
        QCOMPARE(rig.peer.SlaveBaud(), 115200);
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
        QVERIFY(rig.scope.dialogs->shown.isEmpty());
    }

    // A port that does not open: the general error display, the chosen rate
    // as it was, and no crash.
    void rateChoiceOnAPortThatFails()
    {
        TRig rig(false);
        rig.form->ComPort.Close();
        rig.form->ComPort.SetPort(QStringLiteral("Com9"));
        rig.form->ChosenRate = QStringLiteral("19200");
        rig.rates()->setCurrentIndex(2);
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("error")).size(), 1);
        QVERIFY(rig.scope.dialogs->Texts(QStringLiteral("error"))
                    .first()
                    .startsWith(QStringLiteral("Unable to open com port")));
        QCOMPARE(rig.form->ChosenRate, QStringLiteral("19200"));
        QVERIFY(!rig.form->ComPort.Connected());
        // The autobaud sequence on it ends at its first byte, with the port
        // layer's error.
        rig.w(QStringLiteral("ButtonSetBaudrate"))->click();
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("error")).size(), 2);
        QCOMPARE(rig.form->BoxRate, QStringLiteral("9600"));
    }

    void autobaudSequence_data()
    {
        QTest::addColumn<int>("choice");  // entry chosen first; -1: none
        QTest::addColumn<int>("newRate");
        QTest::addColumn<QString>("boxRateAfter");
        QTest::newRow("nothing chosen") << -1 << 9600 << QString();
        QTest::newRow("115200 chosen") << 5 << 115200 << QStringLiteral("115200");
        QTest::newRow("19200 chosen") << 2 << 19200 << QStringLiteral("19200");
    }
    void autobaudSequence()
    {
        QFETCH(int, choice);
        QFETCH(int, newRate);
        QFETCH(QString, boxRateAfter);
        TRig rig;
        if (choice >= 0)
            rig.rates()->setCurrentIndex(choice);
        rig.peer.ClearReceived();
        rig.w(QStringLiteral("ButtonSetBaudrate"))->click();
        QVERIFY(rig.peer.WaitForBytes(11, 3000));
        const QList<TDevicePeer::Arrival> arrivals = rig.peer.Arrivals();
        QCOMPARE(rig.peer.Received(), QByteArray("U{+}reset\rU"));
        QCOMPARE(arrivals[0].baud, newRate);  // at the rate the program talks now
        for (int i = 1; i < 10; ++i)
            QCOMPARE(arrivals[i].baud, 9600);  // at the boxes' rate
        QCOMPARE(arrivals[10].baud, newRate);
        QVERIFY(arrivals[10].ns - arrivals[9].ns >= 490'000'000LL);
        QCOMPARE(rig.form->BoxRate, boxRateAfter);
        QCOMPARE(rig.peer.SlaveBaud(), newRate);
        // The reset and the "U" are logged; the first byte is not.
        const QStringList log = LogLines(*rig.form);
        QCOMPARE(log.filter(QStringLiteral("reset")).size(), 1);
    }

    void firmwareEntry()
    {
        TRig rig;
        // Declined: nothing happens.
        rig.scope.dialogs->answers.enqueue(false);
        rig.w(QStringLiteral("ButtonFWUpdate"))->click();
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("question-warning")),
                 QStringList{QStringLiteral("wirklich flashen?\r\r")});
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());

        // The boxes listen at 19200; a box's loader answers at 115200.
        rig.rates()->setCurrentIndex(2);
        rig.w(QStringLiteral("ButtonSetBaudrate"))->click();
        QCOMPARE(rig.form->BoxRate, QStringLiteral("19200"));
        QVERIFY(rig.peer.WaitForBytes(11, 3000));
        rig.peer.ClearReceived();
        rig.form->Memo1DblClick();
        QTemporaryDir dir;
        const QString rom = dir.filePath(QStringLiteral("box.rom"));
        QFile f(rom);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("0000:3FA5\r\n0001:1234\r\n");
        f.close();
        rig.scope.dialogs->files.enqueue(rom);
        TBootLoaderPeer loader(rig.peer, 128);

        QTimer closer;
        closer.setInterval(10);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (rig.flashen->isVisible() && rig.flashen->ProcedureEnded())
                rig.flashen->findChild<QPushButton*>(QStringLiteral("ButtonFlashenOK"))->click();
        });
        closer.start();
        rig.w(QStringLiteral("ButtonFWUpdate"))->click();
        closer.stop();

        QCOMPARE(rig.flashen->findChild<QLabel*>(QStringLiteral("LabelFlashen"))->text(),
                 QStringLiteral("Firmware-Update OK"));
        const QByteArray got = rig.peer.Received();
        QVERIFY(got.startsWith("{+}reset\rU{+}fwupdate\r"));
        const TRuns runs = runsOf(rig.peer.Arrivals());
        QVERIFY(runs.size() >= 2);
        QCOMPARE(runs[0], qMakePair(QByteArray("{+}reset\r"), 19200));
        QVERIFY(runs[1].first.startsWith("U{+}fwupdate\r"));
        QCOMPARE(runs[1].second, 115200);
        QCOMPARE(loader.StartBaud(), 115200);
        QCOMPARE(loader.Flash(), QByteArray("\xA5\x3F\x34\x12") + QByteArray(124, char(0xFF)));
        const QList<TDevicePeer::Arrival> arrivals = rig.peer.Arrivals();
        QVERIFY(arrivals[9].ns - arrivals[8].ns >= 490'000'000LL);
        // Nothing of the reset went to the log.
        QVERIFY(LogLines(*rig.form).filter(QStringLiteral("reset")).isEmpty());
        // The port is returned at 9600, and both rates with it.
        QCOMPARE(rig.peer.SlaveBaud(), 9600);
        QCOMPARE(rig.form->ChosenRate, QStringLiteral("9600"));
        QCOMPARE(rig.form->BoxRate, QStringLiteral("9600"));
    }
};

QTEST_MAIN(TestKippaSmart)
#include "tst_kippasmart.moc"
