// Two simulated days of each periodic job on a test clock, the ticks driven
// directly: the endurance run (a query every 30 s: 2880 a day) and the cyclic
// trigger at 1 s (86,400 ticks a day), a device answering every command.
// Day 1 keeps the log as it grows; day 2 starts with the log cleared and
// clears it again at its end. Prints ticks, wall time, resident memory at
// start and end, and the growth against its limit: day 1 may grow by what the
// log holds (the text, its layout) plus 4 MiB; day 2, with the log gone, by
// at most 1 MiB of allocator slack.
#include "panels/PanelVigiloGSM.h"
#include "rx/RxLogic.h"
#include "support/Harness.h"
#include "watchdog/EnduranceRun.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <malloc.h>

namespace {

long residentKiB()
{
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Resident bytes one character of kept log may cost: UTF-16 text, its layout
// and the block structures of the log view (an earlier day's measurement:
// 6.1 MB for 377,541 characters, about 16 bytes a character).
constexpr double kBytesPerLogChar = 24.0;
constexpr long kDayOneSlackKiB = 4096;
constexpr long kDayTwoLimitKiB = 1024;

struct TDay {
    long startKiB, endKiB;
    qint64 logChars;
    double wall;
};

// Runs ticks of one job; tick(i) drives tick i, answered() counts the
// device's answers so far. Every 100 ticks the events are let through until
// the device has answered them all.
bool RunDay(TFormMain& form, TDevicePeer& peer, int ticks, const std::function<void()>& tick,
            const std::function<int()>& answered, bool clearFirst, TDay& day)
{
    if (clearFirst)
        form.Memo1DblClick();
    Pump(100);
    day.startKiB = residentKiB();
    const qint64 startChars = form.Memo1()->document()->characterCount();
    const int base = answered();
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= ticks; ++i) {
        tick();
        if (i % 100 == 0 || i == ticks) {
            peer.ClearReceived();  // the peer's own record is not the program's memory
            if (!PumpUntil([&] { return answered() >= base + i && form.RxLine.isEmpty(); }, 10000))
                return false;
        }
    }
    Pump(100);
    day.wall = double(clock.nsecsElapsed()) / 1e9;
    day.logChars = form.Memo1()->document()->characterCount() - startChars;
    if (clearFirst) {
        form.Memo1DblClick();
        Pump(100);
    }
    day.endKiB = residentKiB();
    return true;
}

bool Report(const char* job, int ticks, const TDay& kept, const TDay& cleared)
{
    const long grew = kept.endKiB - kept.startKiB;
    const long limit = long(double(kept.logChars) * kBytesPerLogChar / 1024.0) + kDayOneSlackKiB;
    const long grew2 = cleared.endKiB - cleared.startKiB;
    std::printf("%s: day 1 (log kept): %d ticks in %.1f s wall, %lld characters logged, RSS %ld -> %ld KiB "
                "(%+ld KiB), limit %ld KiB: ratio %.2f\n",
                job, ticks, kept.wall, qlonglong(kept.logChars), kept.startKiB, kept.endKiB, grew, limit,
                double(grew) / double(limit));
    std::printf("%s: day 2 (log cleared): %d ticks in %.1f s wall, %lld characters logged and cleared, RSS %ld -> "
                "%ld KiB (%+ld KiB), limit %ld KiB: ratio %.2f %s\n",
                job, ticks, cleared.wall, qlonglong(cleared.logChars), cleared.startKiB, cleared.endKiB, grew2,
                kDayTwoLimitKiB, double(grew2) / double(kDayTwoLimitKiB),
                grew <= limit && grew2 <= kDayTwoLimitKiB ? "OK" : "MISSED");
    return grew <= limit && grew2 <= kDayTwoLimitKiB;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    WriteTestSettings("[Misc]\r\nCOM=0\r\n");
    TDevicePeer peer;
    peer.MapPort(TestSettingsFile(), 3);
    std::atomic<int> queries{0}, triggers{0};
    peer.SetLineHandler([&](const QByteArray& line) -> QByteArray {
        if (line == "{+}h")
            return "#01.00.01\r";
        if (line == "{+}gsminfo") {
            const int n = ++queries;
            return "GSM: registered, operator 26201\rCSQ: " + QByteArray::number(10 + n % 20) + ",0  BER 0\r";
        }
        if (line.startsWith("{1}TRIG=")) {
            ++triggers;
            return "TRIG OK " + line.mid(8) + "\r";
        }
        return {};
    });
    TScriptedDialogsScope scope;
    TFormMain form;
    form.Timer1.stop();
    form.RadioGroupCOM()->SetItemIndex(2);
    form.Timer1.stop();
    form.ClearPanels(QStringLiteral("VigiloGSM"));
    bool ok = true;

    // The endurance run: protocol file and log, a query every 30 s.
    {
        TEnduranceRun& run = *static_cast<TPanelVigiloGSM*>(form.Panel(QStringLiteral("VigiloGSM")))->EnduranceRun();
        QDateTime now(QDate(2024, 6, 1), QTime(0, 0, 0));
        SetStampClock([&] { return now; });
        scope.dialogs->files.enqueue(dir.filePath(QStringLiteral("day")));
        run.ButtonDauerlaufClick();
        form.Timer4.stop();
        auto tick = [&] {
            now = now.addSecs(30);
            run.Timer4Timer();
            form.Timer4.stop();
        };
        for (int i = 0; i < 10; ++i)  // what one query brings into being once
            tick();
        PumpUntil([&] { return queries == 10; }, 5000);
        TDay kept{}, cleared{};
        if (!RunDay(
                form, peer, 2880, tick, [&] { return int(queries); }, false, kept)
            || !RunDay(
                form, peer, 2880, tick, [&] { return int(queries); }, true, cleared)) {
            std::printf("endurance: FAILED (queries not answered)\n");
            return 1;
        }
        ok &= Report("endurance", 2880, kept, cleared);
        form.CloseDataFile();
        form.StampCapture = false;
        SetStampClock(nullptr);
    }

    // The cyclic trigger at 1 s: Timer1's tick sends the counter each second.
    {
        form.Memo1DblClick();
        form.EditTrig()->SetValue(1);
        form.TrigStartBtnClick();
        form.Timer1.stop();
        auto tick = [&] { form.Timer1Timer(); };
        for (int i = 0; i < 10; ++i)
            tick();
        PumpUntil([&] { return triggers == 11; }, 5000);
        // The start itself sent one; each tick sends one more.
        auto answered = [&] { return int(triggers) - 1; };
        TDay kept{}, cleared{};
        if (!RunDay(form, peer, 86400, tick, answered, false, kept)
            || !RunDay(form, peer, 86400, tick, answered, true, cleared)) {
            std::printf("trigger: FAILED (triggers not answered)\n");
            return 1;
        }
        ok &= Report("trigger", 86400, kept, cleared);
        form.BtnTrigStopClick();
    }
    RemoveTestSettings();
    return ok ? 0 : 2;
}
