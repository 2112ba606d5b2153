// A full firmware update through the firmware dialog: 65536 data lines
// (131072 bytes) at block size 128, against a boot loader that checks every
// block and acknowledges it at once. The pseudo-terminal does not pace at the
// line rate, so the measured time is what the program itself adds; it is set
// against the time the same bytes need on a real line at 115200 bit/s 8N1.
#include "BenchRom.h"
#include "firmware/RomImage.h"
#include "firmware/UnitFlashen.h"
#include "support/BootLoaderPeer.h"
#include "support/Harness.h"
#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kLines = bench::kRomLines;
constexpr int kBlockSize = 128;
constexpr double kLineBytesPerSecond = 115200.0 / 10.0;  // 8N1: 10 bits per byte
constexpr double kAimShare = 0.02;

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray image = bench::MakeImage(0x2468ACE1u);
    const QString path = bench::WriteRom(dir, image);

    WriteTestSettings("[Misc]\r\nCOM=0\r\n");
    TDevicePeer peer;
    peer.MapPort(TestSettingsFile(), 3);
    peer.AnswerIdentification("#01.00.00");
    TScriptedDialogsScope scope;
    TFormMain form;
    TFormFlashen flashen(&form);
    form.show();
    form.RadioGroupCOM()->SetItemIndex(2);
    if (!form.ComPort.Connected() || form.FlashBlockSize != kBlockSize) {
        std::printf("flash: FAILED (port did not open or wrong panel)\n");
        return 1;
    }
    peer.ClearReceived();
    TBootLoaderPeer loader(peer, kBlockSize);
    scope.dialogs->files.enqueue(path);

    // The same load on its own, for the share it has in the whole.
    QElapsedTimer loadClock;
    loadClock.start();
    TRomImage probe;
    LoadRomFile(path, probe);
    const double loadSecs = double(loadClock.nsecsElapsed()) / 1e9;

    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    const double ui0 = cpuSeconds(RUSAGE_THREAD);
    QElapsedTimer clock;
    clock.start();
    flashen.show();  // runs the procedure once shown
    while (!flashen.ProcedureEnded())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    const double wall = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpu0;
    const double uiCpu = cpuSeconds(RUSAGE_THREAD) - ui0;

    const QString status = flashen.findChild<QLabel*>(QStringLiteral("LabelFlashen"))->text();
    const int blocks = (2 * kLines + kBlockSize - 1) / kBlockSize;
    const bool intact = status == QLatin1String("Firmware-Update OK") && loader.ChecksumFaults() == 0
                        && loader.BlocksReceived() == blocks && loader.Flash() == image;
    if (!intact) {
        std::printf("flash: FAILED (status \"%s\", %d blocks received, %d checksum faults, flash %s)\n",
                    qPrintable(status), loader.BlocksReceived(), loader.ChecksumFaults(),
                    loader.Flash() == image ? "intact" : "differs");
        return 1;
    }

    // Header to last byte as the device saw it.
    const QList<TDevicePeer::Arrival> arrivals = peer.Arrivals();
    const qsizetype startLength = qsizetype(sizeof("{+}fwupdate\r") - 1);
    const double transferSecs = double(arrivals.last().ns - arrivals[startLength].ns) / 1e9;

    const int lineBytes = 3 + blocks * (kBlockSize + 1);
    const double lineSecs = lineBytes / kLineBytesPerSecond;
    const double share = wall / lineSecs;
    std::printf("flash: %d data lines, %d blocks of %d, %d bytes on the line; device holds every byte\n", kLines,
                blocks, kBlockSize, lineBytes);
    std::printf("flash: procedure %.3f s wall (file read %.3f s of it, header to last byte %.3f s)\n", wall, loadSecs,
                transferSecs);
    std::printf("flash: CPU %.3f s process (boot loader thread included), %.3f s UI thread\n", cpu, uiCpu);
    std::printf("flash: line time at 115200 bit/s 8N1: %.3f s; ratio wall / line time %.4f\n", lineSecs, share);
    std::printf("flash: program's own share against the line time: %.2f%% (aim < %.0f%%, %.3f s) %s\n", share * 100.0,
                kAimShare * 100.0, kAimShare * lineSecs, share < kAimShare ? "OK" : "MISSED");

    // On a real line the bytes of a block go into the driver far faster than
    // the line sends them, so writing overlaps with sending. What the program
    // adds to the line time is its turnaround: from the checksum byte (which
    // the device answers at once) to the first byte of the next block.
    const qsizetype firstBlock = startLength + 3;
    qint64 turnaroundNs = 0;
    qint64 worstNs = 0;
    for (int k = 0; k + 1 < blocks; ++k) {
        const qsizetype checksum = firstBlock + qsizetype(k) * (kBlockSize + 1) + kBlockSize;
        const qint64 gap = arrivals[checksum + 1].ns - arrivals[checksum].ns;
        turnaroundNs += gap;
        worstNs = qMax(worstNs, gap);
    }
    const double turnaround = double(turnaroundNs) / 1e9;
    const double realShare = turnaround / lineSecs;
    std::printf("flash: turnaround after the acknowledgements: %.3f s in all, %.1f us per block on average, "
                "worst %.1f us\n",
                turnaround, double(turnaroundNs) / 1e3 / (blocks - 1), double(worstNs) / 1e3);
    std::printf("flash: added to the line time on a real line (turnaround): %.2f%% (aim < %.0f%%) %s\n",
                realShare * 100.0, kAimShare * 100.0, realShare < kAimShare ? "OK" : "MISSED");

    form.ComPort.Close();
    RemoveTestSettings();
    return share < kAimShare && realShare < kAimShare ? 0 : 1;
}
