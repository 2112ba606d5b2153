// The command-line flasher over the network: a full image (65536 data lines,
// 131072 bytes) at block size 128 to a boot loader behind a real ser2net
// (RFC 2217 on 127.0.0.1) whose pseudo-terminal is paced at the line rate,
// so the wall time can be set against the line time at 115200 bit/s 8N1.
// The turnaround (checksum byte at the device to the next block's first
// byte, less the line time of the answer and of that byte) is what the
// tool, the loopback and ser2net add per block: an upper bound for the
// tool's own share.
#include "BenchRom.h"
#include "support/BootLoaderPeer.h"
#include "support/Ser2net.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kLines = bench::kRomLines;
constexpr int kBlockSize = 128;
constexpr double kLineBytesPerSecond = 115200.0 / 10.0;
constexpr double kAimRatio = 1.1;
constexpr double kAimShare = 0.02;

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray image = bench::MakeImage(0x13579BDFu);
    const QString path = bench::WriteRom(dir, image);
    const QString settings = dir.filePath(QStringLiteral("settings.ini"));

    TDevicePeer peer;
    peer.SetPaced(true);
    TBootLoaderPeer loader(peer, kBlockSize);
    TSer2net server(peer.SlavePath());
    if (!server.Start()) {
        std::printf("netflash: FAILED: %s\n", qPrintable(server.Failure()));
        return 1;
    }
    QProcess tool;
    QElapsedTimer clock;
    clock.start();
    tool.start(QStringLiteral(VELMOR_FLASH_PATH), {QStringLiteral("--settings"), settings, server.Address(), path});
    const bool finished = tool.waitForFinished(300000);
    const double wall = double(clock.nsecsElapsed()) / 1e9;
    const QByteArray out = tool.readAllStandardOutput().trimmed();

    const int blocks = (2 * kLines + kBlockSize - 1) / kBlockSize;
    const bool intact = finished && tool.exitCode() == 0 && out == "Firmware-Update OK" && loader.ChecksumFaults() == 0
                        && loader.BlocksReceived() == blocks && loader.Flash() == image;
    if (!intact) {
        std::printf("netflash: FAILED (exit %d, \"%s\", %d blocks received, %d checksum faults, flash %s)\n",
                    tool.exitCode(), out.constData(), loader.BlocksReceived(), loader.ChecksumFaults(),
                    loader.Flash() == image ? "intact" : "differs");
        return 1;
    }

    const QList<TDevicePeer::Arrival> arrivals = peer.Arrivals();
    const qsizetype startLength = qsizetype(sizeof("{+}fwupdate\r") - 1);
    const int lineBytes = 3 + blocks * (kBlockSize + 1);
    const double lineSecs = (startLength + lineBytes) / kLineBytesPerSecond;
    const double ratio = wall / lineSecs;

    const qsizetype firstBlock = startLength + 3;
    const double byteNs = 1e9 / kLineBytesPerSecond;
    QList<qint64> gaps;
    for (int k = 0; k + 1 < blocks; ++k) {
        const qsizetype checksum = firstBlock + qsizetype(k) * (kBlockSize + 1) + kBlockSize;
        gaps.append(qint64(double(arrivals[checksum + 1].ns - arrivals[checksum].ns) - 2 * byteNs));
    }
    qint64 turnaroundNs = 0;
    for (qint64 g : gaps)
        turnaroundNs += qMax<qint64>(g, 0);
    std::sort(gaps.begin(), gaps.end());
    const double share = double(turnaroundNs) / 1e9 / lineSecs;

    std::printf("netflash: %d blocks of %d over rfc2217:// and ser2net, paced line; device holds every byte\n", blocks,
                kBlockSize);
    std::printf("netflash: wall %.3f s (process start to exit), line time at 115200 bit/s 8N1 %.3f s, "
                "ratio %.3f (aim <= %.1f) %s\n",
                wall, lineSecs, ratio, kAimRatio, ratio <= kAimRatio ? "OK" : "MISSED");
    std::printf("netflash: turnaround beyond the line time per block: mean %.1f us, median %.1f us, worst %.1f us\n",
                double(turnaroundNs) / 1e3 / double(gaps.size()), double(gaps[gaps.size() / 2]) / 1e3,
                double(gaps.last()) / 1e3);
    std::printf("netflash: tool + loopback + ser2net share of the line time: %.2f%% (aim < %.0f%%) %s\n", share * 100.0,
                kAimShare * 100.0, share < kAimShare ? "OK" : "MISSED");
    return ratio <= kAimRatio && share < kAimShare ? 0 : 1;
}
