// Conversion speed and memory of the NMEA converter: a generated recording
// (a $GPGGA and a $GPRMC line every second, a $GPZDA line every minute) is
// converted into each format, the fastest of three runs counted (the
// machine is shared). Prints MB/s per format, the ratio of the wall time of
// gpsbabel reading the same file to the slowest format (aim: at least 20x)
// and to the GPX export (aim: at least 100x), and the peak resident memory
// of a 30 MB and of a 300 MB conversion, each measured in a process of its
// own (aim: within 2 MiB of each other). Exits 1 when an aim is missed.
//   bench_convert            all figures
//   bench_convert --rss MB   only: generate MB, convert into every format,
//                            print the peak resident memory in KiB
#include "gps/NmeaConvert.h"
#include "support/ProcStatus.h"

#include "BenchNmea.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr double kAimRatio = 20.0;
constexpr double kGpxAimRatio = 100.0;
constexpr int kRuns = 3;
constexpr double kAimRssKiB = 2048.0;

// Writes about megabytes MB of recording; returns false on a write error.
bool Generate(const QString& path, qint64 megabytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const qint64 target = megabytes * 1000 * 1000;
    qint64 written = 0;
    QByteArray block;
    char body[160];
    for (long second = 0; written < target; ++second) {
        const long t = second % 86400;
        const int day = 1 + int(second / 86400 % 28);
        const int hh = int(t / 3600), mm = int(t / 60 % 60), ss = int(t % 60);
        if (ss == 0) {
            std::snprintf(body, sizeof body, "$GPZDA,%02d%02d%02d.00,%02d,03,2021,00,00", hh, mm, ss, day);
            block += Sentence(body);
        }
        const double lat = 5130.1234 + std::fmod(second * 0.0007, 20.0);
        const double lon = 723.4567 + std::fmod(second * 0.0011, 30.0);
        std::snprintf(body, sizeof body, "$GPGGA,%02d%02d%02d.00,%09.4f,N,%010.4f,E,1,%02d,1.2,%d.%d,M,47.3,M,,", hh,
                      mm, ss, lat, lon, 4 + int(second % 9), 100 + int(second % 50), int(second % 10));
        block += Sentence(body);
        std::snprintf(body, sizeof body, "$GPRMC,%02d%02d%02d.00,A,%09.4f,N,%010.4f,E,3.5,87.0,%02d0321,,,A", hh, mm,
                      ss, lat, lon, day);
        block += Sentence(body);
        if (block.size() > 256 * 1024) {
            if (f.write(block) != block.size())
                return false;
            written += block.size();
            block.clear();
        }
    }
    return f.write(block) == block.size();
}

long PeakRssKiB() { return ProcStatusKiB("VmHWM:"); }

// Seconds for converting input into format, or -1 on failure.
double Convert(const QString& input, const QString& output, TExportFormat format)
{
    QElapsedTimer clock;
    clock.start();
    const TConvertResult r = ConvertNmeaFile(input, output, format);
    const double seconds = clock.nsecsElapsed() / 1e9;
    QFile::remove(output);
    return r.status == TConvertResult::Ok ? seconds : -1.0;
}

const TExportFormat kFormats[] = {TExportFormat::MapPoint, TExportFormat::Kartex, TExportFormat::MagicMaps,
                                  TExportFormat::Gpx};

int RssOnly(qint64 megabytes)
{
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("track.txt"));
    if (!Generate(input, megabytes))
        return 1;
    for (TExportFormat f : kFormats)
        if (Convert(input, dir.filePath(QStringLiteral("out")), f) < 0)
            return 1;
    std::printf("%ld\n", PeakRssKiB());
    return 0;
}

long ChildRss(qint64 megabytes)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--rss"), QString::number(megabytes)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return -1;
    return child.readAllStandardOutput().trimmed().toLong();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--rss") == 0)
        return RssOnly(std::atoll(argv[2]));

    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("track.txt"));
    if (!Generate(input, 30)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(input));
        return 1;
    }
    const double megabytes = QFile(input).size() / 1e6;
    std::printf("input: %.1f MB of NMEA\n", megabytes);
    double slowest = 0, gpx = 0;
    for (TExportFormat f : kFormats) {
        double seconds = -1;
        for (int run = 0; run < kRuns; ++run) {
            const double once = Convert(input, dir.filePath(QStringLiteral("out")), f);
            if (once < 0) {
                std::fprintf(stderr, "conversion failed\n");
                return 1;
            }
            seconds = seconds < 0 ? once : std::min(seconds, once);
        }
        slowest = std::max(slowest, seconds);
        if (f == TExportFormat::Gpx)
            gpx = seconds;
        std::printf("%-10s %7.3f s  %7.1f MB/s\n", qPrintable(FormatInfo(f).name), seconds, megabytes / seconds);
    }

    bool met = true;
    const QString babel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
    if (babel.isEmpty()) {
        std::printf("gpsbabel: not installed, no ratio\n");
    } else {
        QElapsedTimer clock;
        clock.start();
        QProcess p;
        p.start(babel,
                {"-t", "-i", "nmea", "-f", input, "-o", "unicsv", "-F", dir.filePath(QStringLiteral("babel.csv"))});
        p.waitForFinished(-1);
        const double seconds = clock.nsecsElapsed() / 1e9;
        std::printf("gpsbabel   %7.3f s  %7.1f MB/s (exit %d)\n", seconds, megabytes / seconds, p.exitCode());
        std::printf("ratio gpsbabel / slowest format: %.1fx (aim %.0fx: %s)\n", seconds / slowest, kAimRatio,
                    seconds / slowest >= kAimRatio ? "met" : "missed");
        std::printf("ratio gpsbabel / gpx: %.1fx (aim %.0fx: %s)\n", seconds / gpx, kGpxAimRatio,
                    seconds / gpx >= kGpxAimRatio ? "met" : "missed");
        met = seconds / slowest >= kAimRatio && seconds / gpx >= kGpxAimRatio;
    }

    const long rss30 = ChildRss(30);
    const long rss300 = ChildRss(300);
    std::printf("peak resident memory: 30 MB input %ld KiB, 300 MB input %ld KiB, difference %ld KiB "
                "(aim within %.0f KiB: %s)\n",
                rss30, rss300, rss300 - rss30, kAimRssKiB,
                rss30 > 0 && rss300 > 0 && std::abs(rss300 - rss30) <= kAimRssKiB ? "met" : "missed");
    met = met && rss30 > 0 && rss300 > 0 && std::abs(rss300 - rss30) <= kAimRssKiB;
    return met ? 0 : 1;
}
