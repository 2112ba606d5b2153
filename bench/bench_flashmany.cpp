// The command-line flasher loading a full image (65536 data lines, 131072
// bytes, block size 128) into 1, 2, 4 and 8 devices in one call, at 115200
// bit/s. The boot loaders sit on paced pseudo-terminals: every byte takes
// its line time at the rate the port is set to, as on a real line, so the
// wall time is line time plus what the tool adds. Aims: eight devices take at
// most 1.25 times the wall time of one, and each block's turnaround (from the
// device's answer leaving to the first byte of the next block arriving)
// stays under 2 % of the block's line time, for every device.
#include "BenchRom.h"
#include "support/BootLoaderPeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kBlockSize = 128;
constexpr int kRate = 115200;
constexpr double kAimRatio = 1.25;
constexpr double kAimShare = 0.02;
constexpr int kCounts[] = {1, 2, 4, 8};

struct TFigures {
    double wall = 0;
    double meanShare = 0;  // the worst device's mean turnaround against the block's line time
    double worstUs = 0;    // the longest single turnaround of any device
    double meanUs = 0;     // mean over every device and block
    bool intact = false;
};

TFigures RunCount(int count, const QString& rom, const QByteArray& image, const QTemporaryDir& dir)
{
    std::vector<std::unique_ptr<TDevicePeer>> peers;
    std::vector<std::unique_ptr<TBootLoaderPeer>> loaders;
    QStringList args{QStringLiteral("--settings"), dir.filePath(QStringLiteral("settings.ini"))};
    for (int i = 0; i < count; ++i) {
        peers.push_back(std::make_unique<TDevicePeer>());
        peers.back()->SetPaced(true);
        loaders.push_back(std::make_unique<TBootLoaderPeer>(*peers.back(), kBlockSize));
        args << QStringLiteral("--device") << peers.back()->SlavePath();
    }
    args << rom;

    QProcess tool;
    QElapsedTimer clock;
    clock.start();
    tool.start(QStringLiteral(VELMOR_FLASH_PATH), args);
    const bool finished = tool.waitForFinished(180000);
    TFigures f;
    f.wall = double(clock.nsecsElapsed()) / 1e9;

    const int blocks = (image.size() + kBlockSize - 1) / kBlockSize;
    const double blockLineUs = (kBlockSize + 1) * 10.0 * 1e6 / kRate;
    const qsizetype firstBlock = qsizetype(sizeof("{+}fwupdate\r") - 1) + 3;
    f.intact = finished && tool.exitCode() == 0;
    qint64 sumNs = 0;
    qint64 gaps = 0;
    for (int i = 0; i < count; ++i) {
        f.intact = f.intact && loaders[i]->Flash() == image && loaders[i]->ChecksumFaults() == 0;
        const QList<TDevicePeer::Arrival> in = peers[i]->Arrivals();
        const QList<TDevicePeer::Departure> out = peers[i]->Departures();
        // Departures: the start character, then one answer per block.
        if (out.size() != blocks + 1 || in.size() < firstBlock + qsizetype(blocks) * (kBlockSize + 1)) {
            f.intact = false;
            continue;
        }
        qint64 deviceNs = 0;
        for (int k = 0; k + 1 < blocks; ++k) {
            const qint64 gap = in[firstBlock + qsizetype(k + 1) * (kBlockSize + 1)].ns - out[1 + k].ns;
            deviceNs += gap;
            f.worstUs = qMax(f.worstUs, double(gap) / 1e3);
        }
        sumNs += deviceNs;
        gaps += blocks - 1;
        f.meanShare = qMax(f.meanShare, double(deviceNs) / 1e3 / (blocks - 1) / blockLineUs);
    }
    f.meanUs = gaps ? double(sumNs) / 1e3 / double(gaps) : 0;
    if (!f.intact)
        std::printf("flashmany: %d devices FAILED (exit %d): %s\n", count, tool.exitCode(),
                    tool.readAllStandardOutput().constData());
    return f;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray image = bench::MakeImage(0x2468ACE1u);
    const QString rom = bench::WriteRom(dir, image);
    const int blocks = (image.size() + kBlockSize - 1) / kBlockSize;
    const double lineSecs = (3 + blocks * (kBlockSize + 1)) * 10.0 / kRate;
    const double blockLineUs = (kBlockSize + 1) * 10.0 * 1e6 / kRate;
    std::printf("flashmany: %d bytes in %d blocks of %d per device, paced at %d bit/s 8N1: line time %.3f s, "
                "%.0f us per block\n",
                int(image.size()), blocks, kBlockSize, kRate, lineSecs, blockLineUs);

    double single = 0;
    bool ok = true;
    for (const int count : kCounts) {
        const TFigures f = RunCount(count, rom, image, dir);
        if (!f.intact)
            return 1;
        if (count == 1)
            single = f.wall;
        std::printf("flashmany: %d device(s): wall %.3f s (%.3f x one device); turnaround mean %.1f us, worst %.1f "
                    "us; worst device's mean %.2f%% of a block's line time (aim < %.0f%%) %s\n",
                    count, f.wall, f.wall / single, f.meanUs, f.worstUs, f.meanShare * 100.0, kAimShare * 100.0,
                    f.meanShare < kAimShare ? "OK" : "MISSED");
        ok = ok && f.meanShare < kAimShare;
        if (count == 8) {
            std::printf("flashmany: 8 devices against one: %.3f (aim <= %.2f) %s\n", f.wall / single, kAimRatio,
                        f.wall / single <= kAimRatio ? "OK" : "MISSED");
            ok = ok && f.wall / single <= kAimRatio;
        }
    }
    return ok ? 0 : 1;
}
