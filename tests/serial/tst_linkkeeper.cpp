// What becomes of the chosen port when its device goes and comes back: each
// row is a story of looks and port reports with the step expected after each.
#include "serial/LinkKeeper.h"

#include <QtTest>

namespace {

using Step = TLinkKeeper::Step;

// A look at the entry: "-" nothing there; otherwise "target", with
// "@byid" its by-id name and "#serial" the serial number the kernel tells
// of its USB device (vendor 0403, product 6001).
TPortPresence look(const QString& text)
{
    TPortPresence p;
    p.device = QStringLiteral("/dev/ttyUSB0");
    if (text == QLatin1String("-"))
        return p;
    QString rest = text;
    if (const qsizetype hash = rest.indexOf(u'#'); hash >= 0) {
        p.id.vendorId = QStringLiteral("0403");
        p.id.productId = QStringLiteral("6001");
        p.id.serial = rest.mid(hash + 1);
        rest.truncate(hash);
    }
    const QStringList parts = rest.split(u'@');
    p.target = parts[0];
    if (parts.size() > 1)
        p.id.byId = parts[1];
    return p;
}

// One event: "lost" (the port says so of its descriptor), "lost old" (of
// a descriptor it has replaced since), "ok"/"fail" (outcome of the reopen
// asked for, with the last look), "retry" (the time for the next try has
// come, with the last look), "wait=N" (the next try is due in N ms; -1:
// none), "forget", or a look.
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
        // The entry the keeper names at the end: 0 once nothing is kept; an
        // ended wait still names its entry for the message that says so.
        QTest::addColumn<int>("entryAtEnd");
        const Step none = Step::None, gone = Step::Gone, reopen = Step::Reopen, other = Step::OtherAdapter;
        QTest::newRow("unplugged and back, same adapter")
            << "/dev/ttyUSB0@usb-A"
            << QList<TEvent>{{"-", gone}, {"-", none}, {"/dev/ttyUSB0@usb-A", reopen}, {"ok", none}} << false << 5;
        QTest::newRow("the port tells first, then the watcher")
            << "/dev/ttyUSB0@usb-A"
            << QList<TEvent>{{"lost", gone}, {"-", none}, {"lost", none}, {"/dev/ttyUSB0@usb-A", reopen}, {"ok", none}}
            << false << 5;
        QTest::newRow("back under another node name, same adapter")
            << "/dev/ttyUSB0@usb-A" << QList<TEvent>{{"-", gone}, {"/dev/ttyUSB3@usb-A", reopen}, {"ok", none}} << false
            << 5;
        QTest::newRow("another adapter in its socket ends the wait, naming it")
            << "/dev/ttyUSB0@usb-A" << QList<TEvent>{{"-", gone}, {"/dev/ttyUSB0@usb-B", other}, {"-", none}} << false
            << 5;
        QTest::newRow("node first, its by-id link a moment later")
            << "/dev/ttyUSB0@usb-A"
            << QList<TEvent>{{"-", gone}, {"/dev/ttyUSB0", none}, {"/dev/ttyUSB0@usb-A", reopen}, {"ok", none}} << false
            << 5;
        QTest::newRow("no stable name: whatever comes back at the entry")
            << "/dev/pts/4" << QList<TEvent>{{"lost", gone}, {"-", none}, {"/dev/pts/7", reopen}, {"ok", none}} << false
            << 5;
        QTest::newRow("replaced at once: gone, then back in the same look")
            << "/dev/pts/4" << QList<TEvent>{{"/dev/pts/7", gone}, {"/dev/pts/7", reopen}, {"ok", none}} << false << 5;
        QTest::newRow("replaced at once: the old descriptor's late news changes nothing")
            << "/dev/pts/4" << QList<TEvent>{{"/dev/pts/7", gone}, {"/dev/pts/7", reopen}, {"ok", none},
                                             {"lost old", none},   {"/dev/pts/7", none},   {"lost", gone}}
            << true << 5;
        QTest::newRow("hung up, node stays: gone and reopened on the same look")
            << "/dev/pts/4" << QList<TEvent>{{"lost", gone}, {"/dev/pts/4", reopen}, {"ok", none}} << false << 5;
        QTest::newRow("a failed reopen: the same look waits for the next try")
            << "/dev/ttyUSB0@usb-A"
            << QList<TEvent>{{"-", gone},
                             {"/dev/ttyUSB0@usb-A", reopen},
                             {"fail", none},
                             {"wait=250", none},
                             {"/dev/ttyUSB0@usb-A", none},
                             {"retry", reopen},
                             {"fail", none},
                             {"-", none},
                             {"wait=-1", none},
                             {"retry", none},
                             {"/dev/ttyUSB0@usb-A", reopen},
                             {"fail", none}}
            << true << 5;
        QTest::newRow("tries every 250 ms for 2 s, then every 2 s, until one succeeds")
            << "/dev/pts/4"
            << QList<TEvent>{{"lost", gone},     {"wait=-1", none},   {"/dev/pts/4", reopen}, {"fail", none},
                             {"retry", reopen},  {"fail", none},      {"retry", reopen},      {"fail", none},
                             {"retry", reopen},  {"fail", none},      {"retry", reopen},      {"fail", none},
                             {"retry", reopen},  {"fail", none},      {"retry", reopen},      {"fail", none},
                             {"wait=250", none}, {"retry", reopen},   {"fail", none},         {"wait=250", none},
                             {"retry", reopen},  {"fail", none},      {"wait=2000", none},    {"retry", reopen},
                             {"fail", none},     {"wait=2000", none}, {"retry", reopen},      {"ok", none},
                             {"wait=-1", none},  {"retry", none}}
            << false << 5;
        QTest::newRow("a stale by-id link to another adapter's node does not bring the port back")
            << "/dev/ttyUSB0@usb-A#A1"
            << QList<TEvent>{{"-", gone}, {"/dev/ttyUSB0@usb-A#B7", other}, {"/dev/ttyUSB0@usb-A#A1", none}} << false
            << 5;
        QTest::newRow("the kernel's USB device first, udev's link later")
            << "/dev/ttyUSB0@usb-A#A1"
            << QList<TEvent>{{"-", gone},
                             {"/dev/ttyUSB0", none},
                             {"/dev/ttyUSB0#A1", none},
                             {"/dev/ttyUSB0@usb-A#A1", reopen},
                             {"ok", none}}
            << false << 5;
        QTest::newRow("an adapter without a by-id name told by its serial number")
            << "/dev/ttyUSB0#A1" << QList<TEvent>{{"lost", gone}, {"/dev/ttyUSB0#A2", other}} << false << 5;
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
            << false << 5;
        QTest::newRow("a port chosen anew ends the wait")
            << "/dev/ttyUSB0@usb-A" << QList<TEvent>{{"-", gone}, {"forget", none}, {"/dev/ttyUSB0@usb-A", none}}
            << false << 0;
        QTest::newRow("nothing kept: nothing happens")
            << "" << QList<TEvent>{{"lost", none}, {"-", none}, {"/dev/ttyUSB0@usb-A", none}, {"retry", none}} << false
            << 0;
    }

    void story()
    {
        QFETCH(QString, linkedTo);
        QFETCH(QList<TEvent>, events);
        QFETCH(bool, waitingAtEnd);
        QFETCH(int, entryAtEnd);
        TLinkKeeper keeper;
        // The port's count of opens: each good reopen is a new descriptor.
        int opening = 1;
        if (!linkedTo.isEmpty())
            keeper.Linked(5, look(linkedTo), opening, true, QStringLiteral("  (= Vigilo)"));
        TPortPresence last = look(linkedTo.isEmpty() ? QStringLiteral("-") : linkedTo);
        for (int i = 0; i < events.size(); ++i) {
            const TEvent& e = events[i];
            Step step = Step::None;
            if (e.what == QLatin1String("lost"))
                step = keeper.Lost(opening, opening);
            else if (e.what == QLatin1String("lost old"))
                step = keeper.Lost(opening - 1, opening);
            else if (e.what == QLatin1String("ok") || e.what == QLatin1String("fail"))
                keeper.Reopened(e.what == QLatin1String("ok"), last,
                                e.what == QLatin1String("ok") ? ++opening : opening);
            else if (e.what == QLatin1String("retry"))
                step = keeper.Retry(last);
            else if (e.what.startsWith(QLatin1String("wait=")))
                QVERIFY2(keeper.RetryInMs() == e.what.mid(5).toInt(),
                         qPrintable(QStringLiteral("event %1: next try in %2 ms").arg(i).arg(keeper.RetryInMs())));
            else if (e.what == QLatin1String("forget"))
                keeper.Forget();
            else
                step = keeper.Seen(last = look(e.what));
            QVERIFY2(step == e.expected, qPrintable(QStringLiteral("event %1 (%2): %3 instead of %4")
                                                        .arg(i)
                                                        .arg(e.what, stepName(step), stepName(e.expected))));
        }
        QCOMPARE(keeper.Waiting(), waitingAtEnd);
        QCOMPARE(keeper.Entry(), entryAtEnd);
        if (entryAtEnd)
            QVERIFY(!keeper.Device().target.isEmpty());
    }

    // After a good reopen the device that came back is the one kept: a
    // later look at the first one counts as a change. What was known of
    // the device stays, and a later identification may name another family.
    void reopenKeepsTheNewDevice()
    {
        TLinkKeeper keeper;
        keeper.Linked(3, look(QStringLiteral("/dev/pts/4")), 1, false, QString());
        QCOMPARE(keeper.Lost(1, 1), Step::Gone);
        QCOMPARE(keeper.Seen(look(QStringLiteral("/dev/pts/9"))), Step::Reopen);
        keeper.Reopened(true, look(QStringLiteral("/dev/pts/9")), 2);
        QCOMPARE(keeper.Device().target, QStringLiteral("/dev/pts/9"));
        QCOMPARE(keeper.Opening(), 2);
        QVERIFY(!keeper.Identify());
        QCOMPARE(keeper.Seen(look(QStringLiteral("/dev/pts/9"))), Step::None);
        QCOMPARE(keeper.Lost(1, 2), Step::None);
        QCOMPARE(keeper.Seen(look(QStringLiteral("/dev/pts/4"))), Step::Gone);

        keeper.Linked(3, look(QStringLiteral("/dev/pts/4")), 3, true, QStringLiteral("  (= Trakka)"));
        QVERIFY(keeper.KeepsPanel(QStringLiteral("  (= Trakka)")));
        QVERIFY(!keeper.KeepsPanel(QStringLiteral("  (= Zerbo)")));
        keeper.Identified(QString());
        QCOMPARE(keeper.Family(), QStringLiteral("  (= Trakka)"));
        keeper.Identified(QStringLiteral("  (= Zerbo)"));
        QCOMPARE(keeper.Family(), QStringLiteral("  (= Zerbo)"));
        QVERIFY(keeper.KeepsPanel(QStringLiteral("  (= Zerbo)")));
        // Nothing known of the family: a known answer shows its panel.
        keeper.Linked(3, look(QStringLiteral("/dev/pts/4")), 4, true, QString());
        QVERIFY(!keeper.KeepsPanel(QString()));
    }
};

QTEST_GUILESS_MAIN(TestLinkKeeper)
#include "tst_linkkeeper.moc"
