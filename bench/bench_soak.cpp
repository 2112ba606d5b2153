// Two simulated days of each periodic job on a test clock, the ticks driven
// directly: the endurance run (a query every 30 s: 2880 a day) and the cyclic
// trigger at 1 s (86,400 ticks a day), a device answering every command.
//
// Day 1 keeps the log as it grows (it grows by design); what clearing it then
// gives back is the log's share of the growth, the rest stays with the
// allocator. Day 2 clears the log every hour of ticks: the growth left over a
// whole day is what the job itself keeps, and its limit is 1 MiB (12 bytes a
// trigger tick, 364 bytes an endurance query: a leak of any real object per
// tick shows far above it).
//
// With --days N, the cyclic trigger then runs N days more with the log kept,
// as a month-long run would: the resident memory at the end against the aim
// of 400 MiB, and day 1's bytes per logged character against the aim of 3.
#include "support/Harness.h"
#include "support/SoakRig.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <cstdio>

namespace {

constexpr long kDayTwoLimitKiB = 1024;

bool Soak(TSoakRig& rig, TSoakRig::Job job, const char* name, int ticksPerDay, int ticksPerHour)
{
    TSoakRig::Day kept, cleared;
    if (!rig.Start(job) || !rig.Run(ticksPerDay, 0, kept)) {
        std::printf("%s: FAILED (the device's answers stopped)\n", name);
        return false;
    }
    rig.Form().Memo1DblClick();
    Pump(50);
    const long afterClearing = ResidentKiB();
    if (!rig.Run(ticksPerDay, ticksPerHour, cleared)) {
        std::printf("%s: FAILED (the device's answers stopped on day 2)\n", name);
        return false;
    }
    rig.Stop();
    const long grew = kept.endKiB - kept.startKiB;
    std::printf("%s: day 1 (log kept): %d ticks in %.1f s wall, %lld characters logged; RSS %ld -> %ld KiB "
                "(%+ld KiB, %.1f bytes per character logged); clearing the log gives back %ld KiB, %ld KiB stay "
                "with the allocator\n",
                name, kept.ticks, kept.wallSeconds, qlonglong(kept.logChars), kept.startKiB, kept.endKiB, grew,
                double(grew) * 1024 / double(qMax<qint64>(kept.logChars, 1)), kept.endKiB - afterClearing,
                afterClearing - kept.startKiB);
    const long grew2 = cleared.endKiB - cleared.startKiB;
    const bool ok = grew2 <= kDayTwoLimitKiB;
    std::printf("%s: day 2 (log cleared hourly): %d ticks in %.1f s wall, %lld characters logged; RSS %ld -> %ld KiB "
                "(%+ld KiB, %.2f bytes per tick), limit %ld KiB: ratio %.2f %s\n",
                name, cleared.ticks, cleared.wallSeconds, qlonglong(cleared.logChars), cleared.startKiB, cleared.endKiB,
                grew2, double(grew2) * 1024 / cleared.ticks, kDayTwoLimitKiB, double(grew2) / double(kDayTwoLimitKiB),
                ok ? "OK" : "MISSED");
    return ok;
}

}  // namespace

constexpr double kAimBytesPerChar = 3.0;
constexpr long kAimMonthKiB = 400 * 1024;

bool Month(int days)
{
    TSoakRig rig;
    TSoakRig::Day day;
    if (!rig.Start(TSoakRig::Job::Trigger))
        return false;
    const long start = ResidentKiB();
    qint64 chars = 0;
    double firstDayBytesPerChar = 0;
    for (int d = 1; d <= days; ++d) {
        if (!rig.Run(86400, 0, day)) {
            std::printf("month: FAILED on day %d (the device's answers stopped)\n", d);
            return false;
        }
        chars += day.logChars;
        if (d == 1)
            firstDayBytesPerChar = double(day.endKiB - day.startKiB) * 1024 / double(qMax<qint64>(day.logChars, 1));
        std::printf("month: day %d: RSS %ld KiB, %lld characters logged so far\n", d, day.endKiB, qlonglong(chars));
        std::fflush(stdout);
    }
    rig.Stop();
    const long end = ResidentKiB();
    const bool ok = firstDayBytesPerChar <= kAimBytesPerChar && end <= kAimMonthKiB;
    std::printf("month: %d days of the trigger with the log kept: RSS %ld -> %ld KiB (%.1f MiB; aim 400 MiB, ratio "
                "%.2f); %lld characters logged, %.2f bytes per character over the run; day 1 %.2f bytes per "
                "character (aim %.0f, ratio %.2f) %s\n",
                days, start, end, end / 1024.0, double(end) / double(kAimMonthKiB), qlonglong(chars),
                double(end - start) * 1024 / double(qMax<qint64>(chars, 1)), firstDayBytesPerChar, kAimBytesPerChar,
                firstDayBytesPerChar / kAimBytesPerChar, ok ? "OK" : "MISSED");
    return ok;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--days")); at > 0 && at + 1 < args.size())
        return Month(args[at + 1].toInt()) ? 0 : 2;
    bool ok;
    {
        TSoakRig rig;
        ok = Soak(rig, TSoakRig::Job::Endurance, "endurance", 2880, 120);
    }
    {
        TSoakRig rig;
        ok &= Soak(rig, TSoakRig::Job::Trigger, "trigger", 86400, 3600);
    }
    return ok ? 0 : 2;
}
