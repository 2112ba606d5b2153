// The Vigilo panel in the real main window, over a pseudo-terminal device.
#include "panels/PanelVigilo.h"
#include "support/WindowRig.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// A main window with the Vigilo panel on show. With a port, Com3 is a peer
// that identifies itself as a Vigilo unit, so the panel comes up the way
// identification brings it up.
struct TRig : TWindowRig {
    explicit TRig(bool withPort = true) : TWindowRig("#01.00.00")
    {
        if (withPort)
            selectPort();
        else
            form->ClearPanels(QStringLiteral("Vigilo"));
        peer.ClearReceived();
        form->Memo1()->clear();
    }
};

}  // namespace

class TestVigilo : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    void identificationShowsThePanel()
    {
        TRig rig;
        QCOMPARE(rig.form->ActivePanel, QStringLiteral("Vigilo"));
        auto* panel = qobject_cast<TPanelVigilo*>(rig.form->Panel(QStringLiteral("Vigilo")));
        QVERIFY(panel);
        QVERIFY(!panel->isHidden());
        QCOMPARE(panel->title(), QStringLiteral("Vigilo"));
        // Exactly one panel of that name: the placeholder is gone.
        QCOMPARE(rig.form->findChildren<QGroupBox*>(QStringLiteral("Vigilo")).size(), 1);
        QCOMPARE(panel->Button39(), rig.w("Button39"));
        QCOMPARE(panel->Button39()->text(), QStringLiteral("Firmware-Update"));
    }

    void initialValueLines_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("TR") << "BtnTR_VGS" << QByteArray("{+}TR=20\r");
        QTest::newRow("TF") << "BtnTF_VGS" << QByteArray("{+}TF=600\r");
        QTest::newRow("TA") << "BtnTA_VGS" << QByteArray("{+}TA=10\r");
        QTest::newRow("TV") << "BtnTV_VGS" << QByteArray("{+}TV=0\r");
        QTest::newRow("read") << "BtnLastState" << QByteArray("{+}GET\r");
        QTest::newRow("mode 1") << "ButtonM1" << QByteArray("{+}MODUS=1\r");
        QTest::newRow("mode 2") << "ButtonM2" << QByteArray("{+}MODUS=2\r");
        QTest::newRow("mode 3") << "ButtonM3" << QByteArray("{+}MODUS=3\r");
        QTest::newRow("mode 4") << "Button1" << QByteArray("{+}MODUS=4\r");
        QTest::newRow("ON") << "ButtonEIN_VGS" << QByteArray("{+}ON=0\r");
        QTest::newRow("OFF") << "ButtonAUS_VGS" << QByteArray("{+}OFF=0\r");
        QTest::newRow("onapon") << "ButtonOnapon_VGS" << QByteArray("{+}ONAPON=0\r");
        QTest::newRow("triapon") << "ButtonTriapon_VGS" << QByteArray("{1}TRIAPON=0\r");
        QTest::newRow("deactivate") << "ButtonDeaktiv_VGS" << QByteArray("{1}deaktiv\r");
        QTest::newRow("defaults") << "Button79" << QByteArray("{+}DELEEPROM\r");
        QTest::newRow("aux 0") << "Button71" << QByteArray("{+}AUX1=0\r");
        QTest::newRow("aux 1") << "Button80" << QByteArray("{+}AUX1=1\r");
        QTest::newRow("aux 2") << "Button81" << QByteArray("{+}AUX1=2\r");
    }

    void initialValueLines()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, line);
        TRig rig;
        rig.click(button.toLatin1().constData());
        EXPECT_SENT(rig, line);
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
        // The echo shows whether the line went out framed or as typed.
        QCOMPARE(LogLines(*rig.form).last(), QString::fromLatin1(line.chopped(1)) + QStringLiteral("  --->"));
    }

    void valuesAreReadAtTheClick()
    {
        TRig rig;
        rig.spin("EditTA_VGS")->setText(QStringLiteral("abc"));
        rig.click("BtnTA_VGS");
        EXPECT_SENT(rig, "{+}TA=4\r");
        QCOMPARE(rig.spin("EditTA_VGS")->text(), QStringLiteral("abc"));  // reading does not correct

        rig.spin("EditTF_VGS")->setText(QStringLiteral("7"));
        rig.spin("SpinEditTriapon_VGS")->setText(QStringLiteral("1"));
        rig.spin("SpinEditOnapon_VGS")->setText(QStringLiteral("2"));
        rig.click("BtnTF_VGS");
        rig.click("ButtonTriapon_VGS");
        rig.click("ButtonOnapon_VGS");
        EXPECT_SENT(rig, "{+}TF=7\r{1}TRIAPON=1\r{+}ONAPON=2\r");
        // Editing a field sends nothing by itself.
        rig.spin("EditTV_VGS")->setText(QStringLiteral("5"));
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    void retriggerTimeSetsTheTriggerInterval()
    {
        TRig rig;
        TSpinEdit* tr = rig.spin("EditTR_VGS");
        TSpinEdit* trig = rig.spin("EditTrig");

        // 20 gives 10, which EditTrig already holds: the countdown runs on.
        rig.form->TriggerCountdown = 7;
        rig.click("BtnTR_VGS");
        EXPECT_SENT(rig, "{+}TR=20\r");
        QCOMPARE(trig->text(), QStringLiteral("10"));
        QCOMPARE(rig.form->TriggerCountdown, 7);

        tr->setText(QStringLiteral("21"));
        rig.click("BtnTR_VGS");
        EXPECT_SENT(rig, "{+}TR=21\r");
        QCOMPARE(trig->text(), QStringLiteral("11"));
        QCOMPARE(rig.form->TriggerCountdown, 11);

        // Also from off: the new interval starts the countdown.
        rig.form->TriggerCountdown = -1;
        tr->setText(QStringLiteral("1"));
        rig.click("BtnTR_VGS");
        EXPECT_SENT(rig, "{+}TR=1\r");
        QCOMPARE(trig->text(), QStringLiteral("1"));
        QCOMPARE(rig.form->TriggerCountdown, 1);

        // A typed value far beyond the range: sent as typed, EditTrig clamps.
        tr->setText(QStringLiteral("2147483647"));
        rig.click("BtnTR_VGS");
        EXPECT_SENT(rig, "{+}TR=2147483647\r");
        QCOMPARE(trig->text(), QStringLiteral("16777215"));
    }

    void onButton()
    {
        TRig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        rig.form->Timer1.stop();
        // A running cyclic trigger.
        rig.form->TrigStartBtnClick();
        rig.form->Timer1.stop();
        EXPECT_SENT(rig, "{1}TRIG=1\r");
        rig.form->Timer1Timer();
        rig.form->Timer1Timer();
        QCOMPARE(rig.form->TriggerCountdown, 8);
        QCOMPARE(rig.form->StatusPanel(2)->text(), QStringLiteral("2"));

        rig.spin("EditSTein_VGS")->setText(QStringLiteral("30"));
        rig.spin("EditSTaus_VGS")->setText(QStringLiteral("40"));
        rig.w("ButtonEIN_VGS")->setFocus();
        rig.click("ButtonEIN_VGS");
        EXPECT_SENT(rig, "{+}ON=30\r");
        QCOMPARE(rig.spin("EditSTein_VGS")->text(), QStringLiteral("0"));
        QCOMPARE(rig.spin("EditSTaus_VGS")->text(), QStringLiteral("40"));
        QVERIFY(rig.timerWasRestarted);
        QCOMPARE(rig.form->SecondsCounter, 0);
        QCOMPARE(rig.form->StatusPanel(2)->text(), QStringLiteral("0"));
        QCOMPARE(rig.form->TriggerCountdown, 8);
        QCOMPARE(QApplication::focusWidget(), rig.w("ButtonAUS_VGS"));
    }

    void offButton()
    {
        TRig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        rig.form->TriggerCountdown = 5;
        rig.form->SecondsCounter = 12;
        rig.spin("EditSTein_VGS")->setText(QStringLiteral("3"));
        rig.spin("EditSTaus_VGS")->setText(QStringLiteral("25"));
        rig.click("ButtonAUS_VGS");
        EXPECT_SENT(rig, "{+}OFF=25\r");
        QCOMPARE(rig.form->TriggerCountdown, -1);
        QCOMPARE(rig.spin("EditSTaus_VGS")->text(), QStringLiteral("0"));
        QCOMPARE(rig.spin("EditSTein_VGS")->text(), QStringLiteral("3"));
        QVERIFY(rig.timerWasRestarted);
        QCOMPARE(rig.form->SecondsCounter, 0);
        QCOMPARE(rig.form->StatusPanel(2)->text(), QStringLiteral("0"));
        QCOMPARE(QApplication::focusWidget(), rig.w("ButtonEIN_VGS"));
        // Once off, ticks send nothing.
        for (int i = 0; i < 12; ++i)
            rig.form->Timer1Timer();
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    void deactivateButton()
    {
        TRig rig;
        rig.form->TriggerCountdown = 4;
        rig.form->SecondsCounter = 33;
        rig.spin("EditSTein_VGS")->setText(QStringLiteral("8"));
        rig.spin("EditSTaus_VGS")->setText(QStringLiteral("9"));
        rig.click("ButtonDeaktiv_VGS");
        EXPECT_SENT(rig, "{1}deaktiv\r");
        QCOMPARE(rig.spin("EditSTein_VGS")->text(), QStringLiteral("0"));
        QCOMPARE(rig.spin("EditSTaus_VGS")->text(), QStringLiteral("9"));
        QCOMPARE(rig.form->TriggerCountdown, -1);
        QVERIFY(rig.timerWasRestarted);
        QCOMPARE(rig.form->SecondsCounter, 0);
        QCOMPARE(rig.form->StatusPanel(2)->text(), QStringLiteral("0"));
    }

    void manualCommandLine()
    {
        TRig rig;
        auto* edit = rig.w<QLineEdit>("EditKommando");
        QCOMPARE(edit->text(), QStringLiteral("{+} "));
        edit->setText(QStringLiteral("{+} VER"));
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_SENT(rig, "{+} VER\r");
        QCOMPARE(edit->text(), QStringLiteral("{+} VER"));
        rig.click("ButtonVGKommando");
        EXPECT_SENT(rig, "{+} VER\r");
        QCOMPARE(LogLines(*rig.form).last(), QStringLiteral("{+} VER  --->"));
    }

    void answersReflectIntoFields()
    {
        TRig rig;
        rig.form->TriggerCountdown = 6;
        rig.peer.Write("TR=35\rTA=2\rONAPON=7\rTRIAPON=1\rTF=900\rTV=3\r");
        QVERIFY(rig.logged(QStringLiteral("TV=3")));
        QCOMPARE(rig.spin("EditTR_VGS")->text(), QStringLiteral("35"));
        QCOMPARE(rig.spin("EditTA_VGS")->text(), QStringLiteral("4"));
        QCOMPARE(rig.spin("SpinEditOnapon_VGS")->text(), QStringLiteral("2"));
        QCOMPARE(rig.spin("SpinEditTriapon_VGS")->text(), QStringLiteral("1"));
        QCOMPARE(rig.spin("EditTF_VGS")->text(), QStringLiteral("900"));
        QCOMPARE(rig.spin("EditTV_VGS")->text(), QStringLiteral("3"));
        // A reflected retrigger time does not touch the trigger interval.
        QCOMPARE(rig.spin("EditTrig")->text(), QStringLiteral("10"));
        QCOMPARE(rig.form->TriggerCountdown, 6);
        QCOMPARE(rig.peer.Received(), QByteArray());

        // No whole number: the field stays.
        rig.peer.Write("TR=36s\r");
        QVERIFY(rig.logged(QStringLiteral("TR=36s")));
        QCOMPARE(rig.spin("EditTR_VGS")->text(), QStringLiteral("35"));

        // Another panel on show: logged, not reflected.
        rig.form->ClearPanels(QStringLiteral("allgemein"));
        rig.peer.Write("TR=50\rONAPON=1\r");
        QVERIFY(rig.logged(QStringLiteral("ONAPON=1")));
        QCOMPARE(rig.spin("EditTR_VGS")->text(), QStringLiteral("35"));
        QCOMPARE(rig.spin("SpinEditOnapon_VGS")->text(), QStringLiteral("2"));
    }

    void withoutPort()
    {
        TRig rig(false);
        TScriptedDialogs* dialogs = rig.scope.dialogs;
        int countdownWhileShown = 99;
        dialogs->onShow = [&](const TScriptedDialogs::Shown&) { countdownWhileShown = rig.form->TriggerCountdown; };

        const char* plainButtons[] = {"BtnTF_VGS", "BtnTA_VGS", "BtnTV_VGS", "BtnLastState",     "ButtonM1",
                                      "ButtonM2",  "ButtonM3",  "Button1",   "ButtonOnapon_VGS", "ButtonTriapon_VGS",
                                      "Button79",  "Button71",  "Button80",  "Button81",         "ButtonVGKommando"};
        for (const char* name : plainButtons) {
            const int before = dialogs->Texts(QStringLiteral("info")).size();
            rig.click(name);
            const QStringList infos = dialogs->Texts(QStringLiteral("info"));
            QVERIFY2(infos.size() == before + 1, name);
            QCOMPARE(infos.last(), kNoPort);
        }

        // The side effects happen all the same.
        rig.spin("EditTR_VGS")->setText(QStringLiteral("21"));
        rig.click("BtnTR_VGS");
        QCOMPARE(rig.spin("EditTrig")->text(), QStringLiteral("11"));
        QCOMPARE(rig.form->TriggerCountdown, 11);

        rig.form->SecondsCounter = 50;
        rig.spin("EditSTein_VGS")->setText(QStringLiteral("30"));
        rig.click("ButtonEIN_VGS");
        QCOMPARE(rig.spin("EditSTein_VGS")->text(), QStringLiteral("0"));
        QVERIFY(rig.timerWasRestarted);
        QCOMPARE(rig.form->SecondsCounter, 0);
        QCOMPARE(rig.form->TriggerCountdown, 11);

        // OFF ends the trigger before it tries to send.
        rig.spin("EditSTaus_VGS")->setText(QStringLiteral("30"));
        rig.click("ButtonAUS_VGS");
        QCOMPARE(countdownWhileShown, -1);
        QCOMPARE(rig.spin("EditSTaus_VGS")->text(), QStringLiteral("0"));
        QVERIFY(rig.timerWasRestarted);

        rig.form->TriggerCountdown = 3;
        rig.form->SecondsCounter = 9;
        rig.spin("EditSTein_VGS")->setText(QStringLiteral("4"));
        rig.click("ButtonDeaktiv_VGS");
        QCOMPARE(rig.spin("EditSTein_VGS")->text(), QStringLiteral("0"));
        QCOMPARE(rig.form->TriggerCountdown, -1);
        QCOMPARE(rig.form->SecondsCounter, 0);
        QVERIFY(rig.timerWasRestarted);

        QCOMPARE(dialogs->Texts(QStringLiteral("info")).size(), int(std::size(plainButtons)) + 4);
        QVERIFY(!LogLines(*rig.form).join(QLatin1Char('\n')).contains(QStringLiteral("--->")));
        QCOMPARE(rig.form->RadioGroupCOM()->ItemIndex(), -1);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }
};

QTEST_MAIN(TestVigilo)
#include "tst_vigilo.moc"
