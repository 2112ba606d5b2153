// The track view: opened from the GPS panels in the real main window and
// after a list download, its summary texts, list, zoom, pan, fit and
// tooltip; the projection's decimation and scale bar. An offscreen grab of
// the view and of a long drive's profile are kept beside the test program
// (trackview.png, trackprofile.png), not compared.
#include "NmeaTestFiles.h"
#include "gps/TrackProjection.h"
#include "gps/TrackView.h"
#include "support/WindowRig.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <cmath>

namespace {

TTrackWindow* OpenTrackWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<TTrackWindow*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

void CloseTrackWindows()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TTrackWindow*>(w))
            delete w;
}

// A made-up recording: a loop of points a second apart, a gap, and more.
QByteArray Loop(int points, int gapAt)
{
    QByteArray all = WithChecksum("$GPZDA,100000.00,14,03,2021,00,00") + "\r\n";
    int second = 10 * 3600;
    for (int i = 0; i < points; ++i) {
        second += i == gapAt ? 300 : 1;
        const double a = i * 2 * 3.14159265358979 / points;
        const double lat = 51.5 + 0.01 * std::sin(a), lon = 7.4 + 0.015 * std::cos(a);
        const QString s =
            QString::asprintf("$GNGGA,%02d%02d%02d.00,%02d%07.4f,N,%03d%07.4f,E,1,%02d,0.9,%.1f,M,47.0,M,,",
                              second / 3600, second / 60 % 60, second % 60, int(lat), (lat - int(lat)) * 60, int(lon),
                              (lon - int(lon)) * 60, 5 + i % 6, 100 + 20 * std::sin(a * 3));
        all += WithChecksum(s.toLatin1()) + "\r\n";
    }
    return all;
}

struct TRig : TWindowRig {
    QTemporaryDir dir;
    TRig() : TWindowRig("#80.00.00")
    {
        selectPort();
        if (form->ActivePanel != QLatin1String("GPSDataLogger"))
            qFatal("logger not identified");
        peer.ClearReceived();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
};

}  // namespace

class TstTrackView : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { CloseTrackWindows(); }
    void cleanupTestCase() { RemoveTestSettings(); }

    // The button of the logger panel asks for the recording, starting at the
    // last list file, and shows its summary: the same lines the command line
    // prints.
    void openFromPanel()
    {
        TRig rig;
        const QString file = rig.path(QStringLiteral("loop.lst"));
        PutFile(file, Loop(600, 400));
        rig.form->LstDir = rig.dir.path();
        rig.form->LstFile = file;
        rig.dialogs().files.enqueue(file);
        rig.w(QStringLiteral("ButtonTrackAnsehen"))->click();

        QCOMPARE(rig.dialogs().shown.size(), 1);
        const TOpenFileRequest r = rig.dialogs().shown[0].request;
        QCOMPARE(r.title, QStringLiteral("Track ansehen"));
        // List files first, and the files receivers and loggers write.
        QVERIFY2(r.filter.startsWith(QLatin1String("List-Datei (*.lst)|*.lst|")), qPrintable(r.filter));
        for (const char* pattern : {"*.nmea", "*.log", "*.txt", "*.gps"})
            QVERIFY2(r.filter.contains(QLatin1String(pattern)), pattern);
        QCOMPARE(r.initialDir, rig.dir.path());
        QCOMPARE(r.fileName, file);
        TTrackWindow* view = OpenTrackWindow();
        QVERIFY(view);
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QCOMPARE(view->windowTitle(), QStringLiteral("Track - ") + file);

        const QStringList summary = view->Summary()->toPlainText().split('\n');
        TTrack track;
        QCOMPARE(LoadTrack(file, track), 0);
        QCOMPARE(summary, SummaryLines(track.summary));
        for (const char* line : {"Positionen: 600", "Sätze gelesen: 601 von 601 Zeilen",
                                 "Zeilen übersprungen: 0 (Prüfsumme 0, ohne Fix 0, unlesbar 0)",
                                 "Zeit: 2021-03-14 10:00:01 bis 2021-03-14 10:14:59 UTC (0:14:58)", "Tage: 2021-03-14",
                                 "Lücken über 60 s: 1", "  2021-03-14 10:06:40 bis 2021-03-14 10:11:40 (0:05:00)"})
            QVERIFY2(summary.contains(QString::fromUtf8(line)), line);
        // Roughly the loop's circumference (an ellipse of 1.1 by 1.0 km radii).
        QVERIFY(track.summary.stats.distanceM > 6500 && track.summary.stats.distanceM < 7000);

        // The grab is kept as an artefact of the run.
        const QString grab = QCoreApplication::applicationDirPath() + QStringLiteral("/trackview.png");
        QVERIFY(view->grab().save(grab));
        QVERIFY(QFileInfo(grab).size() > 1000);
        qInfo("view grabbed into %s", qPrintable(grab));
    }

    // The Lupino panel has the button as well.
    void openFromTrackerPanel()
    {
        TRig rig;
        try {
            rig.form->ClearPanels(QStringLiteral("Lupino"));
        } catch (const EComPort&) {
        }
        rig.panelName = QStringLiteral("Lupino");
        rig.dialogs().files.enqueue(ReferencePath(QStringLiteral("talkers.txt")));
        rig.w(QStringLiteral("ButtonTrackAnsehen_Lupino"))->click();
        TTrackWindow* view = OpenTrackWindow();
        QVERIFY(view);
        QVERIFY(view->Summary()->toPlainText().startsWith(QStringLiteral("Positionen: 9\n")));
    }

    // Cancel opens nothing; a file that cannot be read is reported.
    void cancelAndUnreadable()
    {
        TRig rig;
        rig.w(QStringLiteral("ButtonTrackAnsehen"))->click();
        QVERIFY(!OpenTrackWindow());
        const QString missing = rig.path(QStringLiteral("none.lst"));
        rig.dialogs().files.enqueue(missing);
        rig.w(QStringLiteral("ButtonTrackAnsehen"))->click();
        QVERIFY(!OpenTrackWindow());
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("warning")),
                 QStringList{QStringLiteral("Fehler bei Dateizugriff (") + missing + ')'});
    }

    void offerAfterDownload_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes shows the track") << true;
        QTest::newRow("no shows nothing") << false;
    }
    // A finished list download offers the file it wrote.
    void offerAfterDownload()
    {
        QFETCH(bool, yes);
        TRig rig;
        rig.dialogs().files.enqueue(rig.path(QStringLiteral("trip")));
        rig.dialogs().answers.enqueue(yes);
        rig.w(QStringLiteral("BtnL_GPSDL"))->click();
        QCOMPARE(rig.take(2), QByteArray("L\r"));
        rig.peer.Write(WithChecksum("$GPGGA,120000,5130.1000,N,00723.4000,E,1,07,1.2,112,M,47.3,M,,") + "\r\n"
                       + WithChecksum("$GPGGA,120001,5130.1010,N,00723.4010,E,1,07,1.2,112,M,47.3,M,,")
                       + "\r\nend of data ... 2 records\r");
        QVERIFY(PumpUntil([&] { return !rig.dialogs().Texts(QStringLiteral("question")).isEmpty(); }));
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("question")),
                 QStringList{QStringLiteral("List-Download beendet. Track ansehen?\r\r")});
        Pump(50);
        TTrackWindow* view = OpenTrackWindow();
        QCOMPARE(view != nullptr, yes);
        if (yes) {
            QCOMPARE(view->windowTitle(), QStringLiteral("Track - ") + rig.path(QStringLiteral("trip.lst")));
            QVERIFY(view->Summary()->toPlainText().contains(QStringLiteral("Positionen: 2\n")));
            QVERIFY(view->Summary()->toPlainText().contains(
                QStringLiteral("Zeilen übersprungen: 1 (Prüfsumme 0, ohne Fix 0, unlesbar 1)")));
        }
        // ESC ends a download early: the offer says so, once (the logger's
        // "user break ..." after it finds the capture ended).
        CloseTrackWindows();
        rig.dialogs().shown.clear();
        rig.dialogs().files.enqueue(rig.path(QStringLiteral("trip2")));
        rig.dialogs().answers.enqueue(yes);
        rig.w(QStringLiteral("BtnL_GPSDL"))->click();
        rig.peer.Write(WithChecksum("$GPGGA,120000,5130.1000,N,00723.4000,E,1,07,1.2,112,M,47.3,M,,") + "\r\n");
        QVERIFY(PumpUntil([&] { return QFileInfo(rig.path(QStringLiteral("trip2.lst"))).size() > 0; }));
        rig.w(QStringLiteral("Button21"))->click();
        rig.peer.Write("user break ...\r");
        QVERIFY(PumpUntil([&] { return !rig.dialogs().Texts(QStringLiteral("question")).isEmpty(); }));
        Pump(200);
        QCOMPARE(rig.dialogs().Texts(QStringLiteral("question")),
                 QStringList{QStringLiteral("List-Download abgebrochen. Bis dahin empfangenen Track ansehen?\r\r")});
        QCOMPARE(OpenTrackWindow() != nullptr, yes);
        if (yes)
            QVERIFY(OpenTrackWindow()->Summary()->toPlainText().startsWith(QStringLiteral("Positionen: 1\n")));
    }

    // Clicking a list entry marks its point in the drawing; wheel, drag and
    // fit move the view; hovering a point shows its values.
    void listZoomPanHover()
    {
        const QString file = QDir::temp().filePath(QStringLiteral("velmor-trackview-loop.txt"));
        PutFile(file, Loop(600, 400));
        TTrackWindow* view = ShowTrackWindow(nullptr, file);
        QVERIFY(view);
        QVERIFY(QTest::qWaitForWindowExposed(view));
        TTrackMap* map = view->Map();
        QListWidget* list = view->Events();
        QListWidgetItem* gap = nullptr;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text().startsWith(QStringLiteral("Lücke ")))
                gap = list->item(i);
        QVERIFY(gap);
        QCOMPARE(gap->text(), QStringLiteral("Lücke 2021-03-14 10:06:40 bis 2021-03-14 10:11:40 (0:05:00)"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(gap).center());
        QCOMPARE(map->Selected(), 400);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Start 2021-03-14 10:00:01"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QCOMPARE(map->Selected(), 599);

        // The whole loop is inside the map after fitting.
        const TTrackProjection& pr = map->Projection();
        const QRectF inside = QRectF(map->rect()).adjusted(-1, -1, 1, 1);
        for (size_t i = 0; i < pr.Size(); i += 7)
            QVERIFY(inside.contains(pr.ToScreen(i)));
        const double fitted = pr.MetresPerPixel();

        // Wheel: two notches in halve nearly the metres per pixel, the point
        // under the mouse stays put.
        const QPointF under = pr.ToScreen(size_t(150));
        QWheelEvent wheel(under, map->mapToGlobal(under), {}, {0, 240}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(map, &wheel);
        QVERIFY(std::fabs(pr.MetresPerPixel() - fitted / 1.5625) < 1e-9 * fitted);
        QVERIFY((pr.ToScreen(size_t(150)) - under).manhattanLength() < 0.5);

        // Drag: the track follows the mouse.
        const QPointF before = pr.ToScreen(size_t(0));
        QTest::mousePress(map, Qt::LeftButton, {}, QPoint(100, 100));
        QMouseEvent move(QEvent::MouseMove, QPointF(140, 70), map->mapToGlobal(QPointF(140, 70)), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(map, &move);
        QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(140, 70));
        QVERIFY((pr.ToScreen(size_t(0)) - (before + QPointF(40, -30))).manhattanLength() < 0.01);

        QTest::mouseClick(view->findChild<QPushButton*>(QStringLiteral("ButtonTrackFit")), Qt::LeftButton);
        QCOMPARE(pr.MetresPerPixel(), fitted);

        // Hover over a point: its time, position, altitude, speed, satellites.
        const QPoint at = pr.ToScreen(size_t(10)).toPoint();
        QMouseEvent hover(QEvent::MouseMove, at, map->mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(map, &hover);
        QTRY_VERIFY(QToolTip::isVisible());
        const QString tip = QToolTip::text();
        QVERIFY2(tip.startsWith(QLatin1String("2021-03-14 10:00:")), qPrintable(tip));
        // Rounded: coordinates to 6 decimals, altitude to 0.1 m, speed to 0.1 km/h.
        const QStringList tipLines = tip.split('\n');
        QCOMPARE(tipLines.size(), 5);
        QVERIFY2(QRegularExpression(QStringLiteral("^-?\\d+\\.\\d{6}, -?\\d+\\.\\d{6}$")).match(tipLines[1]).hasMatch(),
                 qPrintable(tip));
        QVERIFY2(QRegularExpression(QStringLiteral("^Höhe -?\\d+\\.\\d m$")).match(tipLines[2]).hasMatch(),
                 qPrintable(tip));
        QVERIFY2(QRegularExpression(QStringLiteral("^Geschwindigkeit \\d+\\.\\d km/h$")).match(tipLines[3]).hasMatch(),
                 qPrintable(tip));
        QVERIFY2(tipLines[4].endsWith(QLatin1String(" Satelliten")), qPrintable(tip));
        map->repaint();
        QVERIFY(map->DrawnSegments() > 10);
        delete view;
        QFile::remove(file);
    }

    // A drive of 2.5 days, 216,000 fixes with stops and speeds changing
    // every second: the profile shows the spread of each column pale and
    // the mean as a line, not a solid strip of orange.
    void profileOfALongDrive()
    {
        auto track = std::make_unique<TTrack>();
        TTrackStats& s = track->summary.stats;
        TTrackFix f;
        f.date = {2021, 3, 14};
        const int64_t start = f.date.DaysSinceEpoch() * 86400000LL;
        for (int i = 0; i < 216000; ++i) {
            f.timeMs = start + int64_t(i) * 1000;
            f.timeOfDayMs = int(f.timeMs % 86400000);
            f.lat = 51.0 + i * 1e-5;
            f.lon = 7.0 + (i % 7) * 3e-5;
            f.altitude = 100 + 50 * std::sin(i / 5000.0);
            const double speed = s.Add(f);
            track->points.push_back(
                {f.lat, f.lon, f.timeMs, float(f.altitude), float(speed), 0.9f, 8, true, true, false});
        }
        s.Finish();
        TTrackWindow view(std::move(track), QStringLiteral("drive"), nullptr);
        view.resize(1000, 700);
        QWidget* profile = view.findChild<QWidget*>(QStringLiteral("TrackProfile"));
        QVERIFY(profile);
        const QImage image = profile->grab().toImage();
        image.save(QCoreApplication::applicationDirPath() + QStringLiteral("/trackprofile.png"));
        qsizetype orange = 0, pale = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 200 && c.green() > 90 && c.green() < 150 && c.blue() < 40)
                    ++orange;
                else if (c.red() > 235 && c.green() > 190 && c.blue() > 150 && c.blue() < 235)
                    ++pale;
            }
        const qsizetype area = qsizetype(image.width()) * image.height();
        QVERIFY2(orange < area / 10, qPrintable(QStringLiteral("%1 of %2").arg(orange).arg(area)));
        QVERIFY2(pale > area / 20, qPrintable(QStringLiteral("%1 of %2").arg(pale).arg(area)));
    }

    void scaleBar_data()
    {
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("metres");
        QTest::addColumn<QString>("text");
        QTest::newRow("metres") << 734.0 << 500.0 << "500 m";
        QTest::newRow("kilometres") << 2900.0 << 2000.0 << "2 km";
        QTest::newRow("exact") << 1000.0 << 1000.0 << "1 km";
        QTest::newRow("small") << 0.37 << 0.2 << "0.2 m";
        QTest::newRow("large") << 9.9e6 << 5e6 << "5000 km";
        QTest::newRow("no exponent when large") << 2.1e9 << 2e9 << "2000000 km";
        QTest::newRow("no exponent when small") << 0.0013 << 0.001 << "0.001 m";
    }
    void scaleBar()
    {
        QFETCH(double, target);
        QFETCH(double, metres);
        QFETCH(QString, text);
        QCOMPARE(ScaleBarMetres(target), metres);
        QCOMPARE(ScaleBarText(metres), text);
    }

    // A track standing at one spot fits to its jitter of a metre; zoomed out
    // as far as the wheel goes, the whole earth fits and the scale bar reads
    // plainly.
    void stationaryAndFarOut()
    {
        std::vector<TTrackPoint> points(50);
        for (size_t i = 0; i < points.size(); ++i) {
            points[i].lat = 51.5 + 0.6 / kEarthRadiusM * 57.29578 * std::sin(double(i));
            points[i].lon = 7.4 + 0.6 / kEarthRadiusM * 57.29578 / 0.62 * std::cos(double(i) * 1.3);
        }
        TTrackProjection pr;
        pr.Build(points);
        const QSizeF size(800, 600);
        pr.Fit(size, 16);
        QVERIFY2(pr.MetresPerPixel() < 0.01, qPrintable(QString::number(pr.MetresPerPixel())));
        for (int i = 0; i < 200; ++i)
            pr.ZoomAt(QPointF(400, 300), 1 / 1.25);
        const double across = pr.MetresPerPixel() * size.width();
        QVERIFY(across >= 4e7 && across < 4.1e7);
        const QString bar = ScaleBarText(ScaleBarMetres(size.width() / 5 * pr.MetresPerPixel()));
        QCOMPARE(bar, QStringLiteral("5000 km"));
    }

    void ticks_data()
    {
        QTest::addColumn<double>("span");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<double>("step");
        QTest::newRow("altitude 0..87 m") << 87.0 << 5 << 20.0;
        QTest::newRow("speed 0..12 km/h") << 12.0 << 4 << 5.0;
        QTest::newRow("a metre") << 1.0 << 4 << 0.5;
        QTest::newRow("an hour in ms") << 3.6e6 << 6 << 1e6;
    }
    void ticks()
    {
        QFETCH(double, span);
        QFETCH(int, ticks);
        QFETCH(double, step);
        QCOMPARE(TickStep(span, ticks), step);
        QVERIFY(span / TickStep(span, ticks) <= ticks + 1e-9);
    }

    void timeTicks_data()
    {
        QTest::addColumn<qlonglong>("spanMs");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<qlonglong>("stepMs");
        QTest::newRow("a minute") << 60000LL << 6 << 10000LL;
        QTest::newRow("a quarter of an hour") << 900000LL << 8 << 120000LL;
        QTest::newRow("a drive of 2.5 days") << 216000000LL << 8 << 43200000LL;
        QTest::newRow("a month") << 2592000000LL << 3 << 1209600000LL;
    }
    void timeTicks()
    {
        QFETCH(qlonglong, spanMs);
        QFETCH(int, ticks);
        QFETCH(qlonglong, stepMs);
        QCOMPARE(qlonglong(TimeTickMs(spanMs, ticks)), stepMs);
    }

    void decimation_data()
    {
        QTest::addColumn<double>("zoom");  // factor on the fitted scale
        QTest::newRow("fitted") << 1.0;
        QTest::newRow("zoomed in 1000 times") << 1000.0;
    }
    // However many points, a frame keeps fewer than one per pixel of track
    // length in view; first, last and the ends of gaps are always kept; a
    // track across the date line projects in one piece.
    void decimation()
    {
        QFETCH(double, zoom);
        std::vector<TTrackPoint> points(200000);
        for (size_t i = 0; i < points.size(); ++i) {
            const double a = double(i) / 1000.0;
            points[i].lat = -17.0 + 0.05 * std::sin(a);
            double lon = 179.95 + 0.1 * double(i) / double(points.size()) + 0.01 * std::cos(a * 3);
            points[i].lon = lon > 180 ? lon - 360 : lon;
            points[i].gapBefore = i == 123457;
        }
        TTrackProjection pr;
        pr.Build(points);
        // About 11 km of longitude, not 360 degrees.
        QVERIFY(pr.Bounds().width() < 20000 && pr.Bounds().width() > 8000);
        const QSizeF size(800, 600);
        pr.Fit(size, 16);
        pr.ZoomAt(QPointF(400, 300), zoom);
        const std::vector<size_t> kept = pr.Decimate(size, points);
        // Track length in pixels within the view.
        const QRectF view(QPointF(0, 0), size);
        double pixels = 0;
        for (size_t i = 1; i < points.size(); ++i)
            if (view.contains(pr.ToScreen(i)) || view.contains(pr.ToScreen(i - 1)))
                pixels += std::hypot(pr.ToScreen(i).x() - pr.ToScreen(i - 1).x(),
                                     pr.ToScreen(i).y() - pr.ToScreen(i - 1).y());
        QVERIFY2(double(kept.size()) < pixels / 1.5 + 200,
                 qPrintable(QStringLiteral("%1 points for %2 pixels").arg(kept.size()).arg(pixels)));
        QVERIFY(kept.size() < points.size() / 4);
        QCOMPARE(kept.front(), size_t(0));
        QCOMPARE(kept.back(), points.size() - 1);
        QVERIFY(std::binary_search(kept.begin(), kept.end(), size_t(123456)));
        QVERIFY(std::binary_search(kept.begin(), kept.end(), size_t(123457)));
        // Every point that lies in the view is within a pixel and a half of
        // a kept one before or at it (nothing visible is lost).
        size_t k = 0;
        for (size_t i = 0; i < points.size(); ++i) {
            while (k + 1 < kept.size() && kept[k + 1] <= i)
                ++k;
            if (view.contains(pr.ToScreen(i)))
                QVERIFY(std::hypot(pr.ToScreen(i).x() - pr.ToScreen(kept[k]).x(),
                                   pr.ToScreen(i).y() - pr.ToScreen(kept[k]).y())
                        < 1.5);
        }
    }

    // A track with no fix, or with one, draws without trouble.
    void degenerateTracks()
    {
        for (const QByteArray& content :
             {QByteArray(), QByteArray("\x01\x02\xff", 3),
              WithChecksum("$GPGGA,120000,5130.1000,N,00723.4000,E,1,07,1.2,112,M,47.3,M,,") + "\r\n"}) {
            const QString file = QDir::temp().filePath(QStringLiteral("velmor-trackview-small.txt"));
            PutFile(file, content);
            TTrackWindow* view = ShowTrackWindow(nullptr, file);
            QVERIFY(view);
            QVERIFY(QTest::qWaitForWindowExposed(view));
            QVERIFY(!view->grab().isNull());
            QVERIFY(view->Summary()->toPlainText().contains(QLatin1String("Positionen: ")));
            delete view;
            QFile::remove(file);
        }
    }
};

QTEST_MAIN(TstTrackView)
#include "tst_trackview.moc"
