// The GSM alarm box's panel: the panel switch's row, its firmware button and
// the about box on its free area.
#include "panels/PanelTocsa.h"
#include "support/Harness.h"

#include <QAction>
#include <QPushButton>
#include <QtTest>

class TestTocsa : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    void panel()
    {
        TScriptedDialogsScope scope;
        WriteTestSettings("[Misc]\r\nCOM=0\r\n");
        TFormMain form;
        form.Timer1.stop();
        form.findChild<QAction*>(QStringLiteral("Tocsa1"))->trigger();
        auto* panel = form.findChild<TPanelTocsa*>();
        QVERIFY(panel && !panel->isHidden());
        QCOMPARE(panel->objectName(), QStringLiteral("Tocsa"));
        QCOMPARE(panel->title(), QStringLiteral("Tocsa"));
        QCOMPARE(form.ActivePanel, QStringLiteral("Tocsa"));
        QVERIFY(!form.RxMarker);
        QCOMPARE(form.PanelLinks()->width(), 500);
        QCOMPARE(form.FlashBlockSize, 128);

        // One control: the firmware update, through the plain entry.
        const QList<QWidget*> controls = panel->findChildren<QWidget*>();
        QCOMPARE(controls.size(), 1);
        auto* button = qobject_cast<QPushButton*>(controls.first());
        QVERIFY(button);
        QCOMPARE(button->objectName(), QStringLiteral("Button135"));
        QCOMPARE(button->text(), QStringLiteral("Firmware-Update"));
        scope.dialogs->answers.enqueue(false);
        button->click();
        QCOMPARE(scope.dialogs->Texts(), QStringList{QStringLiteral("Wirklich flashen?\r\r")});

        // A click on the free area: the about box.
        form.show();
        QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(panel->width() - 5, panel->height() - 5));
        QCOMPARE(scope.dialogs->Texts(QStringLiteral("info")).size(), 1);
        QVERIFY(
            scope.dialogs->Texts(QStringLiteral("info")).first().startsWith(QStringLiteral("VelmorServiceSoftware\r")));
    }
};

QTEST_MAIN(TestTocsa)
#include "tst_tocsa.moc"
