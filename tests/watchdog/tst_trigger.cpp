// The seconds tick and the cyclic watchdog trigger. Ticks are driven by
// calling Timer1Timer directly; the real timer is kept stopped.
#include "support/WindowRig.h"
#include "watchdog/TriggerLogic.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <limits>

namespace {

struct TRig : TWindowRig {
    explicit TRig(bool withPort = true) : TWindowRig("#01.00.00")
    {
        if (withPort)
            selectPort();
        else
            form->ClearPanels(QStringLiteral("Vigilo"));
        peer.ClearReceived();
    }

    TSpinEdit* state() const { return form->SpinEditZustand(); }
    TSpinEdit* interval() const { return form->EditTrig(); }
    QString seconds() const { return form->StatusPanel(2)->text(); }

    void start() { click(QStringLiteral("TrigStartBtn")); }
    void tick() { form->Timer1Timer(); }

    // Nothing more went out.
    bool quiet()
    {
        Pump(50);
        return peer.Received().isEmpty();
    }
};

}  // namespace

class TestTrigger : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    // The edges the ticks cannot reach: typed values at the int limits.
    void arithmeticAtTheLimits()
    {
        constexpr int kMax = std::numeric_limits<int>::max();
        constexpr int kMin = std::numeric_limits<int>::min();
        QCOMPARE(NextCountdown(kMin), -1);
        QCOMPARE(NextTimedTrigger(kMax), 0);
        QCOMPARE(NextTimedTrigger(-5), -4);
        QCOMPARE(NextSecondsCount(kMax), 10000000);
        QCOMPARE(TriggerIntervalFor(kMax), qint64(1) << 30);
        QCOMPARE(TriggerIntervalFor(-3), -1);  // div truncates toward zero
    }

    void secondsCounterSaturates()
    {
        int s = 0;
        for (int i = 0; i < 1000000; ++i)
            s = NextSecondsCount(s);
        QCOMPARE(s, 1000000);
        s = NextSecondsCount(s);
        QCOMPARE(s, 10000000);
        for (int i = 0; i < 1000; ++i)
            s = NextSecondsCount(s);
        QCOMPARE(s, 10000000);

        TRig rig(false);
        rig.form->SecondsCounter = 999999;
        rig.tick();
        QCOMPARE(rig.seconds(), QStringLiteral("1000000"));
        rig.tick();
        QCOMPARE(rig.seconds(), QStringLiteral("10000000"));
        rig.tick();
        QCOMPARE(rig.seconds(), QStringLiteral("10000000"));
        QCOMPARE(rig.form->SecondsCounter, 10000000);
        QVERIFY(rig.form->StatusPanel(0)->text().startsWith(QStringLiteral("V") + rig.form->VersionText
                                                            + QStringLiteral(", ")));
    }

    // Start sends 1 at once, then 2 after ten ticks and 3 after twenty.
    void triggerSequence()
    {
        TRig rig;
        QCOMPARE(rig.form->TriggerCountdown, -1);
        rig.form->SecondsCounter = 77;
        rig.start();
        EXPECT_SENT(rig, "{1}TRIG=1\r");
        QVERIFY(rig.timerWasRestarted);
        QCOMPARE(rig.form->SecondsCounter, 0);
        QCOMPARE(rig.seconds(), QStringLiteral("0"));
        QCOMPARE(rig.form->TriggerCountdown, 10);

        QStringList shown;
        QList<int> states;
        for (int i = 1; i <= 25; ++i) {
            rig.tick();
            shown << rig.seconds();
            states << rig.state()->Value();
        }
        EXPECT_SENT(rig, "{1}TRIG=2\r{1}TRIG=3\r");
        QVERIFY(rig.quiet());
        QCOMPARE(shown, QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "1", "2", "3",
                                     "4", "5", "6", "7", "8", "9", "0", "1", "2", "3", "4", "5"}));
        QCOMPARE(states, QList<int>({1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3}));
        QCOMPARE(rig.form->TriggerCountdown, 5);

        // Interval 1 triggers on every tick.
        rig.interval()->SetValue(1);
        rig.tick();
        rig.tick();
        EXPECT_SENT(rig, "{1}TRIG=4\r{1}TRIG=5\r");

        // Stop: nothing sent now or later; stopping again changes nothing.
        rig.form->findChild<QPushButton*>(QStringLiteral("BtnTrigStop"))->click();
        QCOMPARE(rig.form->TriggerCountdown, -1);
        for (int i = 0; i < 15; ++i)
            rig.tick();
        rig.form->BtnTrigStopClick();
        QCOMPARE(rig.form->TriggerCountdown, -1);
        QVERIFY(rig.quiet());
        QCOMPARE(rig.state()->Value(), 5);
    }

    void counterWrapsOnlyOnTheTimer()
    {
        TRig rig;
        rig.state()->SetValue(1048575);
        rig.form->TriggerCountdown = 1;
        rig.tick();
        EXPECT_SENT(rig, "{1}TRIG=0\r");
        QCOMPARE(rig.state()->text(), QStringLiteral("0"));

        rig.state()->SetValue(1048575);
        rig.start();
        EXPECT_SENT(rig, "{1}TRIG=1048576\r");
        QCOMPARE(rig.state()->text(), QStringLiteral("1048576"));

        // Above 20 bits the next timed trigger starts from 0 again.
        rig.form->TriggerCountdown = 1;
        rig.tick();
        EXPECT_SENT(rig, "{1}TRIG=0\r");

        // The start button stops at the field's maximum.
        rig.state()->SetValue(16777215);
        rig.start();
        EXPECT_SENT(rig, "{1}TRIG=16777215\r");
        rig.state()->setText(QStringLiteral("2147483647"));
        rig.start();
        EXPECT_SENT(rig, "{1}TRIG=16777215\r");
    }

    void intervalChanges()
    {
        TRig rig;
        // From off, a changed interval starts counting without an immediate trigger.
        rig.interval()->setText(QStringLiteral("3"));
        QCOMPARE(rig.form->TriggerCountdown, 3);
        rig.tick();
        rig.tick();
        QVERIFY(rig.quiet());
        rig.tick();
        EXPECT_SENT(rig, "{1}TRIG=1\r");
        QCOMPARE(rig.form->TriggerCountdown, 3);

        // A typed 0 stands as read: the countdown passes 0 and holds at -1.
        rig.interval()->setText(QStringLiteral("0"));
        QCOMPARE(rig.form->TriggerCountdown, 0);
        for (int i = 0; i < 5; ++i) {
            rig.tick();
            QCOMPARE(rig.form->TriggerCountdown, -1);
        }
        QVERIFY(rig.quiet());
        // Leaving the field corrects it to 1, which restarts the countdown.
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(rig.interval(), &out);
        QCOMPARE(rig.interval()->text(), QStringLiteral("1"));
        QCOMPARE(rig.form->TriggerCountdown, 1);
        rig.tick();
        EXPECT_SENT(rig, "{1}TRIG=2\r");

        // A text that is no number reads as the minimum.
        rig.interval()->setText(QStringLiteral("x"));
        QCOMPARE(rig.form->TriggerCountdown, 1);
    }

    void retriggerTimeHelper()
    {
        TRig rig(false);
        rig.form->TriggerCountdown = 4;
        rig.form->SetTriggerIntervalFromRetrigger(20);  // 10 already: no change event
        QCOMPARE(rig.form->TriggerCountdown, 4);
        rig.form->SetTriggerIntervalFromRetrigger(21);
        QCOMPARE(rig.interval()->text(), QStringLiteral("11"));
        QCOMPARE(rig.form->TriggerCountdown, 11);
        rig.form->SetTriggerIntervalFromRetrigger(0);
        QCOMPARE(rig.interval()->text(), QStringLiteral("1"));
        rig.form->SetTriggerIntervalFromRetrigger(std::numeric_limits<int>::max());
        QCOMPARE(rig.interval()->text(), QStringLiteral("16777215"));
        QCOMPARE(rig.form->TriggerCountdown, 16777215);
    }

    // A due trigger without a port: one message; the ticks that run while it
    // is open neither send nor ask again and hold the countdown at -1.
    void dueTriggerWithoutPort()
    {
        TRig rig(false);
        TScriptedDialogs* dialogs = rig.scope.dialogs;
        QList<int> nestedCountdowns;
        QStringList nestedSeconds;
        int depth = 0;
        dialogs->onShow = [&](const TScriptedDialogs::Shown&) {
            if (depth++ == 0) {
                for (int i = 0; i < 3; ++i) {
                    rig.tick();
                    nestedCountdowns << rig.form->TriggerCountdown;
                    nestedSeconds << rig.seconds();
                }
            }
            --depth;
        };

        rig.form->SecondsCounter = 4;
        rig.form->TriggerCountdown = 1;
        rig.tick();
        QCOMPARE(dialogs->Texts(QStringLiteral("info")), QStringList({kNoPort}));
        QCOMPARE(nestedCountdowns, QList<int>({-1, -1, -1}));
        QCOMPARE(nestedSeconds, QStringList({"6", "7", "8"}));
        // After the message: counter reset, countdown reloaded, field advanced.
        QCOMPARE(rig.form->SecondsCounter, 0);
        QCOMPARE(rig.seconds(), QStringLiteral("0"));
        QCOMPARE(rig.form->TriggerCountdown, 10);
        QCOMPARE(rig.state()->text(), QStringLiteral("1"));

        // The next attempt follows one interval later.
        for (int i = 0; i < 9; ++i)
            rig.tick();
        QCOMPARE(dialogs->Texts(QStringLiteral("info")).size(), 1);
        rig.tick();
        QCOMPARE(dialogs->Texts(QStringLiteral("info")).size(), 2);
        QCOMPARE(rig.state()->text(), QStringLiteral("2"));

        // The start button without a port: message, and it starts all the same.
        dialogs->onShow = nullptr;
        rig.form->SecondsCounter = 3;
        rig.start();
        QCOMPARE(dialogs->Texts(QStringLiteral("info")).size(), 3);
        QCOMPARE(dialogs->Texts(QStringLiteral("info")).last(), kNoPort);
        QCOMPARE(rig.state()->text(), QStringLiteral("3"));
        QVERIFY(rig.timerWasRestarted);
        QCOMPARE(rig.form->SecondsCounter, 0);
        QCOMPARE(rig.form->TriggerCountdown, 10);
        QVERIFY(!LogLines(*rig.form).join(QLatin1Char('\n')).contains(QStringLiteral("--->")));
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    void testToggle()
    {
        TRig rig;
        QVERIFY(!rig.form->Timer3.isActive());
        rig.form->ButtonTest1Click();
        QVERIFY(rig.form->Timer3.isActive());
        QCOMPARE(rig.form->Timer3.interval(), 1000);
        rig.form->ButtonTest0Click();
        QVERIFY(!rig.form->Timer3.isActive());

        rig.form->Timer3Timer();
        rig.form->Timer3Timer();
        rig.form->Timer3Timer();
        EXPECT_SENT(rig, "{+}off\r{+}on\r{+}off\r");
    }
};

QTEST_MAIN(TestTrigger)
#include "tst_trigger.moc"
