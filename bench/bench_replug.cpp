// The port list following the hardware, with the real main window offscreen
// and real timers: Com3 of the settings file is a link to a pseudo-terminal
// device, "plugged" when the link appears and "unplugged" when it goes.
//   plug seen:   from the link appearing to the list's entry shown present
//   unplug seen: from the link going to the entry shown absent
//   reopen:      from the device back to the identification request at it
//   resume:      the cyclic trigger at its 1 s pace, away long enough for a
//                trigger to fall due; from the device back to that trigger
//                at the new device (a held send goes at the next tick)
// Median and worst of 20 each, and the watcher's CPU time while idle.
// Aims: a plug seen in under 1 s, the job resumed in under 2 s, the idle
// watcher under 1 ms of CPU a second, one log line per going and per coming
// back. Exits with 1 when an aim is missed.
#include "app/UnitMain.h"
#include "serial/PortLink.h"
#include "support/DevicePeer.h"
#include "support/Harness.h"
#include "support/ScriptedDialogs.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kRounds = 20;
constexpr double kPlugAimMs = 1000;
constexpr double kResumeAimMs = 2000;
constexpr double kIdleAimMsPerS = 1;

double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e6 + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec))
           / 1e3;
}

// Processes events until cond holds; the milliseconds it took, -1 after 10 s.
double msUntil(const std::function<bool()>& cond)
{
    QElapsedTimer clock;
    clock.start();
    while (!cond()) {
        if (clock.elapsed() > 10000)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

// Prints the figures; false when the worst misses the aim (or a wait ran out).
bool report(const char* what, std::vector<double> ms, double aim)
{
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double worst = ms.back();
    std::printf("%-12s median %7.1f ms  worst %7.1f ms  (aim %.0f ms: worst/aim %.2f)\n", what, median, worst, aim,
                worst / aim);
    return ms.front() >= 0 && worst < aim;
}

std::unique_ptr<TDevicePeer> device()
{
    auto peer = std::make_unique<TDevicePeer>();
    peer->SetLineHandler([](const QByteArray& line) -> QByteArray {
        if (line == "{+}h")
            return "#01.00.01\r";
        if (line == "{+}gsminfo")
            return "CSQ: 17\r";
        return QByteArray();
    });
    return peer;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("adapter"));
    WriteTestSettings("[Misc]\r\nCOM=0\r\n[Ports]\r\nCom3=" + link.toUtf8() + "\r\n");
    TScriptedDialogsScope scope;
    std::vector<std::unique_ptr<TDevicePeer>> gone;

    TFormMain form;
    TRadioGroup* list = form.RadioGroupCOM();

    // Idle: the window with nothing plugged and no timer of its own running,
    // its event loop asleep until something happens.
    form.Timer1.stop();
    const double idleStart = cpuMs();
    QElapsedTimer idleClock;
    idleClock.start();
    QEventLoop idle;
    QTimer::singleShot(10000, &idle, &QEventLoop::quit);
    idle.exec();
    const double idleMsPerS = (cpuMs() - idleStart) / (double(idleClock.elapsed()) / 1000);
    std::printf("idle window with its port watcher: %.3f ms CPU per second (aim %.0f ms: ratio %.3f)\n", idleMsPerS,
                kIdleAimMsPerS, idleMsPerS / kIdleAimMsPerS);
    bool met = idleMsPerS < kIdleAimMsPerS;

    std::vector<double> plug, unplug;
    for (int i = 0; i < kRounds; ++i) {
        auto peer = device();
        QFile::link(peer->SlavePath(), link);
        plug.push_back(msUntil([&] { return list->ItemPresent(2); }));
        QFile::remove(link);
        unplug.push_back(msUntil([&] { return !list->ItemPresent(2); }));
        gone.push_back(std::move(peer));
    }
    met &= report("plug seen", plug, kPlugAimMs);
    met &= report("unplug seen", unplug, kPlugAimMs);

    // The cyclic trigger at 1 s on the real seconds timer.
    auto peer = device();
    QFile::link(peer->SlavePath(), link);
    msUntil([&] { return list->ItemPresent(2); });
    list->SetItemIndex(2);
    form.EditTrig()->SetValue(1);
    form.TrigStartBtnClick();
    msUntil([&] { return peer->Received().contains("{1}TRIG="); });
    std::vector<double> reopen, resume;
    for (int i = 0; i < kRounds; ++i) {
        peer->Vanish();
        QFile::remove(link);
        gone.push_back(std::move(peer));
        msUntil([&] { return form.PortLink()->Waiting(); });
        QElapsedTimer away;
        away.start();
        msUntil([&] { return away.elapsed() >= 1500; });
        peer = device();
        QElapsedTimer back;
        back.start();
        QFile::link(peer->SlavePath(), link);
        msUntil([&] { return peer->Received().startsWith("{+}h\r"); });
        reopen.push_back(double(back.nsecsElapsed()) / 1e6);
        msUntil([&] { return peer->Received().contains("{1}TRIG="); });
        resume.push_back(double(back.nsecsElapsed()) / 1e6);
    }
    met &= report("reopen", reopen, kResumeAimMs);
    met &= report("resume", resume, kResumeAimMs);
    // One line for each going and each coming back.
    const QStringList lines = LogLines(form);
    const qsizetype goings = lines.filter(QStringLiteral("Gerät getrennt")).size();
    const qsizetype comings = lines.filter(QStringLiteral("Gerät wieder da")).size();
    std::printf("log: %lld \"Gerät getrennt\", %lld \"Gerät wieder da\" lines for %d replugs\n", qlonglong(goings),
                qlonglong(comings), kRounds);
    met &= goings == kRounds && comings == kRounds;
    RemoveTestSettings();
    std::printf("%s\n", met ? "all aims met" : "an aim was missed");
    return met ? 0 : 1;
}
