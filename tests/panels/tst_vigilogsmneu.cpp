// The newer GSM watchdog unit's panel in the real main window, over a
// pseudo-terminal device: commands, the status display fed by every
// received line, and the PC heartbeat.
#include "panels/PanelVigiloGSMNEU.h"
#include "panels/VigiloStatus.h"
#include "serial/PortLink.h"
#include "support/WindowRig.h"
#include "widgets/RadioGroup.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {

struct TRig : TWindowRig {
    TRig() : TWindowRig("#01.00.00")
    {
        selectPort();
        peer.ClearReceived();
        menu("VigiloGSMNEU1")->trigger();
    }

    TPanelVigiloGSMNEU* panel() const { return form->findChild<TPanelVigiloGSMNEU*>(); }
    QString status() const { return w<QLabel>(QStringLiteral("VGGSMNEU_L_STATUS"))->text(); }

    // The device sends a line; waits until the receive side has logged it.
    void receive(const QByteArray& line)
    {
        const int before = int(LogLines(*form).size());
        peer.Write(line);
        QVERIFY(PumpUntil([&] { return LogLines(*form).size() > before && form->RxLine.isEmpty(); }, 3000));
        Pump(20);
    }

    void tick(int n)
    {
        for (int i = 0; i < n; ++i)
            QMetaObject::invokeMethod(&form->HeartbeatTimer, "timeout");
    }
};

}  // namespace

class TestVigiloGSMNEU : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    void menuEntryShowsThePanelAndAsksForTheStatus()
    {
        TRig rig;
        QCOMPARE(rig.form->ActivePanel, QStringLiteral("VigiloGSMNEU"));
        QVERIFY(!rig.panel()->isHidden());
        QCOMPARE(rig.take(7), QByteArray("{+}GET\r"));
        QCOMPARE(rig.status(), QStringLiteral("Bitte warten..."));
        auto* pages = rig.w<QTabWidget>(QStringLiteral("PageControl_VGGSMNEU"));
        QCOMPARE(pages->count(), 1);
        QCOMPARE(pages->widget(0)->objectName(), QStringLiteral("TabSheet8"));
        QCOMPARE(pages->tabText(0), QStringLiteral("Befehle Senden"));
        const QColor bg = rig.panel()->palette().color(QPalette::Window);
        QVERIFY(bg.blue() > bg.red() && bg.blue() > 200);
        QVERIFY(!rig.w<QCheckBox>(QStringLiteral("VGGSMNEU_CB_HBPERIODIC"))->isChecked());
        QVERIFY(!rig.w<QCheckBox>(QStringLiteral("VGGSMNEU_CB_HBCHECKPROCESS"))->isEnabled());
        QVERIFY(!rig.edit(QStringLiteral("VGGSMNEU_TE_HBPROCESSNAME"))->isEnabled());
        QCOMPARE(rig.edit(QStringLiteral("VGGSMNEU_TE_HBPROCESSNAME"))->text(), QStringLiteral("PROZESSNAME.exe"));
        QVERIFY(!rig.form->HeartbeatTimer.isActive());
    }

    void commands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("on") << "Button132" << QByteArray("{+}ON!\r");
        QTest::newRow("off") << "Button133" << QByteArray("{+}OFF!\r");
        QTest::newRow("reset") << "Button134" << QByteArray("{+}RESET!\r");
        QTest::newRow("voice") << "Button136" << QByteArray("{+}VOICENR=0170 1\r");
        for (int i = 1; i <= 5; ++i)
            QTest::newRow(qPrintable(QStringLiteral("sms %1").arg(i)))
                << QStringLiteral("VGGSMNEU_B_SMSNR%1").arg(i)
                << QStringLiteral("{+}SMSNR%1=0%1%1\r").arg(i).toLatin1();
        QTest::newRow("heartbeat") << "Button139" << QByteArray("{+}HEARTBEAT\r");
        QTest::newRow("warn only") << "Button138" << QByteArray("{+}Alarmmode=WARNONLY\r");
        QTest::newRow("alarm reset") << "Button140" << QByteArray("{+}Alarmmode=RESET\r");
        QTest::newRow("power on") << "Button141" << QByteArray("{+}Alarmmode=POWERON\r");
        QTest::newRow("power off") << "Button144" << QByteArray("{+}Alarmmode=POWEROFF\r");
        QTest::newRow("get") << "Button143" << QByteArray("{+}GET\r");
        QTest::newRow("manual") << "Button142" << QByteArray("{+}FIRMWARE?\r");
    }
    void commands()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, wire);
        TRig rig;
        rig.take(7);
        rig.edit(QStringLiteral("VGGSMNEU_TE_SPNR"))->setText(QStringLiteral("0170 1"));
        for (int i = 1; i <= 5; ++i)
            rig.edit(QStringLiteral("VGGSMNEU_TE_SMSNR%1").arg(i))->setText(QStringLiteral("0%1%1").arg(i));
        rig.w(button)->click();
        QCOMPARE(rig.take(wire.size()), wire);
        Pump(30);
        QCOMPARE(rig.peer.Received(), QByteArray());
        if (button == QLatin1String("Button142"))
            QCOMPARE(rig.edit(QStringLiteral("VGGSMNEU_TE_CUSTOMCOMMAND"))->text(), QStringLiteral("{+}"));
        if (button == QLatin1String("Button143"))
            QCOMPARE(rig.status(), QStringLiteral("Bitte warten..."));
    }

    void smsHandlerIgnoresOtherSenders()
    {
        TRig rig;
        rig.take(7);
        rig.panel()->SetSMSNumberClick(rig.w(QStringLiteral("Button132")));
        rig.panel()->SetSMSNumberClick(nullptr);
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    // The status line, whichever panel is on show.
    void statusLineFillsLabelAndFields()
    {
        TRig rig;
        rig.form->ClearPanels(QStringLiteral("allgemein"));
        rig.receive("Vigilo-GSM status: ok,sprach-nr: 0123,sms-nr1: 0456,sms-nr2: -,x\r");
        QCOMPARE(rig.status(),
                 QStringLiteral("Vigilo-GSM status: ok\r\nsprach-nr: 0123\r\nsms-nr1: 0456\r\nsms-nr2: -\r\nx"));
        QCOMPARE(rig.edit(QStringLiteral("VGGSMNEU_TE_SPNR"))->text(), QStringLiteral("0123"));
        QCOMPARE(rig.edit(QStringLiteral("VGGSMNEU_TE_SMSNR1"))->text(), QStringLiteral("0456"));
        QCOMPARE(rig.edit(QStringLiteral("VGGSMNEU_TE_SMSNR2"))->text(), QStringLiteral("-"));
        QCOMPARE(rig.edit(QStringLiteral("VGGSMNEU_TE_SMSNR3"))->text(), QString());

        // Entering a field with a lone "-" empties it; a number stays.
        rig.form->ClearPanels(QStringLiteral("VigiloGSMNEU"));
        for (const char* name : {"VGGSMNEU_TE_SMSNR2", "VGGSMNEU_TE_SMSNR1"}) {
            QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
            QCoreApplication::sendEvent(rig.edit(QLatin1String(name)), &focus);
        }
        QCOMPARE(rig.edit(QStringLiteral("VGGSMNEU_TE_SMSNR2"))->text(), QString());
        QCOMPARE(rig.edit(QStringLiteral("VGGSMNEU_TE_SMSNR1"))->text(), QStringLiteral("0456"));
    }

    // Numbers from lines that are no status line, through the receive side.
    void numbersFromOtherLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");  // empty: the field keeps "old"
        QTest::newRow("any case, number at the end") << QByteArray("SMS-NR3: 0789\r") << "VGGSMNEU_TE_SMSNR3"
                                                     << "0789";
        QTest::newRow("ended by slash") << QByteArray("Sprach-Nr: 0123/") << "VGGSMNEU_TE_SPNR"
                                        << "0123";
        QTest::newRow("sms-nr10 feeds index 1") << QByteArray("sms-nr10: 555\r") << "VGGSMNEU_TE_SMSNR1"
                                                << "555";
        QTest::newRow("up to the next colon") << QByteArray("sms-nr5: 0511: rest\r") << "VGGSMNEU_TE_SMSNR5"
                                              << "0511";
        QTest::newRow("no colon") << QByteArray("sms-nr4 0444\r") << "VGGSMNEU_TE_SMSNR4"
                                  << "";
        QTest::newRow("nothing after the colon") << QByteArray("sms-nr4:   \r") << "VGGSMNEU_TE_SMSNR4"
                                                 << "";
        QTest::newRow("colon only in the slash end") << QByteArray("sprach-nr/") << "VGGSMNEU_TE_SPNR"
                                                     << "";
    }
    void numbersFromOtherLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, field);
        QFETCH(QString, value);
        TRig rig;
        rig.edit(field)->setText(QStringLiteral("old"));
        rig.receive(line);
        QCOMPARE(rig.edit(field)->text(), value.isEmpty() ? QStringLiteral("old") : value);
        QCOMPARE(rig.status(), QStringLiteral("Bitte warten..."));  // no status line
    }

    // Long and odd lines: bounded work, no crash.
    void oddLinesStayCheap()
    {
        TRig rig;
        const QString marker = QStringLiteral("       <--- ");
        const QStringList lines{
            marker + QStringLiteral("Vigilo-GSM status: ") + QString(100000, QLatin1Char(',')),
            marker + QString(100000, QLatin1Char(':')),
            marker + QStringLiteral("sms-nr1:") + QString(100000, QLatin1Char('7')),
            marker + QStringLiteral("vigilo-gsm status:") + QStringLiteral("sms-nr2: 1,sms-nr2: 2,").repeated(5000),
        };
        QElapsedTimer clock;
        clock.start();
        for (const QString& line : lines)
            rig.panel()->updateVGGSMNEUStateDisplay(line);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        // The first of repeated keys counts.
        QCOMPARE(rig.edit(QStringLiteral("VGGSMNEU_TE_SMSNR2"))->text(), QStringLiteral("1"));
        QVERIFY(rig.edit(QStringLiteral("VGGSMNEU_TE_SMSNR1"))->text().startsWith(QStringLiteral("777")));
        QCOMPARE(ParseVigiloStatus(lines[2]).smsNumbers[0]->size(), 100000);
        QCOMPARE(rig.status().count(QLatin1Char('\n')), 10000);
        // The parser alone on the same lines, and on the marker cut in any case.
        QCOMPARE(ParseVigiloStatus(QStringLiteral("  <--- vIGILO-gsm STATUS: a,b  ")).statusText,
                 std::optional<QString>(QStringLiteral("vIGILO-gsm STATUS: a\r\nb")));
    }

    void heartbeat()
    {
        TRig rig;
        rig.take(7);
        auto* periodic = rig.w<QCheckBox>(QStringLiteral("VGGSMNEU_CB_HBPERIODIC"));
        auto* check = rig.w<QCheckBox>(QStringLiteral("VGGSMNEU_CB_HBCHECKPROCESS"));
        auto* name = rig.edit(QStringLiteral("VGGSMNEU_TE_HBPROCESSNAME"));
        periodic->click();
        QVERIFY(rig.form->HeartbeatTimer.isActive());
        QCOMPARE(rig.form->HeartbeatTimer.interval(), 1000);
        QVERIFY(check->isEnabled() && name->isEnabled());
        rig.form->HeartbeatTimer.stop();  // the test ticks by itself

        rig.tick(9);
        QCOMPARE(rig.form->StatusPanel(4)->text(), QStringLiteral("Nächster Heartbeat in: 1 Sekunden..."));
        Pump(30);
        QCOMPARE(rig.peer.Received(), QByteArray());
        rig.tick(1);
        QCOMPARE(rig.form->StatusPanel(4)->text(), QStringLiteral("Nächster Heartbeat in: 0 Sekunden..."));
        QCOMPARE(rig.take(14), QByteArray("{+}HEARTBEAT\r"));

        // With the process check: only while the process runs; an empty name
        // sends always.
        struct Case {
            QString process;
            bool sent;
        };
        const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        const Case cases[] = {
            {self, true},
            {self.toUpper() + QStringLiteral(".EXE"), true},
            {QStringLiteral("no-such-program-here.exe"), false},
            {QStringLiteral("   "), true},
        };
        check->click();
        QCOMPARE(rig.panel()->Heartbeat().Count(), 0);
        for (const Case& c : cases) {
            name->setText(c.process);
            rig.tick(10);
            Pump(50);
            QCOMPARE(rig.peer.Received(), c.sent ? QByteArray("{+}HEARTBEAT\r") : QByteArray());
            rig.peer.ClearReceived();
        }

        // Ticking the process box restarts the countdown; switching off stops
        // everything and clears the text.
        rig.tick(4);
        check->click();
        QCOMPARE(rig.panel()->Heartbeat().Count(), 0);
        check->click();
        periodic->click();
        QVERIFY(!rig.form->HeartbeatTimer.isActive());
        QVERIFY(!check->isChecked() && !check->isEnabled() && !name->isEnabled());
        QCOMPARE(rig.form->StatusPanel(4)->text(), QString());
    }

    // The unit gone while the heartbeat runs: the port waits for it, the due
    // heartbeat is held (nothing logged for it), the panel stays.
    void heartbeatWithTheUnitGone()
    {
        TRig rig;
        rig.take(7);
        rig.w<QCheckBox>(QStringLiteral("VGGSMNEU_CB_HBPERIODIC"))->click();
        rig.form->HeartbeatTimer.stop();
        rig.peer.Vanish();
        QVERIFY(PumpUntil([&] { return rig.form->PortLink()->Waiting(); }));
        QElapsedTimer clock;
        clock.start();
        rig.tick(10);
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(rig.form->ActivePanel, QStringLiteral("VigiloGSMNEU"));
        QCOMPARE(rig.form->RadioGroupCOM()->ItemIndex(), 2);
        QCOMPARE(rig.panel()->Heartbeat().Count(), THeartbeat::kTicksPerHeartbeat - 1);
        QVERIFY(LogLines(*rig.form).filter(QStringLiteral("nicht gesendet")).isEmpty());
    }
};

QTEST_MAIN(TestVigiloGSMNEU)
#include "tst_vigilogsmneu.moc"
