// Track view speed and memory: a generated 30 MB recording (a $GNGGA and a
// $GNRMC line every second, about 200,000 fixes, a drive with stops and
// gaps) is read and summarised, the window built and drawn offscreen, then
// zoomed and drawn again. Prints each time, the total against the aim of 1 s,
// the segments a frame draws, and the resident memory the track and window
// add to the process (aim: under 64 MiB), with the process's peak beside it.
#include "gps/TrackView.h"
#include "support/ProcStatus.h"

#include "BenchNmea.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <cmath>
#include <cstdio>

namespace {

constexpr double kAimMs = 1000.0;
constexpr double kAimMiB = 64.0;

// About megabytes MB of recording; the number of GGA lines in fixes.
// With wrongClock, a second talker ($GLGGA) sends each second as well, its
// clock never set (counting from 00:00:00): the file that froze the window.
bool Generate(const QString& path, qint64 megabytes, long& fixes, bool wrongClock = false)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const qint64 target = megabytes * 1000 * 1000;
    qint64 written = 0;
    QByteArray block;
    char body[200];
    double lat = 51.5, lon = 7.4, heading = 0.3;
    fixes = 0;
    for (long second = 0; written < target; ++second) {
        // Now and then the logger loses the sky for a few minutes.
        if (second % 20000 == 19999)
            second += 240;
        const long t = (second + (wrongClock ? 52200 : 0)) % 86400;
        const int day = 1 + int((second + (wrongClock ? 52200 : 0)) / 86400 % 28);
        const int hh = int(t / 3600), mm = int(t / 60 % 60), ss = int(t % 60);
        const double speed = (second / 600) % 5 == 0 ? 0.0 : 8.0 + 6.0 * std::sin(second / 97.0);
        heading += 0.02 * std::sin(second / 53.0);
        lat += speed * std::cos(heading) / 111195.0;
        lon += speed * std::sin(heading) / (111195.0 * std::cos(lat * 3.14159265 / 180));
        const int latD = int(lat), lonD = int(lon);
        const double latM = (lat - latD) * 60, lonM = (lon - lonD) * 60;
        std::snprintf(body, sizeof body, "$GNGGA,%02d%02d%02d.00,%02d%07.4f,N,%03d%07.4f,E,1,%02d,0.9,%.1f,M,47.3,M,,",
                      hh, mm, ss, latD, latM, lonD, lonM, 6 + int(second % 7), 100 + 30 * std::sin(second / 900.0));
        block += Sentence(body);
        std::snprintf(body, sizeof body, "$GNRMC,%02d%02d%02d.00,A,%02d%07.4f,N,%03d%07.4f,E,%.1f,%.1f,%02d0321,,,A",
                      hh, mm, ss, latD, latM, lonD, lonM, speed * 1.944, heading * 57.3, day);
        block += Sentence(body);
        if (wrongClock) {
            const long u = second % 86400;
            std::snprintf(body, sizeof body,
                          "$GLGGA,%02d%02d%02d.00,%02d%07.4f,N,%03d%07.4f,E,1,04,2.5,%.1f,M,47.3,M,,", int(u / 3600),
                          int(u / 60 % 60), int(u % 60), latD, latM, lonD, lonM, 100.0);
            block += Sentence(body);
        }
        ++fixes;
        if (block.size() > 1 << 20) {
            if (f.write(block) != block.size())
                return false;
            written += block.size();
            block.clear();
        }
    }
    return f.write(block) == block.size();
}

double Ms(QElapsedTimer& t)
{
    const double ms = t.nsecsElapsed() / 1e6;
    t.restart();
    return ms;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("drive.lst"));
    long generated = 0;
    if (!Generate(file, 30, generated)) {
        std::fprintf(stderr, "bench_trackview: cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("recording: %.1f MB, %ld fixes\n", QFile(file).size() / 1e6, generated);
    // What the process holds before the track: Qt, fonts, the platform.
    QWidget warmUp;
    warmUp.resize(200, 100);
    warmUp.grab();
    const long baseKiB = ProcStatusKiB("VmRSS:");

    QElapsedTimer t;
    t.start();
    auto track = std::make_unique<TTrack>();
    if (LoadTrack(file, *track) != 0)
        return 1;
    const double loadMs = Ms(t);
    const long fixes = long(track->summary.stats.fixes);
    TTrackWindow window(std::move(track), file, nullptr);
    window.resize(1200, 800);
    window.show();
    const double buildMs = Ms(t);
    const QPixmap first = window.grab();
    const double drawMs = Ms(t);
    const size_t fittedSegments = window.Map()->DrawnSegments();

    // Ten wheel notches in at the middle, a frame each.
    double zoomMs = 0;
    const QPointF middle(window.Map()->width() / 2.0, window.Map()->height() / 2.0);
    for (int i = 0; i < 10; ++i) {
        QWheelEvent wheel(middle, middle, {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.Map(), &wheel);
        t.restart();
        window.Map()->grab();
        zoomMs = std::max(zoomMs, Ms(t));
    }
    const long rssKiB = ProcStatusKiB("VmRSS:");
    const long peakKiB = ProcStatusKiB("VmHWM:");

    // 14 MB with a second talker whose clock was never set.
    const QString wrong = dir.filePath(QStringLiteral("wrongclock.lst"));
    long wrongFixes = 0;
    if (!Generate(wrong, 14, wrongFixes, true))
        return 1;
    t.restart();
    auto wrongTrack = std::make_unique<TTrack>();
    if (LoadTrack(wrong, *wrongTrack) != 0)
        return 1;
    const size_t wrongDates = wrongTrack->summary.stats.dates.size();
    TTrackWindow wrongWindow(std::move(wrongTrack), wrong, nullptr);
    wrongWindow.resize(1200, 800);
    wrongWindow.show();
    wrongWindow.grab();
    const double wrongMs = Ms(t);

    const double totalMs = loadMs + buildMs + drawMs;
    std::printf("read and summarise: %8.1f ms (%ld fixes, %.0f fixes/s)\n", loadMs, fixes, fixes / (loadMs / 1000));
    std::printf("build the window:   %8.1f ms\n", buildMs);
    std::printf("first frame:        %8.1f ms (%zu segments drawn of %ld fixes)\n", drawMs, fittedSegments, fixes);
    std::printf("open, summarise, draw: %.1f ms; aim %.0f ms; ratio %.2f (below 1 meets it)\n", totalMs, kAimMs,
                totalMs / kAimMs);
    std::printf("slowest zoomed frame: %.1f ms (%zu segments)\n", zoomMs, window.Map()->DrawnSegments());
    std::printf("14 MB with a wrong-clock talker: open, summarise, draw %.1f ms (%zu dates); aim %.0f ms; ratio %.2f\n",
                wrongMs, wrongDates, kAimMs, wrongMs / kAimMs);
    const double addedMiB = (rssKiB - baseKiB) / 1024.0;
    std::printf(
        "memory added by track and window: %.1f MiB; aim %.0f MiB; ratio %.2f (process %.1f MiB, peak %.1f MiB)\n",
        addedMiB, kAimMiB, addedMiB / kAimMiB, rssKiB / 1024.0, peakKiB / 1024.0);
    const bool met = totalMs <= kAimMs && wrongMs <= kAimMs && addedMiB <= kAimMiB;
    return first.isNull() || !met ? 1 : 0;
}
