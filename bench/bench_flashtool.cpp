// The command-line flasher sending a full image: 65536 data lines (131072
// bytes) at block size 128 to a boot loader on a pseudo-terminal that checks
// every block and acknowledges it at once. The pseudo-terminal does not pace
// at the line rate, so on a real line what the tool adds to the line time is
// its turnaround: from the checksum byte (answered at once) to the first byte
// of the next block. That is set against the time the bytes need at 115200
// bit/s 8N1.
#include "BenchRom.h"
#include "firmware/RomImage.h"
#include "support/BootLoaderPeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kLines = bench::kRomLines;
constexpr int kBlockSize = 128;
constexpr double kLineBytesPerSecond = 115200.0 / 10.0;
constexpr double kAimShare = 0.02;

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray image = bench::MakeImage(0x2468ACE1u);
    const QString path = bench::WriteRom(dir, image);
    const QString settings = dir.filePath(QStringLiteral("settings.ini"));

    TDevicePeer peer;
    TBootLoaderPeer loader(peer, kBlockSize);
    QProcess tool;
    QElapsedTimer clock;
    clock.start();
    tool.start(QStringLiteral(VELMOR_FLASH_PATH), {QStringLiteral("--settings"), settings, peer.SlavePath(), path});
    const bool finished = tool.waitForFinished(120000);
    const double wall = double(clock.nsecsElapsed()) / 1e9;
    const QByteArray out = tool.readAllStandardOutput().trimmed();

    const int blocks = (2 * kLines + kBlockSize - 1) / kBlockSize;
    const bool intact = finished && tool.exitCode() == 0 && out == "Firmware-Update OK" && loader.ChecksumFaults() == 0
                        && loader.BlocksReceived() == blocks && loader.Flash() == image;
    if (!intact) {
        std::printf("flashtool: FAILED (exit %d, \"%s\", %d blocks received, %d checksum faults, flash %s)\n",
                    tool.exitCode(), out.constData(), loader.BlocksReceived(), loader.ChecksumFaults(),
                    loader.Flash() == image ? "intact" : "differs");
        return 1;
    }

    const QList<TDevicePeer::Arrival> arrivals = peer.Arrivals();
    const qsizetype startLength = qsizetype(sizeof("{+}fwupdate\r") - 1);
    const double transferSecs = double(arrivals.last().ns - arrivals[startLength].ns) / 1e9;
    const int lineBytes = 3 + blocks * (kBlockSize + 1);
    const double lineSecs = lineBytes / kLineBytesPerSecond;

    const qsizetype firstBlock = startLength + 3;
    QList<qint64> gaps;
    for (int k = 0; k + 1 < blocks; ++k) {
        const qsizetype checksum = firstBlock + qsizetype(k) * (kBlockSize + 1) + kBlockSize;
        gaps.append(arrivals[checksum + 1].ns - arrivals[checksum].ns);
    }
    qint64 turnaroundNs = 0;
    for (qint64 g : gaps)
        turnaroundNs += g;
    std::sort(gaps.begin(), gaps.end());
    const double turnaround = double(turnaroundNs) / 1e9;
    const double share = turnaround / lineSecs;

    std::printf("flashtool: %d data lines, %d blocks of %d, %d bytes on the line; device holds every byte\n", kLines,
                blocks, kBlockSize, lineBytes);
    std::printf("flashtool: process %.3f s wall from start to exit (header to last byte %.3f s)\n", wall, transferSecs);
    std::printf("flashtool: line time at 115200 bit/s 8N1: %.3f s\n", lineSecs);
    std::printf("flashtool: turnaround after the acknowledgements: %.3f s in all, per block mean %.1f us, "
                "median %.1f us, worst %.1f us\n",
                turnaround, double(turnaroundNs) / 1e3 / double(gaps.size()), double(gaps[gaps.size() / 2]) / 1e3,
                double(gaps.last()) / 1e3);
    std::printf("flashtool: added to the line time on a real line (turnaround): %.2f%% (aim < %.0f%%) %s\n",
                share * 100.0, kAimShare * 100.0, share < kAimShare ? "OK" : "MISSED");
    return share < kAimShare ? 0 : 1;
}
