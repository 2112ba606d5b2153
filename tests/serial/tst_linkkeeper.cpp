// What becomes of the chosen port when its device goes and comes back: each
// row is a story of looks and port reports with the step expected after each.
#include "serial/LinkKeeper.h"

#include <QtTest>

namespace {

using Step = TLinkKeeper::Step;

// A look at the entry: "-" nothing there; otherwise "target" or
// "target@byid".
TPortPresence look(const QString& text)
{
    TPortPresence p;
    p.device = QStringLiteral("/dev/ttyUSB0");
    if (text == QLatin1String("-"))
        return p;
    const QStringList parts = text.split(u'@');
    p.target = parts[0];
    if (parts.size() > 1)
        p.id.byId = parts[1];
    return p;
}

// One event: "lost" (the port says so), "ok"/"fail" (outcome of the
// reopen asked for, with the last look), "forget", or a look.
struct TEvent {
    QString what;
    Step expected;
};

QString stepName(Step s)
{
    switch (s) {
    case Step::None:
        return QStringLiteral("none");
    case Step::Gone:
        return QStringLiteral("gone");
    case Step::Reopen:
        return QStringLiteral("reopen");
    case Step::OtherAdapter:
        return QStringLiteral("other adapter");
    }
    return QString();
}

}  // namespace

Q_DECLARE_METATYPE(QList<TEvent>)

class TestLinkKeeper : public QObject {
    Q_OBJECT

private slots:
    void story_data()
    {
        QTest::addColumn<QString>("linkedTo");
        QTest::addColumn<QList<TEvent>>("events");
        QTest::addColumn<bool>("waitingAtEnd");
        const Step none = Step::None, gone = Step::Gone, reopen = Step::Reopen, other = Step::OtherAdapter;
        QTest::newRow("unplugged and back, same adapter")
            << "/dev/ttyUSB0@usb-A"
            << QList<TEvent>{{"-", gone}, {"-", none}, {"/dev/ttyUSB0@usb-A", reopen}, {"ok", none}} << false;
        QTest::newRow("the port tells first, then the watcher")
            << "/dev/ttyUSB0@usb-A"
            << QList<TEvent>{{"lost", gone}, {"-", none}, {"lost", none}, {"/dev/ttyUSB0@usb-A", reopen}, {"ok", none}}
            << false;
        QTest::newRow("back under another node name, same adapter")
            << "/dev/ttyUSB0@usb-A" << QList<TEvent>{{"-", gone}, {"/dev/ttyUSB3@usb-A", reopen}, {"ok", none}}
            << false;
        QTest::newRow("another adapter in its socket ends the wait")
            << "/dev/ttyUSB0@usb-A" << QList<TEvent>{{"-", gone}, {"/dev/ttyUSB0@usb-B", other}, {"-", none}} << false;
        QTest::newRow("node first, its by-id link a moment later")
            << "/dev/ttyUSB0@usb-A"
            << QList<TEvent>{{"-", gone}, {"/dev/ttyUSB0", none}, {"/dev/ttyUSB0@usb-A", reopen}, {"ok", none}}
            << false;
        QTest::newRow("no stable name: whatever comes back at the entry")
            << "/dev/pts/4" << QList<TEvent>{{"lost", gone}, {"-", none}, {"/dev/pts/7", reopen}, {"ok", none}}
            << false;
        QTest::newRow("replaced at once: gone, then back in the same look")
            << "/dev/pts/4" << QList<TEvent>{{"/dev/pts/7", gone}, {"/dev/pts/7", reopen}, {"ok", none}} << false;
        QTest::newRow("back and gone again: a failed reopen is not retried on the same look")
            << "/dev/ttyUSB0@usb-A"
            << QList<TEvent>{{"-", gone}, {"/dev/ttyUSB0@usb-A", reopen}, {"fail", none}, {"/dev/ttyUSB0@usb-A", none},
                             {"-", none}, {"/dev/ttyUSB0@usb-A", reopen}, {"fail", none}}
            << true;
        QTest::newRow("flapping after a good reopen: gone again, once per going")
            << "/dev/ttyUSB0@usb-A"
            << QList<TEvent>{{"-", gone},
                             {"/dev/ttyUSB0@usb-A", reopen},
                             {"ok", none},
                             {"lost", gone},
                             {"lost", none},
                             {"-", none},
                             {"/dev/ttyUSB0@usb-A", reopen},
                             {"ok", none},
                             {"/dev/ttyUSB0@usb-A", none}}
            << false;
        QTest::newRow("a port chosen anew ends the wait")
            << "/dev/ttyUSB0@usb-A" << QList<TEvent>{{"-", gone}, {"forget", none}, {"/dev/ttyUSB0@usb-A", none}}
            << false;
        QTest::newRow("nothing kept: nothing happens")
            << "" << QList<TEvent>{{"lost", none}, {"-", none}, {"/dev/ttyUSB0@usb-A", none}} << false;
    }

    void story()
    {
        QFETCH(QString, linkedTo);
        QFETCH(QList<TEvent>, events);
        QFETCH(bool, waitingAtEnd);
        TLinkKeeper keeper;
        if (!linkedTo.isEmpty())
            keeper.Linked(5, look(linkedTo), true);
        TPortPresence last = look(linkedTo.isEmpty() ? QStringLiteral("-") : linkedTo);
        for (int i = 0; i < events.size(); ++i) {
            const TEvent& e = events[i];
            Step step = Step::None;
            if (e.what == QLatin1String("lost"))
                step = keeper.Lost();
            else if (e.what == QLatin1String("ok") || e.what == QLatin1String("fail"))
                keeper.Reopened(e.what == QLatin1String("ok"), last);
            else if (e.what == QLatin1String("forget"))
                keeper.Forget();
            else
                step = keeper.Seen(last = look(e.what));
            QVERIFY2(step == e.expected, qPrintable(QStringLiteral("event %1 (%2): %3 instead of %4")
                                                        .arg(i)
                                                        .arg(e.what, stepName(step), stepName(e.expected))));
        }
        QCOMPARE(keeper.Waiting(), waitingAtEnd);
        // A wait ended by another adapter or a new choice keeps nothing.
        if (keeper.Current() == TLinkKeeper::State::Idle)
            QCOMPARE(keeper.Entry(), 0);
        else
            QCOMPARE(keeper.Entry(), 5);
    }

    // After a good reopen the device that came back is the one kept: a
    // later look at the first one counts as a change.
    void reopenKeepsTheNewDevice()
    {
        TLinkKeeper keeper;
        keeper.Linked(3, look(QStringLiteral("/dev/pts/4")), false);
        QCOMPARE(keeper.Lost(), Step::Gone);
        QCOMPARE(keeper.Seen(look(QStringLiteral("/dev/pts/9"))), Step::Reopen);
        keeper.Reopened(true, look(QStringLiteral("/dev/pts/9")));
        QCOMPARE(keeper.Device().target, QStringLiteral("/dev/pts/9"));
        QVERIFY(!keeper.Identified());
        QCOMPARE(keeper.Seen(look(QStringLiteral("/dev/pts/9"))), Step::None);
        QCOMPARE(keeper.Seen(look(QStringLiteral("/dev/pts/4"))), Step::Gone);
    }
};

QTEST_GUILESS_MAIN(TestLinkKeeper)
#include "tst_linkkeeper.moc"
