// Send operations over a real pseudo-terminal with the real window.
#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "panels/PanelAllgemein.h"
#include "serial/PortLink.h"
#include "serial/SendEcho.h"
#include "support/Harness.h"
#include "widgets/RadioGroup.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestSendOps : public QObject {
    Q_OBJECT

    std::unique_ptr<TScriptedDialogsScope> scope;
    std::unique_ptr<TDevicePeer> peer;
    std::unique_ptr<TFormMain> form;

    void openPort()
    {
        form->RadioGroupCOM()->SetItemIndex(2);  // Com3, no device answers
        QVERIFY(form->ComPort.Connected());
        QVERIFY(peer->WaitForBytes(5));
        peer->ClearReceived();
        form->Memo1DblClick();
    }

private slots:
    void init()
    {
        WriteTestSettings("[Misc]\r\nCOM=0\r\n");
        peer = std::make_unique<TDevicePeer>();
        peer->MapPort(TestSettingsFile(), 3);
        scope = std::make_unique<TScriptedDialogsScope>();
        form = std::make_unique<TFormMain>();
    }
    void cleanup()
    {
        form.reset();
        peer.reset();
        scope.reset();
    }

    void echoFormats()
    {
        QCOMPARE(SendByteEcho(300, 0x41), QStringLiteral("0012C. - 41 --->"));
        QCOMPARE(SendByteEcho(0, 0), QStringLiteral("00000. - 00 --->"));
        QCOMPARE(SendByteEcho(99999, 0x0F), QStringLiteral("1869F. - 0F --->"));
        QCOMPARE(SendByteEcho(100000, 0xAB), QStringLiteral("CS --- AB --->"));
        QCOMPARE(SendPlainEcho(QStringLiteral("\r\n\t")), QStringLiteral("  --->"));
        QCOMPARE(SendPlainEcho(QStringLiteral("a\x01"
                                              "b\x7f\xe4")),
                 QStringLiteral("ab\x7f\xe4  --->"));
    }

    void sendFramesAndEchoes()
    {
        openPort();
        form->Send(QStringLiteral("GET"));
        QVERIFY(peer->WaitForBytes(7));
        QCOMPARE(peer->Received(), QByteArray("{+}GET\r"));
        QCOMPARE(LogLines(*form), QStringList({"", "{+}GET  --->"}));

        form->QuietSend = true;
        peer->ClearReceived();
        form->Send(QStringLiteral("f"));
        QVERIFY(peer->WaitForBytes(5));
        QCOMPARE(peer->Received(), QByteArray("{+}f\r"));
        QCOMPARE(LogLines(*form).size(), 2);  // no echo while quiet

        // SendPlain echoes even while quiet, without control characters.
        peer->ClearReceived();
        form->SendPlain(QStringLiteral("{+}PLCget\r"));
        QVERIFY(peer->WaitForBytes(10));
        QCOMPARE(peer->Received(), QByteArray("{+}PLCget\r"));
        QCOMPARE(LogLines(*form).mid(2), QStringList({"", "{+}PLCget  --->"}));

        peer->ClearReceived();
        form->SendPlain(QStringLiteral("\r\n"));
        QVERIFY(peer->WaitForBytes(2));
        QCOMPARE(peer->Received(), QByteArray("\r\n"));
        QCOMPARE(LogLines(*form).mid(4), QStringList({"", "  --->"}));
        QVERIFY(scope->dialogs->shown.isEmpty());
    }

    void sendByteFormatsAndQuiet()
    {
        openPort();
        form->SendByte(300, 0x41);
        form->SendByte(100000, 0xAB);
        form->SendByte(-1, 0x00);
        form->SendByte(0, 0xE4);
        QVERIFY(peer->WaitForBytes(4));
        QCOMPARE(peer->Received(), QByteArray("\x41\xAB\x00\xE4", 4));
        QCOMPARE(LogLines(*form), QStringList({"0012C. - 41 --->", "CS --- AB --->", "00000. - E4 --->"}));
        form->QuietSend = true;
        form->SendByte(1, 0x55);
        QVERIFY(peer->WaitForBytes(5));
        QCOMPARE(LogLines(*form).size(), 3);
    }

    void noPortMessageAndClearedSelection()
    {
        form->RadioGroupCOM()->SetItemIndex(2);
        form->ComPort.Close();
        peer->ClearReceived();
        form->Send(QStringLiteral("GET"));
        form->SendPlain(QStringLiteral("x\r"));
        form->SendByte(0, 0x41);
        QCOMPARE(scope->dialogs->Texts(QStringLiteral("info")), QStringList({kNoPort, kNoPort, kNoPort}));
        QCOMPARE(form->RadioGroupCOM()->ItemIndex(), -1);
        QVERIFY(!form->ComPort.Connected());  // clearing the selection opens nothing
        Pump(50);
        QCOMPARE(peer->Received(), QByteArray());
        QVERIFY(LogLines(*form).isEmpty() || !LogLines(*form).last().contains(QLatin1String("--->")));
    }

    // A send to a device that went: the port waits for it to come back,
    // says so once, and keeps the selection and the panel; what is sent
    // meanwhile is held back with a line in the log, no message box.
    void sendToAGoneDeviceWaits()
    {
        openPort();
        form->ClearPanels(QStringLiteral("Zerbo"));
        peer->Vanish();
        form->Send(QStringLiteral("GET"));
        Pump(100);
        form->SendByte(0, 0x41);
        QCOMPARE(form->ActivePanel, QStringLiteral("Zerbo"));
        QCOMPARE(form->RadioGroupCOM()->ItemIndex(), 2);
        QVERIFY(form->PortLink()->Waiting());
        QVERIFY(!form->ComPort.Connected());
        QVERIFY(scope->dialogs->shown.isEmpty());
        QCOMPARE(form->StatusPanel(1)->text(), QStringLiteral("Com3 = Gerät getrennt, warte"));
        const QStringList lines = LogLines(*form);
        QCOMPARE(lines.filter(QStringLiteral("Gerät getrennt")).size(), 1);
        QCOMPARE(lines.last(), QStringLiteral("Com3: nicht gesendet, die Schnittstelle wartet auf ihr Gerät"));
    }

    // On a port the window does not keep through a replug, a write that
    // fails clears the selection and brings the general panel back, without
    // a message; the port stays open.
    void writeFailureShowsGeneralPanel()
    {
        openPort();
        form->PortLink()->Forget();
        form->ClearPanels(QStringLiteral("Zerbo"));
        peer->Vanish();
        Pump(100);
        form->Send(QStringLiteral("GET"));
        QCOMPARE(form->ActivePanel, QStringLiteral("allgemein"));
        QCOMPARE(form->RadioGroupCOM()->ItemIndex(), -1);
        QVERIFY(form->ComPort.Connected());
        QVERIFY(!form->PortLink()->Waiting());
        QVERIFY(scope->dialogs->shown.isEmpty());
        QVERIFY(LogLines(*form).isEmpty());
    }

    // The one uncaught send error goes to the general error display (a port
    // the window does not keep through a replug, as during a firmware update).
    void sendByteErrorReachesGeneralDisplay()
    {
        openPort();
        form->PortLink()->Forget();
        peer->Vanish();
        Pump(100);
        auto* button = new QPushButton(form.get());
        QObject::connect(button, &QPushButton::clicked, form.get(), Guarded([this] { form->SendByte(0, 0x41); }));
        button->click();
        const QStringList errors = scope->dialogs->Texts(QStringLiteral("error"));
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors[0].startsWith(QStringLiteral("TransmitCommChar function failed")));
    }

    void captionButtonsAndManualField()
    {
        openPort();
        auto* caption = new QPushButton(QStringLiteral("OUT 1 = Reset"), static_cast<QWidget*>(form->allgemein()));
        QObject::connect(caption, &QPushButton::clicked, form.get(),
                         [this, caption] { form->ButtonAllg_ZBClick(caption); });
        caption->click();
        QVERIFY(peer->WaitForBytes(14));
        QCOMPARE(peer->Received(), QByteArray("OUT 1 = Reset\r"));

        auto* field = new QLineEdit(QStringLiteral("{+} VER"), static_cast<QWidget*>(form->allgemein()));
        auto* send = new QPushButton(QStringLiteral("send"), static_cast<QWidget*>(form->allgemein()));
        form->WireManualField(field, send);
        peer->ClearReceived();
        send->click();
        QVERIFY(peer->WaitForBytes(8));
        QCOMPARE(peer->Received(), QByteArray("{+} VER\r"));
        peer->ClearReceived();
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(peer->WaitForBytes(8));
        QCOMPARE(peer->Received(), QByteArray("{+} VER\r"));
        // Other keys are left to the field.
        QTest::keyClick(field, Qt::Key_A);
        QCOMPARE(field->text(), QStringLiteral("{+} VERa"));

        form->ComPort.Close();
        QTest::keyClick(field, Qt::Key_Enter);
        QCOMPARE(scope->dialogs->Texts(QStringLiteral("info")), QStringList({kNoPort}));
        QCOMPARE(form->RadioGroupCOM()->ItemIndex(), -1);
    }

    void smallCommandsOfTheGeneralPanel()
    {
        openPort();
        for (const char* b : {"ButtonHardware", "ButtonFirmware", "Button18", "ButtonEchoEIN", "ButtonEchoAUS"})
            form->findChild<QPushButton*>(QLatin1String(b))->click();
        const QByteArray expected("{+}h\r{+}f\r{+}GET\r{+}ECHO ON\r{+}ECHO OFF\r");
        QVERIFY(peer->WaitForBytes(int(expected.size())));
        QCOMPARE(peer->Received(), expected);
    }
};

QTEST_MAIN(TestSendOps)
#include "tst_sendops.moc"
