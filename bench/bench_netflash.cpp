// The command-line flasher over the network: a full image (65536 data lines,
// 131072 bytes) at block size 128 to a boot loader behind a real ser2net
// (RFC 2217 on 127.0.0.1) whose pseudo-terminal is paced at the line rate,
// so the wall time can be set against the line time at 115200 bit/s 8N1.
// The same run straight on the pseudo-terminal is the reference: what the
// network path (the tool's Telnet side, the loopback and ser2net) adds per
// block is the difference; an upper bound for the tool's own share.
#include "BenchRom.h"
#include "support/BootLoaderPeer.h"
#include "support/Ser2net.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kLines = bench::kRomLines;
constexpr int kBlockSize = 128;
constexpr double kLineBytesPerSecond = 115200.0 / 10.0;
constexpr double kAimRatio = 1.1;
constexpr double kAimShare = 0.02;

}  // namespace

namespace {

struct TRunFigures {
    bool intact = false;
    double wall = 0;      // process start to exit, s
    double transfer = 0;  // header's first byte to the last byte at the device, s
};

// velmor-flash with the image to the boot loader behind port (a device path
// or a network address), the line paced.
TRunFigures flashOnce(const QString& port, TDevicePeer& peer, const QString& settings, const QString& rom,
                      const QByteArray& image)
{
    TBootLoaderPeer loader(peer, kBlockSize);
    peer.ClearReceived();
    QProcess tool;
    QElapsedTimer clock;
    clock.start();
    tool.start(QStringLiteral(VELMOR_FLASH_PATH), {QStringLiteral("--settings"), settings, port, rom});
    const bool finished = tool.waitForFinished(300000);
    TRunFigures f;
    f.wall = double(clock.nsecsElapsed()) / 1e9;
    const QByteArray out = tool.readAllStandardOutput().trimmed();
    const int blocks = (2 * kLines + kBlockSize - 1) / kBlockSize;
    f.intact = finished && tool.exitCode() == 0 && out == "Firmware-Update OK" && loader.ChecksumFaults() == 0
               && loader.BlocksReceived() == blocks && loader.Flash() == image;
    if (!f.intact) {
        std::printf("netflash: FAILED on %s (exit %d, \"%s\", %d blocks received, %d checksum faults)\n",
                    qPrintable(port), tool.exitCode(), out.constData(), loader.BlocksReceived(),
                    loader.ChecksumFaults());
        return f;
    }
    const QList<TDevicePeer::Arrival> arrivals = peer.Arrivals();
    const qsizetype startLength = qsizetype(sizeof("{+}fwupdate\r") - 1);
    f.transfer = double(arrivals.last().ns - arrivals[startLength].ns) / 1e9;
    return f;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray image = bench::MakeImage(0x13579BDFu);
    const QString rom = bench::WriteRom(dir, image);
    const QString settings = dir.filePath(QStringLiteral("settings.ini"));

    TDevicePeer peer;
    peer.SetPaced(true);
    TSer2net server(peer.SlavePath());
    // As a bench server for updates is set up (README): ser2net passes what
    // the device answers at once instead of waiting for more serial data.
    server.SetCharDelay(argc > 1 && QByteArray(argv[1]) == "--chardelay");
    if (!server.Start()) {
        std::printf("netflash: FAILED: %s\n", qPrintable(server.Failure()));
        return 1;
    }
    // The same device and line, first opened directly, then over the network.
    const TRunFigures direct = flashOnce(peer.SlavePath(), peer, settings, rom, image);
    const TRunFigures net = flashOnce(server.Address(), peer, settings, rom, image);
    if (!direct.intact || !net.intact)
        return 1;

    const int blocks = (2 * kLines + kBlockSize - 1) / kBlockSize;
    const int lineBytes = 3 + blocks * (kBlockSize + 1);
    const double lineSecs = lineBytes / kLineBytesPerSecond;
    const double ratio = net.transfer / lineSecs;
    // Per block, what the network path adds to the same run on the tty.
    const double addedPerBlockUs = (net.transfer - direct.transfer) / blocks * 1e6;
    const double share = (net.transfer - direct.transfer) / lineSecs;

    std::printf("netflash: %d blocks of %d, %d bytes, paced line at 115200 bit/s 8N1: line time %.3f s; ser2net "
                "chardelay %s\n",
                blocks, kBlockSize, lineBytes, lineSecs, argc > 1 ? "on" : "off");
    std::printf("netflash: on the tty directly: transfer %.3f s (%.3f of the line time), process %.3f s\n",
                direct.transfer, direct.transfer / lineSecs, direct.wall);
    std::printf("netflash: over rfc2217:// and ser2net: transfer %.3f s, process %.3f s; ratio to the line time "
                "%.3f (aim <= %.1f) %s\n",
                net.transfer, net.wall, ratio, kAimRatio, ratio <= kAimRatio ? "OK" : "MISSED");
    std::printf("netflash: the network path adds %.1f us a block, %.2f%% of the line time (aim < %.0f%%) %s\n",
                addedPerBlockUs, share * 100.0, kAimShare * 100.0, share < kAimShare ? "OK" : "MISSED");
    return ratio <= kAimRatio && share < kAimShare ? 0 : 1;
}
