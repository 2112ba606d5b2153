// The I/O box's panel in the real main window, over a pseudo-terminal device.
#include "panels/PanelZerbo.h"
#include "support/WindowRig.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QApplication>
#include <QPushButton>
#include <QtTest>

namespace {

// A main window over Com3, where a peer identifies itself as the I/O box.
struct TRig : TWindowRig {
    TRig() : TWindowRig("#09.00.00")
    {
        panelName = QStringLiteral("Zerbo");
        selectPort();
        peer.ClearReceived();
    }
};

}  // namespace

class TestZerbo : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    // Every button: caption, the content put into its field (none: the
    // initial one) and exactly the bytes it writes.
    void everyButton()
    {
        struct Row {
            const char* button;
            const char* caption;
            const char* field;
            const char* text;
            QByteArray bytes;
        };
        const Row rows[] = {
            {"BtnSet1_ZB", "Automatische Aenderungsmeldung ---> SET 1 =", nullptr, nullptr, "SET 1 = 0\r"},
            {"BtnSet1_ZB", "Automatische Aenderungsmeldung ---> SET 1 =", "SpinEditSet1_ZB", "1", "SET 1 = 1\r"},
            {"BtnSet2_ZB", "Output-Restore nach PowerON ---> SET 2 =", nullptr, nullptr, "SET 2 = 0\r"},
            {"BtnSet3_ZB", "Intro nach PowerON ---> SET 3 =", "SpinEditSet3_ZB", "1", "SET 3 = 1\r"},
            {"BtnSet4_ZB", "Echo ---> SET 4 =", "SpinEditSet4_ZB", "44", "SET 4 = 44\r"},
            {"BtnSet5_ZB", "Reset-Ausschaltzeit [sek] ---> SET 5 =", nullptr, nullptr, "SET 5 = 1\r"},
            {"BtnSet5_ZB", "Reset-Ausschaltzeit [sek] ---> SET 5 =", "SpinEditSet5_ZB", "55", "SET 5 = 55\r"},
            {"BtnInfo1_ZB", "?", nullptr, nullptr, "?\r"},
            {"BtnInfo2_ZB", "{+} GET", nullptr, nullptr, "{+} GET\r"},
            {"Button31", "OUT 1 = 0", nullptr, nullptr, "OUT 1 = 0\r"},
            {"Button33", "OUT 2 = 0", nullptr, nullptr, "OUT 2 = 0\r"},
            {"Button32", "OUT 3 = 0", nullptr, nullptr, "OUT 3 = 0\r"},
            {"Button36", "OUT 1 = 1", nullptr, nullptr, "OUT 1 = 1\r"},
            {"Button37", "OUT 2 = 1", nullptr, nullptr, "OUT 2 = 1\r"},
            {"Button38", "OUT 3 = 1", nullptr, nullptr, "OUT 3 = 1\r"},
            {"Button41", "OUT 1 = Reset", nullptr, nullptr, "OUT 1 = Reset\r"},
            {"Button42", "OUT 2 = Reset", nullptr, nullptr, "OUT 2 = Reset\r"},
            {"Button43", "OUT 3 = Reset", nullptr, nullptr, "OUT 3 = Reset\r"},
            {"Button48", "OUT 1 = Pulse", nullptr, nullptr, "OUT 1 = Pulse\r"},
            {"Button49", "OUT 2 = Pulse", nullptr, nullptr, "OUT 2 = Pulse\r"},
            {"Button60", "OUT 3 = Pulse", nullptr, nullptr, "OUT 3 = Pulse\r"},
            {"Button34", "OUT X = 0", nullptr, nullptr, "OUT X = 0\r"},
            {"Button35", "OUT X = 1", nullptr, nullptr, "OUT X = 1\r"},
        };

        TRig rig;
        QCOMPARE(rig.form->ActivePanel, QStringLiteral("Zerbo"));
        QVERIFY(qobject_cast<TPanelZerbo*>(rig.form->Panel(QStringLiteral("Zerbo"))));
        for (const Row& row : rows) {
            const QString name = QLatin1String(row.button);
            QVERIFY2(rig.w(name)->text() == QString::fromUtf8(row.caption), row.button);
            if (row.field)
                rig.spin(QLatin1String(row.field))->setText(QLatin1String(row.text));
            rig.w(name)->click();
            const QByteArray got = rig.take(row.bytes.size());
            QVERIFY2(got == row.bytes, qPrintable(name + QStringLiteral(": ") + QString::fromLatin1(got)));
        }
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
        // Sixteen caption buttons and five settings: nothing else sends.
        QCOMPARE(rig.form->Panel(QStringLiteral("Zerbo"))->findChildren<QPushButton*>().size(), 16 + 5 + 1);
    }

    void fieldClampsWhenLeft()
    {
        TRig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        rig.form->Timer1.stop();
        TSpinEdit* set5 = rig.spin(QStringLiteral("SpinEditSet5_ZB"));
        set5->setFocus();
        set5->setText(QStringLiteral("90"));
        QTest::mouseClick(rig.w(QStringLiteral("BtnSet5_ZB")), Qt::LeftButton);
        QCOMPARE(set5->text(), QStringLiteral("60"));
        QCOMPARE(rig.take(11), QByteArray("SET 5 = 60\r"));
    }

    // The box's "SETn=" answers reach the fields only while the panel is on
    // show, clamped to the fields' ranges.
    void answersReflectWhileShown()
    {
        TRig rig;
        rig.peer.Write("SET4=12\rSET5=99\rSET1=3\rSET2=1\rSET3= 1\r");
        QVERIFY(rig.logged(QStringLiteral("SET3= 1")));
        QCOMPARE(rig.spin(QStringLiteral("SpinEditSet4_ZB"))->text(), QStringLiteral("12"));
        QCOMPARE(rig.spin(QStringLiteral("SpinEditSet5_ZB"))->text(), QStringLiteral("60"));
        QCOMPARE(rig.spin(QStringLiteral("SpinEditSet1_ZB"))->text(), QStringLiteral("1"));
        QCOMPARE(rig.spin(QStringLiteral("SpinEditSet2_ZB"))->text(), QStringLiteral("1"));
        QCOMPARE(rig.spin(QStringLiteral("SpinEditSet3_ZB"))->text(), QStringLiteral("1"));

        // The spaced form the panel sends is not an answer.
        rig.peer.Write("SET 4 = 30\r");
        QVERIFY(rig.logged(QStringLiteral("SET 4 = 30")));
        QCOMPARE(rig.spin(QStringLiteral("SpinEditSet4_ZB"))->text(), QStringLiteral("12"));

        rig.form->ClearPanels(QStringLiteral("Quintra"));
        rig.peer.Write("SET4=77\r");
        QVERIFY(rig.logged(QStringLiteral("SET4=77")));
        QCOMPARE(rig.spin(QStringLiteral("SpinEditSet4_ZB"))->text(), QStringLiteral("12"));

        rig.form->ClearPanels(QStringLiteral("Zerbo"));
        rig.peer.Write("SET4=78\r");
        QVERIFY(rig.logged(QStringLiteral("SET4=78")));
        QCOMPARE(rig.spin(QStringLiteral("SpinEditSet4_ZB"))->text(), QStringLiteral("78"));
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    void firmwareButton()
    {
        TRig rig;
        QCOMPARE(rig.w(QStringLiteral("Button45"))->text(), QStringLiteral("Firmware-Update"));
        TScriptedDialogs& dialogs = *rig.scope.dialogs;
        dialogs.answers.enqueue(false);
        rig.w(QStringLiteral("Button45"))->click();
        QCOMPARE(dialogs.Texts(QStringLiteral("question-warning")), QStringList{"Wirklich flashen?\r\r"});
        Pump(50);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }
};

QTEST_MAIN(TestZerbo)
#include "tst_zerbo.moc"
