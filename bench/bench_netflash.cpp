// The command-line flasher over the network: a full image (65536 data lines,
// 131072 bytes) at block size 128 to a boot loader behind a real ser2net
// (RFC 2217 on 127.0.0.1) whose pseudo-terminal is paced at the line rate,
// so the wall time can be set against the line time at 115200 bit/s 8N1.
// The same run straight on the pseudo-terminal is the reference: what the
// network path (the tool's Telnet side, the loopback and ser2net) adds per
// block is the difference; an upper bound for the tool's own share.
#include "BenchRom.h"
#include "serial/ComPort.h"
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

// The program's own part of each turnaround, in this process: from the
// moment the port has the device's answer to the moment the next block,
// handed over byte by byte as the procedure does, is queued in the socket
// (the one write that sends it follows in the next wait).
// The device (unpaced) answers every block at once. Returns the mean in
// microseconds, or -1 when the exchange fails.
double ownTurnaroundUs(const QString& settings, int blocks)
{
    TDevicePeer peer;
    TSer2net server(peer.SlavePath());
    if (!server.Start())
        return -1;
    qsizetype seen = 0;
    peer.SetHandler([&seen](const QByteArray& piece) {
        const qsizetype before = seen;
        seen += piece.size();
        return QByteArray(int(seen / (kBlockSize + 1) - before / (kBlockSize + 1)), '0');
    });
    TComPort port;
    port.SetSettingsFile(settings);
    port.SetPort(server.Address());
    port.SetBaudRate(TBaudRate::br115200);
    try {
        port.Open();
    } catch (const EComPort&) {
        return -1;
    }
    qint64 ownNs = 0;
    QElapsedTimer clock;
    for (int k = 0; k < blocks; ++k) {
        if (k > 0) {
            if (!port.WaitForData(2000))
                return -1;
            clock.start();
            QString answer;
            port.ReadStr(answer, 1);
        } else {
            clock.start();
        }
        for (int i = 0; i <= kBlockSize; ++i)
            port.TransmitChar(quint8(i * 7 + k));
        ownNs += clock.nsecsElapsed();
    }
    return double(ownNs) / 1e3 / blocks;
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
    const double ownUs = ownTurnaroundUs(settings, 1024);
    if (ownUs < 0) {
        std::printf("netflash: FAILED: the block exchange for the turnaround did not run\n");
        return 1;
    }

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
    const double blockLineUs = (kBlockSize + 1) / kLineBytesPerSecond * 1e6;
    const double ownShare = ownUs / blockLineUs;
    std::printf("netflash: the program's own turnaround per block (answer there to block handed over, in "
                "process): %.1f us, %.2f%% of a block's line time %.0f us (aim < %.0f%%) %s\n",
                ownUs, ownShare * 100.0, blockLineUs, kAimShare * 100.0, ownShare < kAimShare ? "OK" : "MISSED");
    return ratio <= kAimRatio && ownShare < kAimShare ? 0 : 1;
}
