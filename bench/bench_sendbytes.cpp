// Single-byte send throughput: a 128 KiB image goes out one byte at a time,
// first straight through TComPort::TransmitChar, then through the window's
// SendByte with QuietSend set (the path of the firmware transfer). A
// pseudo-terminal peer receives; the figure is taken from the first byte
// sent until the peer holds every byte, and the bytes are compared.
#include "app/UnitMain.h"
#include "serial/ComPort.h"
#include "support/DevicePeer.h"
#include "support/Harness.h"
#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kImageSize = 131072;
constexpr double kLineBytesPerSecond = 115200.0 / 10.0;  // 8N1: 10 bits per byte
constexpr double kAim = 20.0;

QByteArray makeImage()
{
    // Every byte value, in a scrambled order, so that a lost, doubled or
    // swapped byte shows in the comparison.
    QByteArray image(kImageSize, Qt::Uninitialized);
    quint32 x = 0x12345678u;
    for (int i = 0; i < kImageSize; ++i) {
        x = x * 1664525u + 1013904223u;
        image[i] = char((x >> 24) ^ quint32(i));
    }
    return image;
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Result {
    bool ok = false;
    qint64 loopNs = 0;   // until the last TransmitChar returned
    qint64 totalNs = 0;  // until the peer held every byte
    double cpu = 0;
    QString detail;
};

// Compares what arrived with the image; returns a short description of the
// first difference, empty when intact.
QString compare(const QByteArray& got, const QByteArray& image)
{
    if (got.size() != image.size())
        return QStringLiteral("size %1 instead of %2").arg(got.size()).arg(image.size());
    for (qsizetype i = 0; i < image.size(); ++i)
        if (got[i] != image[i])
            return QStringLiteral("first difference at offset %1").arg(i);
    return QString();
}

template <typename SendOne>
Result run(TDevicePeer& peer, const QByteArray& image, SendOne&& sendOne)
{
    Result r;
    peer.ClearReceived();
    const double cpu0 = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    try {
        for (int i = 0; i < image.size(); ++i)
            sendOne(i, quint8(image[i]));
    } catch (const std::exception& e) {
        r.detail = QStringLiteral("send failed: ") + QString::fromUtf8(e.what());
        return r;
    }
    r.loopNs = clock.nsecsElapsed();
    const bool all = peer.WaitForBytes(int(image.size()), 30000);
    r.totalNs = clock.nsecsElapsed();
    r.cpu = cpuSeconds() - cpu0;
    if (!all) {
        r.detail = QStringLiteral("only %1 of %2 bytes arrived").arg(peer.Received().size()).arg(image.size());
        return r;
    }
    r.detail = compare(peer.Received(), image);
    r.ok = r.detail.isEmpty();
    return r;
}

// Set by report() when a figure misses its aim.
bool g_missed = false;

void report(const char* label, const Result& r, int lineRate)
{
    if (!r.ok) {
        std::printf("%s: FAILED (%s)\n", label, qPrintable(r.detail));
        g_missed = true;
        return;
    }
    const double secs = double(r.totalNs) / 1e9;
    const double bps = kImageSize / secs;
    const double ratio = bps / kLineBytesPerSecond;
    std::printf("%s: %d bytes in %.3f s = %.0f B/s = %.1fx line rate (aim >= %.0fx) %s\n", label, kImageSize, secs, bps,
                ratio, kAim, ratio >= kAim ? "OK" : "MISSED");
    g_missed = g_missed || ratio < kAim;
    std::printf("%s:   intact, line set to %d bit/s; %.2f us per byte; sending loop %.3f s; CPU %.3f s (process)\n",
                label, lineRate, double(r.totalNs) / 1e3 / kImageSize, double(r.loopNs) / 1e9, r.cpu);
}

int lineRateOf(const TDevicePeer& peer)
{
    const auto arrivals = peer.Arrivals();
    int rate = arrivals.isEmpty() ? 0 : arrivals.first().baud;
    for (const auto& a : arrivals)
        if (a.baud != rate)
            return -1;  // changed during the transfer
    return rate;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QByteArray image = makeImage();

    // --- TComPort on its own ----------------------------------------------------
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("ports.ini"));
        TDevicePeer peer;
        peer.MapPort(ini, 3);
        TComPort port;
        port.SetSettingsFile(ini);
        port.SetPort(QStringLiteral("Com3"));
        port.SetBaudRate(TBaudRate::br115200);
        port.Open();
        const Result r = run(peer, image, [&](int, quint8 b) { port.TransmitChar(b); });
        report("send", r, r.ok ? lineRateOf(peer) : 0);
        port.Close();
    }

    // --- the window's single-byte send, quiet ----------------------------------
    {
        WriteTestSettings("[Misc]\r\nCOM=0\r\n");
        TDevicePeer peer;
        peer.MapPort(TestSettingsFile(), 3);
        TScriptedDialogsScope scope;
        TFormMain form;
        form.show();
        form.RadioGroupCOM()->SetItemIndex(2);  // Com3; nothing answers the identification
        if (!form.ComPort.Connected()) {
            std::printf("sendbyte: FAILED (port did not open)\n");
            return 1;
        }
        peer.WaitForBytes(5);
        form.ComPort.SetBaudRate(TBaudRate::br115200);  // as the transfer switches it
        form.QuietSend = true;
        form.Memo1DblClick();
        const Result r = run(peer, image, [&](int i, quint8 b) { form.SendByte(i, b); });
        report("sendbyte (window, QuietSend)", r, r.ok ? lineRateOf(peer) : 0);
        const int logBlocks = int(form.Memo1()->LineCount());
        std::printf("sendbyte (window, QuietSend):   log lines added: %d\n", logBlocks);
        form.ComPort.Close();
    }
    RemoveTestSettings();
    return g_missed ? 1 : 0;
}
