// The Vigilo-GSM panel and its remote-control tab in the real main window,
// over a pseudo-terminal device.
#include "panels/PanelVigiloGSM.h"
#include "support/WindowRig.h"
#include "watchdog/EnduranceRun.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {

const QString kNotConnected = QStringLiteral("nicht verbunden");
const QString kConnected = QStringLiteral("OK ... verbunden");

// A main window with the Vigilo-GSM panel on show. With a port, Com3 is a
// peer that identifies itself as a Vigilo-GSM unit.
struct TRig : TWindowRig {
    explicit TRig(bool withPort = true) : TWindowRig("#01.00.01")
    {
        if (withPort)
            selectPort();
        else
            form->ClearPanels(QStringLiteral("VigiloGSM"));
        peer.ClearReceived();
        form->Memo1()->clear();
    }

    TPanelVigiloGSM* panel() const { return qobject_cast<TPanelVigiloGSM*>(form->Panel(QStringLiteral("VigiloGSM"))); }

    // Shows the window with the tab of that title in front.
    void showTab(const QString& title)
    {
        if (!form->isVisible()) {
            form->show();
            if (!QTest::qWaitForWindowActive(form.get()))
                qFatal("window not active");
        }
        auto* tabs = w<QTabWidget>(QStringLiteral("PageControl_VGGSM"));
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == title)
                tabs->setCurrentIndex(i);
    }
};

}  // namespace

class TestVigiloGSM : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    void identificationShowsThePanelWithItsTabs()
    {
        TRig rig;
        QCOMPARE(rig.form->ActivePanel, QStringLiteral("VigiloGSM"));
        QVERIFY(rig.panel());
        QVERIFY(!rig.panel()->isHidden());
        QCOMPARE(rig.panel()->title(), QStringLiteral("Vigilo-GSM"));
        auto* tabs = rig.w<QTabWidget>(QStringLiteral("PageControl_VGGSM"));
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        QCOMPARE(titles, QStringList({"allgemein", "Assistent 1", "Assistent 2", "  CSD"}));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->widget(3)->objectName(), QStringLiteral("TabSheet2"));
        // The port selection names its port in the remote-control group.
        QCOMPARE(rig.w<QGroupBox>(QStringLiteral("GroupBoxRC"))->title(),
                 QStringLiteral("remote control via mobil phone on Com3 (= CSD)"));
        QCOMPARE(rig.w<QLabel>(QStringLiteral("LabelConnect"))->text(), kNotConnected);
        QVERIFY(rig.panel()->EnduranceRun());
        QCOMPARE(rig.panel()->EnduranceRun()->parent(), rig.panel());
    }

    // Every button of the four tabs with the fields as the form starts them.
    void everyButtonWithInitialFields()
    {
        struct Row {
            const char* button;
            QByteArray bytes;
        };
        const Row rows[] = {
            // allgemein
            {"Button5", "{+}MODUS=0\r"},
            {"Button9", "{+}MODUS=1\r"},
            {"Button6", "{+}MODUS=2\r"},
            {"Button7", "{+}MODUS=3\r"},
            {"Button8", "{+}MODUS=4\r"},
            {"Button17", "+++ABAB---"},
            {"BtnTR_VGG", "{+}TR=20\r"},
            {"BtnTF_VGG", "{+}TF=900\r"},
            {"BtnTA_VGG", "{+}TA=10\r"},
            {"BtnTV_VGG", "{+}TV=0\r"},
            {"ButtonOnapon_VGG", "{+}ONAPON=0\r"},
            {"ButtonTriapon_VGG", "{+}TRIAPON=0\r"},
            {"Button15", "{+}GET\r"},
            {"ButtonGSMinfo_VGG", "{+}gsminfo\r"},
            {"Button87", "{+}info\r"},
            {"ButtonEIN_VGG", "{+}ON=0\r"},
            {"ButtonAUS_VGG", "{+}OFF=0\r"},
            {"ButtonDeaktiv_VGG", "{+}deaktiv\r"},
            {"Button83", "{+}DELSTATUS\r"},
            {"Button40", "{+}DELEEPROM\r"},
            {"Button2", "{+}DELSIM\r"},
            {"ButtonSendVigiloGSM", "{+} \r"},
            {"Button84", "{1}TRIG=1\r"},
            {"Button85", ""},
            // Wizard-1
            {"Button_VGG_POP3Server", "{+}EmailPOP3=*\r"},
            {"Button_VGG_SMTPServer", "{+}EmailSMTP=*\r"},
            {"Button_VGG_USER", "{+}EmailUSER=*\r"},
            {"Button_VGG_PASSWORD", "{+}EmailPWD=*\r"},
            {"Button_SendEmailGPRS", "{+}SendEmailGPRS=Testtext\r"},
            {"Button_VGG_EmailToAdr1", "{+}EmailToAdr1=alarm@example.com\r"},
            {"Button_APN", "{+}GPRSAPN=internet.example.net\r"},
            {"Button_USER", "{+}GPRSUSER=egalwort\r"},
            {"Button_PWD", "{+}GPRSPWD=egalwort\r"},
            {"Button_VGG_AlarmSMS1", "{+}AlarmSMS1=*\r"},
            {"Button_VGG_AlarmSMS2", "{+}AlarmSMS2=\r"},
            {"Button_VGG_AlarmSMS3", "{+}AlarmSMS3=\r"},
            {"Button_VGG_Rst2SMS", "{+}Rst2SMS=1\r"},
            {"Button_SendSMS", "{+}SendSMS=Rufnummer,Text\r"},
            {"Button89", "{+}SMS2Email=Rufnummer\r"},
            {"Button_SendEmailSMS", "{+}SendEmailSMS=Testtext\r"},
            // Wizard-2
            {"Button_VGG_AlarmVC1", "{+}AlarmVC1=*\r"},
            {"Button_VGG_AlarmVC2", "{+}AlarmVC2=\r"},
            {"Button_VGG_AlarmVC3", "{+}AlarmVC3=\r"},
            {"Button_VGG_Rst2VC", "{+}Rst2VC=1\r"},
            {"Button_VGG_Ringtime", "{+}Ringtime=30\r"},
            {"Button_VGG_COT", "{+}COT=3\r"},
            {"Button88", "{+}CallVC1\r"},
            // CSD
            {"BtnATD_VGG", "ATD +49171;\r"},  // no number stored: the start-up default
            {"Button72", "AT\rAT+CGMI\rAT+CGMM\r"},
            {"Button73", "AT\r"},
            {"Button74", "AT\r"},
            {"Button76", "AT\r"},
            {"Button75", "AT\r"},
            {"Button77", "ATH\r"},
            {"Button78", "+++"},
        };
        TRig rig;
        // Every button of the panel is in the table.
        int buttons = 0;
        for (QPushButton* b : rig.panel()->findChildren<QPushButton*>())
            buttons += QLatin1String(b->metaObject()->className()) == QLatin1String("QPushButton");
        // The two firmware entries and the endurance start open dialogs; the
        // endurance stop sends nothing.
        QCOMPARE(buttons, int(std::size(rows)) + 4);

        for (const Row& row : rows) {
            rig.click(QLatin1String(row.button));
            const QByteArray got = rig.take(row.bytes.size());
            QVERIFY2(
                got == row.bytes,
                qPrintable(QStringLiteral("%1 sent \"%2\"").arg(QLatin1String(row.button), QString::fromLatin1(got))));
            Pump(30);
            QVERIFY2(rig.peer.Received().isEmpty(), row.button);  // nothing after the line, no CR added
        }
        QVERIFY(rig.scope.dialogs->shown.isEmpty());
        QVERIFY(rig.form->ComPort.Connected());
    }

    void fieldsAreSentAsTyped()
    {
        TRig rig;
        rig.edit("Edit_VGG_USER")->setText(QStringLiteral("  user name "));
        rig.edit("Edit_SendSMS")->clear();
        rig.edit("Edit_VGG_AlarmVC2")->setText(QStringLiteral("+49 170 1234567"));
        rig.spin("SpinEdit_VGG_COT")->setText(QStringLiteral("x"));        // not a number: the minimum
        rig.spin("SpinEdit_VGG_Rst2SMS")->setText(QStringLiteral("300"));  // read as typed, not clamped
        rig.spin("EditTF_VGG")->setText(QStringLiteral("1200"));
        for (const char* b : {"Button_VGG_USER", "Button_SendSMS", "Button_VGG_AlarmVC2", "Button_VGG_COT",
                              "Button_VGG_Rst2SMS", "BtnTF_VGG"})
            rig.click(QLatin1String(b));
        EXPECT_SENT(rig, "{+}EmailUSER=  user name \r{+}SendSMS=\r{+}AlarmVC2=+49 170 1234567\r"
                         "{+}COT=1\r{+}Rst2SMS=300\r{+}TF=1200\r");
    }

    void retriggerTimeSetsTheVigiloTriggerInterval()
    {
        TRig rig;
        QCOMPARE(rig.form->TriggerCountdown, -1);
        rig.spin("EditTR_VGG")->setText(QStringLiteral("60"));
        rig.click(QStringLiteral("BtnTR_VGG"));
        EXPECT_SENT(rig, "{+}TR=60\r");
        QCOMPARE(rig.spin("EditTrig")->text(), QStringLiteral("30"));
        QCOMPARE(rig.form->TriggerCountdown, 30);  // stopped before: now running
        QCOMPARE(rig.spin("SpinEdit24")->text(), QStringLiteral("10"));
    }

    void sequenceAndDeactivate()
    {
        TRig rig;
        rig.showTab(QStringLiteral("allgemein"));
        rig.form->Timer1.stop();
        rig.click(QStringLiteral("Button84"));  // a running cyclic trigger
        EXPECT_SENT(rig, "{1}TRIG=1\r");
        rig.form->Timer1Timer();
        rig.form->Timer1Timer();
        QCOMPARE(rig.form->TriggerCountdown, 8);

        rig.spin("EditSTein_VGG")->setText(QStringLiteral("30"));
        rig.spin("EditSTaus_VGG")->setText(QStringLiteral("40"));
        rig.click(QStringLiteral("ButtonEIN_VGG"));
        EXPECT_SENT(rig, "{+}ON=30\r");
        QCOMPARE(rig.spin("EditSTein_VGG")->text(), QStringLiteral("0"));
        QCOMPARE(rig.spin("EditSTaus_VGG")->text(), QStringLiteral("40"));
        QVERIFY(rig.timerWasRestarted);
        QCOMPARE(rig.form->StatusPanel(2)->text(), QStringLiteral("0"));
        QCOMPARE(rig.form->TriggerCountdown, 8);
        QCOMPARE(QApplication::focusWidget(), rig.w(QStringLiteral("ButtonAUS_VGG")));

        // Deactivating here leaves the cyclic trigger running.
        rig.form->SecondsCounter = 17;
        rig.spin("EditSTein_VGG")->setText(QStringLiteral("5"));
        rig.w(QStringLiteral("ButtonDeaktiv_VGG"))->setFocus();
        rig.click(QStringLiteral("ButtonDeaktiv_VGG"));
        EXPECT_SENT(rig, "{+}deaktiv\r");
        QCOMPARE(rig.spin("EditSTein_VGG")->text(), QStringLiteral("0"));
        QCOMPARE(rig.spin("EditSTaus_VGG")->text(), QStringLiteral("40"));
        QVERIFY(rig.timerWasRestarted);
        QCOMPARE(rig.form->SecondsCounter, 0);
        QCOMPARE(rig.form->TriggerCountdown, 8);
        QCOMPARE(QApplication::focusWidget(), rig.w(QStringLiteral("ButtonAUS_VGG")));
        for (int i = 0; i < 8; ++i)
            rig.form->Timer1Timer();
        EXPECT_SENT(rig, "{1}TRIG=2\r");

        rig.click(QStringLiteral("ButtonAUS_VGG"));
        EXPECT_SENT(rig, "{+}OFF=40\r");
        QCOMPARE(rig.form->TriggerCountdown, -1);
        QCOMPARE(rig.spin("EditSTaus_VGG")->text(), QStringLiteral("0"));
        QVERIFY(rig.timerWasRestarted);
        QCOMPARE(QApplication::focusWidget(), rig.w(QStringLiteral("ButtonEIN_VGG")));
    }

    void watchdogGroupUsesTheSharedTrigger()
    {
        TRig rig;
        rig.spin("EditTrig")->setText(QStringLiteral("7"));
        rig.form->TriggerCountdown = -1;
        // Typing into the interval field here does not start a stopped
        // trigger; a running one reloads from the Vigilo panel's field.
        rig.spin("SpinEdit24")->setText(QStringLiteral("50"));
        QCOMPARE(rig.form->TriggerCountdown, -1);
        rig.form->TriggerCountdown = 3;
        rig.spin("SpinEdit24")->setText(QStringLiteral("51"));
        QCOMPARE(rig.form->TriggerCountdown, 7);
        rig.click(QStringLiteral("Button85"));
        QCOMPARE(rig.form->TriggerCountdown, -1);
        rig.spin("SpinEdit23")->setText(QStringLiteral("40"));
        rig.click(QStringLiteral("Button84"));
        EXPECT_SENT(rig, "{1}TRIG=1\r");  // counted in the Vigilo panel's field
        QCOMPARE(rig.spin("SpinEditZustand")->text(), QStringLiteral("1"));
        QCOMPARE(rig.form->TriggerCountdown, 7);
    }

    void ringtimeIsClampedWhenLeft()
    {
        TRig rig;
        rig.showTab(QStringLiteral("Wizard-2"));
        TSpinEdit* ring = rig.spin("SpinEdit_VGG_Ringtime");
        ring->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), ring);
        ring->setText(QStringLiteral("5"));
        rig.spin("SpinEdit_VGG_COT")->setFocus();
        QTRY_COMPARE(ring->text(), QStringLiteral("10"));
        rig.click(QStringLiteral("Button_VGG_Ringtime"));
        EXPECT_SENT(rig, "{+}Ringtime=10\r");
    }

    void manualPresetCompletedAndSentWithEnter()
    {
        TRig rig;
        auto* combo = rig.w<QComboBox>(QStringLiteral("ComboBoxVigiloGSM"));
        const QStringList presets = {"{+} ",
                                     "{+} RST2SMS =",
                                     "{+} RST2VC =",
                                     "{+} Caller1 = ",
                                     "{+} Caller2 = ",
                                     "{+} Caller3 = ",
                                     "{+} AlarmSMS1 = ",
                                     "{+} AlarmSMS2 = ",
                                     "{+} AlarmSMS3 = ",
                                     "{+} AlarmVC1 = ",
                                     "{+} AlarmVC2 = ",
                                     "{+} AlarmVC3 = ",
                                     "{+} SendSMS = Rufnummer,Text",
                                     "{+} PIN = ",
                                     "{+} EmailToAdr1 = ",
                                     "{+} EmailSMTP = ",
                                     "{+} EmailPOP3 = ",
                                     "{+} EmailUser = ",
                                     "{+} EmailPwd = "};
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, presets);  // trailing blanks kept
        QCOMPARE(combo->currentText(), QStringLiteral("{+} "));

        combo->setCurrentIndex(int(presets.indexOf(QStringLiteral("{+} PIN = "))));
        QCOMPARE(combo->lineEdit()->text(), QStringLiteral("{+} PIN = "));
        combo->lineEdit()->end(false);
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("1234"));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        EXPECT_SENT(rig, "{+} PIN = 1234\r");
        // Sending adds nothing to the list.
        QCOMPARE(combo->count(), presets.size());
        rig.click(QStringLiteral("ButtonSendVigiloGSM"));
        EXPECT_SENT(rig, "{+} PIN = 1234\r");
    }

    void dialStoresTheNumberEvenWithoutConnect()
    {
        TRig rig;
        rig.edit("EditATD_VGG")->setText(QStringLiteral("0171 555;"));
        rig.click(QStringLiteral("BtnATD_VGG"));
        EXPECT_SENT(rig, "ATD 0171 555;\r");
        QVERIFY(FileBytes(TestSettingsFile()).contains("[Calls]\r\nATD=0171 555;\r\n"));
        Pump(100);
        QCOMPARE(rig.w<QLabel>(QStringLiteral("LabelConnect"))->text(), kNotConnected);

        // The next start shows the stored number.
        rig.form.reset();
        TFormMain again;
        QCOMPARE(again.findChild<QLineEdit*>(QStringLiteral("EditATD_VGG"))->text(), QStringLiteral("0171 555;"));
    }

    void testCommandsArePaused()
    {
        TRig rig;
        rig.click(QStringLiteral("Button72"));
        QVERIFY(rig.peer.WaitForBytes(19));
        QCOMPARE(rig.peer.Received(), QByteArray("AT\rAT+CGMI\rAT+CGMM\r"));
        const QList<TDevicePeer::Arrival> a = rig.peer.Arrivals();
        auto arrivalOf = [&](int index) { return a.at(index).ns; };
        // Bytes 0..2 "AT\r", 3..10 "AT+CGMI\r", 11..18 "AT+CGMM\r".
        QVERIFY2(arrivalOf(3) - arrivalOf(2) >= 190'000'000, "first pause");
        QVERIFY2(arrivalOf(11) - arrivalOf(10) >= 190'000'000, "second pause");
    }

    void rateButtonsReopenThePort()
    {
        struct Row {
            const char* button;
            int baud;
        };
        const Row rows[] = {{"Button75", 115200}, {"Button73", 4800}, {"Button76", 19200}, {"Button74", 9600}};
        TRig rig;
        QCOMPARE(rig.peer.SlaveBaud(), 9600);
        for (const Row& row : rows) {
            rig.peer.ClearReceived();
            rig.click(QLatin1String(row.button));
            QVERIFY(rig.peer.WaitForBytes(3));
            QCOMPARE(rig.peer.Received(), QByteArray("AT\r"));
            QCOMPARE(rig.peer.SlaveBaud(), row.baud);
            QCOMPARE(rig.peer.Arrivals().last().baud, row.baud);  // "AT" went out at the new rate
            QVERIFY(rig.form->ComPort.Connected());
            QCOMPARE(rig.form->ComPort.Port(), QStringLiteral("Com3"));
        }
        QVERIFY(rig.scope.dialogs->shown.isEmpty());
    }

    void rateButtonWithoutPort()
    {
        TRig rig(false);
        rig.click(QStringLiteral("Button76"));
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("info")), QStringList({kNoPort}));
        QVERIFY(!rig.form->ComPort.Connected());
        QCOMPARE(rig.form->RadioGroupCOM()->ItemIndex(), -1);
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    void connectLineSetsTheLabel()
    {
        TRig rig;
        auto* label = rig.w<QLabel>(QStringLiteral("LabelConnect"));
        rig.peer.Write("connect\rRING\r");
        QVERIFY(rig.logged(QStringLiteral("RING")));
        QCOMPARE(label->text(), kNotConnected);  // upper case only

        rig.peer.Write("CONNECT 9600\r");
        QVERIFY(rig.logged(QStringLiteral("CONNECT 9600")));
        QCOMPARE(label->text(), kConnected);
        rig.peer.Write("NO CARRIER\r");
        QVERIFY(rig.logged(QStringLiteral("NO CARRIER")));
        QCOMPARE(label->text(), kConnected);  // nothing sets it back

        // Any panel on show, and "DISCONNECT" holds the word as well.
        rig.form->ClearPanels(QStringLiteral("allgemein"));
        label->setText(kNotConnected);
        rig.peer.Write("DISCONNECT\r");
        QVERIFY(rig.logged(QStringLiteral("DISCONNECT")));
        QCOMPARE(label->text(), kConnected);
    }

    void freeAreaShowsTheAboutBox()
    {
        TRig rig;
        rig.showTab(QStringLiteral("  CSD"));
        TPanelVigiloGSM* panel = rig.panel();
        QPoint free(-1, -1);
        for (int y = panel->height() - 1; y >= 0 && free.x() < 0; --y)
            for (int x = 0; x < panel->width(); ++x)
                if (!panel->childAt(x, y)) {
                    free = QPoint(x, y);
                    break;
                }
        QVERIFY(free.x() >= 0);
        QTest::mouseClick(panel, Qt::LeftButton, {}, free);
        QCOMPARE(rig.scope.dialogs->Texts().size(), 1);
        QVERIFY(rig.scope.dialogs->Texts().first().startsWith(QStringLiteral("VelmorServiceSoftware\r")));

        // A click on the remote-control group is not one on the panel's free area.
        auto* group = rig.w<QGroupBox>(QStringLiteral("GroupBoxRC"));
        QTest::mouseClick(group, Qt::LeftButton, {}, QPoint(2, group->height() - 2));
        QCOMPARE(rig.scope.dialogs->Texts().size(), 1);
    }

    void firmwareUpdateAsksFirst()
    {
        TRig rig;
        rig.scope.dialogs->answers.enqueue(false);
        rig.click(QStringLiteral("ButtonFU"));
        QCOMPARE(rig.scope.dialogs->Texts(QStringLiteral("question-warning")),
                 QStringList({QStringLiteral("Wirklich flashen?\r\r")}));
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }
};

QTEST_MAIN(TestVigiloGSM)
#include "tst_vigilogsm.moc"
