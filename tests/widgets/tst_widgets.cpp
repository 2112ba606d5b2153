// The numeric field, the radio group and the dialog seam's helpers.
#include "widgets/Dialogs.h"
#include "widgets/RadioGroup.h"
#include "widgets/ScreenFit.h"
#include "widgets/SpinEdit.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

class TestWidgets : public QObject {
    Q_OBJECT

private slots:
    // Where a window goes on a screen: the size it asks for where the free
    // area holds it with its frame, else the area's size but never below its
    // minimum; the frame moved into the area, the title bar first.
    void fittedFrame_data()
    {
        QTest::addColumn<QSize>("wanted");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<bool>("centre");
        QTest::addColumn<QRect>("frame");
        const QRect laptop(0, 0, 1366, 768);
        const QRect panelOnTop(0, 32, 1920, 1048);
        QTest::newRow("1366x768, centred")
            << QSize(1043, 846) << QSize() << QPoint() << laptop << true << QRect(160, 0, 1045, 768);
        QTest::newRow("1920x1080, centred")
            << QSize(1043, 846) << QSize() << QPoint() << QRect(0, 0, 1920, 1080) << true << QRect(437, 104, 1045, 871);
        QTest::newRow("under a top panel")
            << QSize(1043, 1200) << QSize() << QPoint(10, 0) << panelOnTop << false << QRect(10, 32, 1045, 1048);
        QTest::newRow("off the right and bottom edge")
            << QSize(400, 300) << QSize() << QPoint(1200, 700) << laptop << false << QRect(964, 443, 402, 325);
        QTest::newRow("off the top left")
            << QSize(400, 300) << QSize() << QPoint(-50, -20) << laptop << false << QRect(0, 0, 402, 325);
        QTest::newRow("minimum larger than the area: title bar on screen")
            << QSize(1043, 846) << QSize(500, 900) << QPoint(100, 100) << laptop << false << QRect(100, 0, 1045, 925);
        QTest::newRow("second screen") << QSize(1043, 846) << QSize() << QPoint(1366, 0) << QRect(1366, 0, 1280, 720)
                                       << false << QRect(1366, 0, 1045, 720);
    }

    void fittedFrame()
    {
        QFETCH(QSize, wanted);
        QFETCH(QSize, minimum);
        QFETCH(QPoint, at);
        QFETCH(QRect, available);
        QFETCH(bool, centre);
        QFETCH(QRect, frame);
        const QMargins openbox(1, 20, 1, 5);
        QCOMPARE(FittedFrame(wanted, minimum.isValid() ? minimum : QSize(0, 0), at, openbox, available, centre), frame);
    }

    void readingDoesNotClamp()
    {
        TSpinEdit e;
        e.SetRange(1, 16777215);
        e.setText(QStringLiteral("0"));
        QCOMPARE(e.Value(), 0);  // typed below the minimum: read as typed
        e.setText(QStringLiteral("-5"));
        QCOMPARE(e.Value(), -5);
        e.setText(QStringLiteral("abc"));
        QCOMPARE(e.Value(), 1);  // not an integer: the minimum
        e.setText(QString());
        QCOMPARE(e.Value(), 1);
        e.setText(QStringLiteral("12.5"));
        QCOMPARE(e.Value(), 1);
        e.setText(QStringLiteral("99999999999"));
        QCOMPARE(e.Value(), 1);
        e.setText(QStringLiteral(" 42 "));
        QCOMPARE(e.Value(), 42);
    }

    void writingClamps()
    {
        TSpinEdit e;
        e.SetRange(4, 60);
        e.SetValue(99);
        QCOMPARE(e.text(), QStringLiteral("60"));
        e.SetValue(-3);
        QCOMPARE(e.text(), QStringLiteral("4"));
        // Minimum and maximum both 0: no limit.
        TSpinEdit open;
        open.SetValue(-7);
        QCOMPARE(open.Value(), -7);
        open.SetValue(16777216);
        QCOMPARE(open.Value(), 16777216);
    }

    void leavingTheFieldClampsAndCountsAsChange()
    {
        QWidget w;
        auto* e = new TSpinEdit(&w);
        auto* other = new QLineEdit(&w);
        e->SetRange(1, 100);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy changed(e, &TSpinEdit::Changed);
        e->setFocus();
        QTest::keyClicks(e, QStringLiteral("0"));  // "00"
        QCOMPARE(changed.count(), 1);
        QCOMPARE(e->Value(), 0);
        other->setFocus();
        QCOMPARE(e->text(), QStringLiteral("1"));
        QCOMPARE(changed.count(), 2);
        // Text that is not a number reads as the minimum and stays as typed.
        e->setFocus();
        e->setText(QStringLiteral("abc"));
        other->setFocus();
        QCOMPARE(e->text(), QStringLiteral("abc"));
        // Arrow keys step within the range.
        e->setFocus();
        e->SetValue(100);
        QTest::keyClick(e, Qt::Key_Up);
        QCOMPARE(e->Value(), 100);
        QTest::keyClick(e, Qt::Key_Down);
        QCOMPARE(e->Value(), 99);
    }

    void characterLimit()
    {
        TSpinEdit e;
        e.SetMaxChars(6);
        e.setText(QString());
        QTest::keyClicks(&e, QStringLiteral("12345678"));
        QCOMPARE(e.text(), QStringLiteral("123456"));
    }

    void radioGroupSelection()
    {
        TRadioGroup g;
        g.SetColumns(2);
        g.SetItems({"A", "B", "C"});
        QSignalSpy clicks(&g, &TRadioGroup::Click);
        QCOMPARE(g.ItemIndex(), -1);
        g.SetItemIndex(1);
        QCOMPARE(clicks.count(), 1);
        g.SetItemIndex(1);  // no change, no click
        QCOMPARE(clicks.count(), 1);
        g.SetItemIndex(-1);  // clearing is silent
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(g.ItemIndex(), -1);
        QVERIFY(!g.Button(1)->isChecked());
        g.SetItemIndex(1);  // the same entry again after a clear is a change
        QCOMPARE(clicks.count(), 2);
        g.Button(2)->click();  // the user
        QCOMPARE(g.ItemIndex(), 2);
        QCOMPARE(clicks.count(), 3);
        g.SetItem(0, QStringLiteral("x"));
        QCOMPARE(g.Item(0), QStringLiteral("x"));
    }

    void fileFilters()
    {
        QCOMPARE(QtFilterFromPipes(QStringLiteral("Flashdatei(*.rom)|*.rom")), QStringLiteral("Flashdatei (*.rom)"));
        QCOMPARE(QtFilterFromPipes(QStringLiteral("PLC|*.plc|Alle|*.*")), QStringLiteral("PLC (*.plc);;Alle (*.*)"));
        QCOMPARE(QtFilterFromPipes(QStringLiteral("NMEA|*.txt;*.nmea")), QStringLiteral("NMEA (*.txt *.nmea)"));
        QCOMPARE(DisplayText(QStringLiteral("a\r\rb\r\r")), QStringLiteral("a\n\nb\n\n"));
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
