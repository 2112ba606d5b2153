// Port scan with no device attached, on the real main window: every port
// Com1..Com24 is pointed at a path that does not exist, so each open fails
// and no identification wait is due. Then the cost of one pumped wait that
// nothing ends early.
#include "app/UnitMain.h"
#include "support/Harness.h"
#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr double kScanAimSeconds = 1.0;
constexpr double kWaitCpuAimMs = 50.0;

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Timed {
    double wallMs;
    double cpuMs;
};

template <typename F>
Timed timed(F&& f)
{
    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    f();
    return {double(clock.nsecsElapsed()) / 1e6, (cpuSeconds(RUSAGE_SELF) - cpu0) * 1e3};
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    QTemporaryDir nowhere;
    QByteArray settings = "[Misc]\r\nCOM=0\r\n[Ports]\r\n";
    for (int n = 1; n <= 24; ++n) {
        const QString path = nowhere.filePath(QStringLiteral("missing-com%1").arg(n));
        if (QFileInfo::exists(path)) {
            std::printf("scan: FAILED (%s exists)\n", qPrintable(path));
            return 1;
        }
        settings += QStringLiteral("Com%1=%2\r\n").arg(n).arg(path).toUtf8();
    }
    WriteTestSettings(settings);

    TScriptedDialogsScope scope;
    TFormMain form;
    form.show();
    Pump(100);

    // Every port must map into the empty directory.
    for (int n = 1; n <= 24; ++n)
        if (!form.ComPort.DevicePathFor(QStringLiteral("Com%1").arg(n)).startsWith(nowhere.path())) {
            std::printf("scan: FAILED (Com%d is not mapped away)\n", n);
            return 1;
        }

    const Timed scan = timed([&] { form.ButtonScanClick(); });
    int listed = 0;
    for (int i = 0; i < 24; ++i)
        if (!form.RadioGroupCOMconnect()->Item(i).isEmpty())
            ++listed;
    std::printf("scan: 24 ports, none present, in %.3f s (aim < %.1f s) %s; CPU %.3f s; port open after scan: %s; "
                "entries with text: %d\n",
                scan.wallMs / 1e3, kScanAimSeconds, scan.wallMs / 1e3 < kScanAimSeconds ? "OK" : "MISSED",
                scan.cpuMs / 1e3, form.ComPort.Connected() ? "yes" : "no", listed);

    // One pumped wait with nothing to end it early.
    const Timed wait = timed([] { TFormMain::PumpedWait(500); });
    std::printf("pumpedwait(500): wall %.1f ms, CPU %.1f ms (aim < %.0f ms CPU) %s\n", wait.wallMs, wait.cpuMs,
                kWaitCpuAimMs, wait.cpuMs < kWaitCpuAimMs ? "OK" : "MISSED");

    // More of them, for the spread; a wait that overruns its limit by far is
    // counted.
    constexpr int kMore = 10;
    QString walls;
    double maxWall = 0, maxCpu = 0;
    int overruns = 0;
    for (int i = 0; i < kMore; ++i) {
        const Timed t = timed([] { TFormMain::PumpedWait(500); });
        walls += QStringLiteral(" %1").arg(t.wallMs, 0, 'f', 0);
        maxWall = std::max(maxWall, t.wallMs);
        maxCpu = std::max(maxCpu, t.cpuMs);
        if (t.wallMs > 550)
            ++overruns;
    }
    std::printf("pumpedwait(500) x%d more: wall ms:%s; max CPU %.1f ms; %d of %d over 550 ms\n", kMore,
                qPrintable(walls), maxCpu, overruns, kMore);

    RemoveTestSettings();
    return scan.wallMs / 1e3 < kScanAimSeconds && wait.cpuMs < kWaitCpuAimMs ? 0 : 1;
}
