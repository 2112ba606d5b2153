// A day of endurance run on a test clock: 2880 queries ("gsminfo" every
// 30 s), each answered by the unit with three lines that go time-stamped into
// the protocol file and into the message log. Reports the resident memory at
// the start and at the end, and after the log has been cleared, against what
// the log holds.
#include "panels/PanelVigiloGSM.h"
#include "rx/RxLogic.h"
#include "support/Harness.h"
#include "support/ProcStatus.h"
#include "watchdog/EnduranceRun.h"
#include "widgets/LogTools.h"
#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <malloc.h>

namespace {

constexpr int kQueries = 2880;

long residentKiB() { return ProcStatusKiB("VmRSS:"); }

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    WriteTestSettings("[Misc]\r\nCOM=0\r\n");
    TDevicePeer peer;
    peer.MapPort(TestSettingsFile(), 3);
    std::atomic<int> answered{0};
    peer.SetLineHandler([&](const QByteArray& line) -> QByteArray {
        if (line == "{+}h")
            return "#01.00.00\r";
        if (line != "{+}gsminfo")
            return {};
        const int n = ++answered;
        return "GSM: registered, operator 26201\rCSQ: " + QByteArray::number(10 + n % 20)
               + ",0  BER 0\rGPRS attached, IP 10.0.0." + QByteArray::number(n % 250) + "\r";
    });
    TScriptedDialogsScope scope;
    TFormMain form;
    form.Timer1.stop();
    form.RadioGroupCOM()->SetItemIndex(2);
    form.ClearPanels(QStringLiteral("VigiloGSM"));
    TEnduranceRun& run = *static_cast<TPanelVigiloGSM*>(form.Panel(QStringLiteral("VigiloGSM")))->EnduranceRun();
    QDateTime now(QDate(2024, 6, 1), QTime(0, 0, 0));
    SetStampClock([&] { return now; });
    const QString path = dir.filePath(QStringLiteral("day"));
    scope.dialogs->files.enqueue(path);
    run.ButtonDauerlaufClick();
    if (!form.StampCapture || !form.Timer4.isActive()) {
        std::printf("endurance: FAILED (run did not start)\n");
        return 1;
    }
    // A few queries first, so that the start figure holds what one query
    // brings into being once (fonts, layout, buffers).
    for (int i = 0; i < 10; ++i) {
        run.Timer4Timer();
        PumpUntil([&] { return answered == i + 1; }, 5000);
    }
    Pump(100);
    malloc_trim(0);
    const long start = residentKiB();
    const qsizetype startChars = form.LogTools()->LoggedCharacters();

    QElapsedTimer clock;
    clock.start();
    for (int i = 10; i < kQueries; ++i) {
        now = now.addSecs(30);
        peer.ClearReceived();  // the peer's own record is not the program's memory
        run.Timer4Timer();
        if (!PumpUntil([&] { return answered == i + 1; }, 5000)) {
            std::printf("endurance: FAILED (query %d not answered)\n", i + 1);
            return 1;
        }
    }
    Pump(200);
    const double wall = double(clock.nsecsElapsed()) / 1e9;
    malloc_trim(0);
    const long end = residentKiB();
    const qsizetype chars = form.LogTools()->LoggedCharacters();
    const int blocks = int(form.Memo1()->LineCount());
    form.Memo1DblClick();
    Pump(100);
    malloc_trim(0);
    const long cleared = residentKiB();

    // A second day after the log was cleared: whatever stays behind once the
    // log is gone again is what the run keeps beyond the log.
    for (int i = 0; i < kQueries; ++i) {
        now = now.addSecs(30);
        peer.ClearReceived();
        run.Timer4Timer();
        if (!PumpUntil([&] { return answered == kQueries + i + 1; }, 5000)) {
            std::printf("endurance: FAILED (query %d of day 2 not answered)\n", i + 1);
            return 1;
        }
    }
    Pump(200);
    malloc_trim(0);
    const long end2 = residentKiB();
    form.Memo1DblClick();
    Pump(100);
    malloc_trim(0);
    const long cleared2 = residentKiB();

    const qint64 fileBytes = QFileInfo(path + QStringLiteral(".pro")).size();
    std::printf(
        "endurance: %d queries on a test clock in %.1f s wall, %d log lines; protocol file after two days %lld bytes\n",
        kQueries, wall, blocks, fileBytes);
    std::printf("endurance: resident memory %ld KiB at the start (after 10 queries), %ld KiB at the end: "
                "+%ld KiB\n",
                start, end, end - start);
    std::printf("endurance: the log grew by %lld characters (%.0f KiB as UTF-16 text), %.2f KiB resident per "
                "1000 characters of log\n",
                qlonglong(chars - startChars), double(chars - startChars) * 2 / 1024.0,
                double(end - start) / (double(chars - startChars) / 1000.0));
    std::printf("endurance: log cleared after day 1: %ld KiB; day 2: %ld KiB at its end, %ld KiB with the log "
                "cleared again\n",
                cleared, end2, cleared2);
    const long kept = cleared2 - cleared;
    std::printf("endurance: kept beyond the log over a day: %+ld KiB (aim: none; allocator slack < 256 KiB) %s\n", kept,
                kept < 256 ? "OK" : "MISSED");
    SetStampClock(nullptr);
    RemoveTestSettings();
    return kept < 256 ? 0 : 1;
}
