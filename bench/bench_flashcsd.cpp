// A full firmware update over a modem call: 65536 data lines (131072 bytes)
// at the Vigilo-GSM block size of 256, through a phone on the port and a boot
// loader at the far end of the call that checks every block and answers at
// once. Nothing paces the bytes at the call's 9600 bit/s, so what is measured
// is the program's own time; its turnaround per block (from the checksum
// byte to the first byte of the next block) is set against the time a block
// needs on the line.
#include "BenchRom.h"
#include "firmware/RomImage.h"
#include "firmware/UnitFlashenCSD.h"
#include "support/BootLoaderPeer.h"
#include "support/Harness.h"
#include "support/ModemPeer.h"
#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kLines = bench::kRomLines;
constexpr int kBlockSize = 256;
constexpr int kLinkBaud = 9600;
constexpr double kLineBytesPerSecond = kLinkBaud / 10.0;  // 8N1
constexpr double kAimShare = 0.02;

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray image = bench::MakeImage(0x13579BDFu);
    const QString path = bench::WriteRom(dir, image);

    WriteTestSettings("[Misc]\r\nCOM=0\r\n");
    TDevicePeer peer;
    peer.MapPort(TestSettingsFile(), 3);
    TBootLoaderScript script;
    script.startAt115200Only = false;
    auto loader = std::make_shared<TBootLoader>(kBlockSize, script);
    TModemScript phone;
    phone.linkBaud = kLinkBaud;
    TModemPeer modem(peer, loader, phone);
    TScriptedDialogsScope scope;
    TFormMain form;
    TFormFlashenCSD csd(&form);
    form.show();
    form.RadioGroupCOM()->SetItemIndex(2);
    form.ClearPanels(QStringLiteral("VigiloGSM"));
    form.SendPlain(QStringLiteral("ATD +49171;\r"));
    PumpUntil([&] { return modem.DataMode(); }, 3000);
    if (!form.ComPort.Connected() || form.FlashBlockSize != kBlockSize || !modem.DataMode()) {
        std::printf("flashcsd: FAILED (port, panel or call not up)\n");
        return 1;
    }
    Pump(100);
    peer.ClearReceived();
    scope.dialogs->files.enqueue(path);

    QElapsedTimer clock;
    clock.start();
    csd.show();  // runs the procedure once shown
    while (!csd.ProcedureEnded())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    const double wall = double(clock.nsecsElapsed()) / 1e9;

    const QString status = csd.findChild<QLabel*>(QStringLiteral("LabelFlashen"))->text();
    const int blocks = (2 * kLines + kBlockSize - 1) / kBlockSize;
    const bool intact = status == QLatin1String("Firmware-Update OK") && loader->ChecksumFaults() == 0
                        && loader->BlocksReceived() == blocks && loader->Flash() == image
                        && loader->TransferBauds() == QSet<int>{kLinkBaud};
    if (!intact) {
        std::printf("flashcsd: FAILED (status \"%s\", %d blocks received, %d checksum faults, flash %s)\n",
                    qPrintable(status), loader->BlocksReceived(), loader->ChecksumFaults(),
                    loader->Flash() == image ? "intact" : "differs");
        return 1;
    }

    const QList<TDevicePeer::Arrival> arrivals = peer.Arrivals();
    const qsizetype startLength = qsizetype(sizeof("{+}fwupdate\r") - 1);
    const qsizetype firstBlock = startLength + 3;
    QList<qint64> gaps;
    for (int k = 0; k + 1 < blocks; ++k) {
        const qsizetype checksum = firstBlock + qsizetype(k) * (kBlockSize + 1) + kBlockSize;
        gaps.append(arrivals[checksum + 1].ns - arrivals[checksum].ns);
    }
    qint64 total = 0;
    for (qint64 g : gaps)
        total += g;
    std::sort(gaps.begin(), gaps.end());
    const double meanUs = double(total) / 1e3 / double(gaps.size());
    const double blockLineSecs = (kBlockSize + 1) / kLineBytesPerSecond;
    const int lineBytes = int(startLength) + 3 + blocks * (kBlockSize + 1);
    const double lineSecs = lineBytes / kLineBytesPerSecond;
    const double share = double(total) / 1e9 / lineSecs;

    std::printf("flashcsd: %d data lines, %d blocks of %d through the call, %d bytes on the line; unit holds "
                "every byte\n",
                kLines, blocks, kBlockSize, lineBytes);
    std::printf("flashcsd: procedure %.3f s wall; line time at %d bit/s 8N1: %.1f s (%.1f ms per block)\n", wall,
                kLinkBaud, lineSecs, blockLineSecs * 1e3);
    std::printf("flashcsd: turnaround per block: mean %.1f us, median %.1f us, 99th percentile %.1f us, worst "
                "%.1f us\n",
                meanUs, double(gaps[gaps.size() / 2]) / 1e3, double(gaps[gaps.size() * 99 / 100]) / 1e3,
                double(gaps.last()) / 1e3);
    std::printf("flashcsd: added to the line time by the turnaround: %.3f%% (aim < %.0f%%) %s\n", share * 100.0,
                kAimShare * 100.0, share < kAimShare ? "OK" : "MISSED");
    std::printf("flashcsd: elapsed label at the end: %s\n",
                qPrintable(csd.findChild<QLabel*>(QStringLiteral("LabelDauer"))->text()));

    RemoveTestSettings();
    return share < kAimShare ? 0 : 1;
}
