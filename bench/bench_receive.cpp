// Receive throughput of the real main window: 1 MiB of NMEA-like lines come
// in over a pseudo-terminal (port opened through the port list) and go
// through the receive handler into the message log. Then the cost of one
// log append with a short and with a long log, and with a million lines in
// the log: scrolling the window to any line and searching the whole log.
#include "app/UnitMain.h"
#include "rx/RxLogic.h"
#include "support/DevicePeer.h"
#include "support/Harness.h"
#include "support/ProcStatus.h"
#include "support/SoakRig.h"
#include "widgets/LogTools.h"
#include "widgets/LogView.h"
#include "widgets/RadioGroup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>

namespace {

constexpr int kFeedBytes = 1 << 20;
constexpr double kLineBytesPerSecond = 115200.0 / 10.0;
constexpr double kAim = 100.0;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// "$GPRMC,hhmmss,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*cs"
// with a running time field and a correct checksum: 68 characters + CR LF.
QByteArray nmeaLine(int i)
{
    const int secs = i % 86400;
    const QByteArray body = QStringLiteral("GPRMC,%1%2%3,A,4807.%4,N,01131.000,E,022.4,084.4,230394,003.1,W")
                                .arg(secs / 3600, 2, 10, QLatin1Char('0'))
                                .arg(secs / 60 % 60, 2, 10, QLatin1Char('0'))
                                .arg(secs % 60, 2, 10, QLatin1Char('0'))
                                .arg(i % 1000, 3, 10, QLatin1Char('0'))
                                .toLatin1();
    quint8 sum = 0;
    for (char c : body)
        sum ^= quint8(c);
    return '$' + body + '*' + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper() + "\r\n";
}

// Appends `lines` filler lines to the log.
void fillLog(TFormMain& form, int lines)
{
    for (int i = 0; i < lines; ++i)
        form.Print(QStringLiteral("fill line %1 ---------------------------------------------------").arg(i));
}

// Every line logged since the last clear, as a save writes them.
QStringList savedLog(TFormMain& form)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    if (form.LogTools()->SaveTo(path) != 0)
        return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    lines.removeLast();  // after the last line end
    return lines;
}

// Average time of one Print, in microseconds, with the log holding `lines`
// lines first.
double printMicros(TFormMain& form, int lines, int appends)
{
    fillLog(form, lines);
    QCoreApplication::processEvents();
    const QString text =
        QStringLiteral("       <--- $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < appends; ++i)
        form.Print(text);
    return double(clock.nsecsElapsed()) / 1e3 / appends;
}

// Feeds the lines through the peer and runs the event loop until the log
// holds every one of them. Returns false when that did not happen.
// Set when a figure misses its aim.
bool g_missed = false;

bool runFeed(TFormMain& form, TDevicePeer& peer)
{
    QByteArray feed;
    QList<QByteArray> lines;
    for (int i = 0; feed.size() < kFeedBytes; ++i) {
        lines.append(nmeaLine(i));
        feed += lines.last();
    }
    const int lineCount = int(lines.size());

    int received = 0;
    qint64 endNs = 0;
    qint64 drainedNs = 0;  // when the peer had handed the last byte to the line
    QEventLoop loop;
    const auto counting = QObject::connect(&form, &TFormMain::LineReceived, &loop, [&] {
        if (drainedNs == 0 && peer.AllWritten())
            drainedNs = nowNs();
        if (++received == lineCount) {
            endNs = nowNs();
            loop.quit();
        }
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(300000);

    // Count the receive announcements (the handler itself runs unchanged).
    int announcements = 0;
    qint64 announcedBytes = 0;
    const auto handler = form.ComPort.OnRxChar;
    form.ComPort.OnRxChar = [&](TComPort* port, int count) {
        ++announcements;
        announcedBytes += count;
        handler(port, count);
    };

    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    const double gui0 = cpuSeconds(RUSAGE_THREAD);
    const qint64 startNs = nowNs();
    peer.Write(feed);  // the peer's thread writes it as the line takes it
    loop.exec();
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpu0;
    const double guiCpu = cpuSeconds(RUSAGE_THREAD) - gui0;
    QObject::disconnect(counting);
    form.ComPort.OnRxChar = handler;

    if (received != lineCount) {
        std::printf("receive: FAILED (%d of %d lines after the time limit)\n", received, lineCount);
        return false;
    }
    // Every line in the log, in order, with the receive marker.
    const QStringList logged = savedLog(form);
    int bad = -1;
    if (logged.size() != lineCount)
        bad = 0;
    for (int i = 0; bad < 0 && i < lineCount; ++i)
        if (logged[i] != kRxMarker + QString::fromLatin1(lines[i].chopped(2)))
            bad = i;
    if (bad >= 0) {
        std::printf("receive: FAILED (log holds %d lines, first mismatch at line %d)\n", int(logged.size()), bad);
        return false;
    }
    const double secs = double(endNs - startNs) / 1e9;
    const double bps = feed.size() / secs;
    const double ratio = bps / kLineBytesPerSecond;
    std::printf("receive: %d bytes (%d lines) in %.3f s = %.0f B/s = %.1fx line rate (aim >= %.0fx) %s\n",
                int(feed.size()), lineCount, secs, bps, ratio, kAim, ratio >= kAim ? "OK" : "MISSED");
    g_missed = g_missed || ratio < kAim;
    std::printf("receive:   log holds all %d lines intact; peer had written everything after %.3f s\n", lineCount,
                double(drainedNs - startNs) / 1e9);
    std::printf("receive:   CPU %.3f s process (%.3f s UI thread) for %.3f s wall = %.0f%% of one core\n", cpu, guiCpu,
                secs, 100.0 * cpu / secs);
    std::printf("receive:   %d receive announcements, on average %.0f bytes waiting at each\n", announcements,
                announcements ? double(announcedBytes) / announcements : 0.0);
    return true;
}

// Scrolling to lines all over a log of a million lines, each shown at once
// (painted before the clock stops): the slowest against the aim of 50 ms.
bool runScroll(TFormMain& form)
{
    TLogView* log = form.Memo1();
    QList<qint64> targets{0, 1, log->LineCount() / 2, log->LineCount() - 1, 0};
    QRandomGenerator random(42);
    for (int i = 0; i < 40; ++i)
        targets << qint64(random.bounded(int(log->LineCount())));
    double worstMs = 0, sumMs = 0;
    for (qint64 line : targets) {
        QElapsedTimer clock;
        clock.start();
        log->ScrollToLine(line);
        log->viewport()->repaint();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        worstMs = qMax(worstMs, ms);
        sumMs += ms;
        if (log->TopLine() != qMin(line, log->LineCount() - log->PageLines())) {
            std::printf("scroll: FAILED (line %lld not on show)\n", qlonglong(line));
            return false;
        }
    }
    const bool ok = worstMs <= 50;
    std::printf("scroll: to any of %d lines of a %lld-line log and painted: %.2f ms on average, %.2f ms at most "
                "(aim 50 ms): ratio %.2f %s\n",
                int(targets.size()), qlonglong(log->LineCount()), sumMs / targets.size(), worstMs, worstMs / 50,
                ok ? "OK" : "MISSED");
    return ok;
}

// Ctrl+F over a million lines as the user goes: from the end backwards
// (Shift+Enter) for the first line, through the whole log, and a text that is
// nowhere (through all of it and round). Each against the aim of 1 s.
bool runSearch(TFormMain& form)
{
    TLogView* log = form.Memo1();
    TLogTools* tools = form.LogTools();
    log->SetSelection({log->LineCount() - 1, 0}, {log->LineCount() - 1, 0});
    auto timed = [&](const QString& text, bool backwards, bool& found) {
        QElapsedTimer clock;
        clock.start();
        found = tools->Find(text, backwards);
        return double(clock.nsecsElapsed()) / 1e6;
    };
    bool found = false;
    const double firstMs = timed(QStringLiteral("fill line 0 -"), true, found);
    if (!found || log->Caret().line != 0 || log->TopLine() != 0) {
        std::printf("search: FAILED (the first line was not found and shown)\n");
        return false;
    }
    bool nowhere = true;
    const double missMs = timed(QStringLiteral("not in the log"), false, nowhere);
    if (nowhere) {
        std::printf("search: FAILED (found what is not there)\n");
        return false;
    }
    const double worst = qMax(firstMs, missMs);
    const bool ok = worst <= 1000;
    std::printf("search: %lld lines: the first line found backwards from the last in %.0f ms, a text that is nowhere "
                "in %.0f ms "
                "(aim 1000 ms): ratio %.2f %s\n",
                qlonglong(log->LineCount()), firstMs, missMs, worst / 1000, ok ? "OK" : "MISSED");
    return ok;
}

// A flood of 150 lines of 1 MiB each through the port, after a line of
// 16 MiB that does not end while it arrives: the resident memory they add
// (VmRSS after, and the peak VmHWM, against the levels before) against the
// aim of less than 64 MiB. The lines go to the log in pieces as they arrive,
// so neither the line under assembly nor the log holds a whole one.
bool runFlood(TFormMain& form, TDevicePeer& peer)
{
    form.Memo1DblClick();
    QCoreApplication::processEvents();
    const long before = ResidentKiB();
    const long peakBefore = ProcStatusKiB("VmHWM:");
    QElapsedTimer clock;
    clock.start();
    // Handing one MiB at a time to the peer keeps the sender's own buffer
    // out of the figure.
    const auto send = [&](const QByteArray& bytes) {
        peer.Write(bytes);
        return PumpUntil([&] { return peer.AllWritten(); }, 60000);
    };
    QByteArray mib(1 << 20, 'x');
    bool sent = true;
    for (int i = 0; i < 16 && sent; ++i)
        sent = send(mib);
    Pump(50);
    const qsizetype heldOpen = form.RxLine.size();
    const long openAdded = ResidentKiB() - before;
    sent = sent && send("\r");
    for (int i = 0; i < 150 && sent; ++i) {
        mib[0] = char('a' + i % 26);
        sent = send(mib + '\r');
    }
    sent = sent && PumpUntil([&] { return form.RxLine.isEmpty() && peer.AllWritten(); }, 60000);
    Pump(50);
    const double secs = double(clock.nsecsElapsed()) / 1e9;
    const long added = ResidentKiB() - before;
    const long peakAdded = ProcStatusKiB("VmHWM:") - peakBefore;
    const long worst = qMax(added, qMax(peakAdded, openAdded));
    const bool ok = sent && worst < 64 * 1024;
    std::printf("flood: a 16 MiB line open (line under assembly %lld characters): resident memory %+ld KiB\n",
                qlonglong(heldOpen), openAdded);
    std::printf("flood: then 150 lines of 1 MiB through the port (%lld log lines, %.1f s): resident memory %+ld KiB, "
                "peak %+ld KiB (aim < 65536 KiB): ratio %.2f %s\n",
                qlonglong(form.Memo1()->LineCount()), secs, added, peakAdded, double(worst) / 65536,
                !sent ? "FAILED (not all received)"
                : ok  ? "OK"
                      : "MISSED");
    form.Memo1DblClick();
    return ok;
}

bool runPrint(TFormMain& form)
{
    constexpr int kAppends = 2000;
    form.Memo1DblClick();
    const double shortUs = printMicros(form, 1000, kAppends);
    form.Memo1DblClick();
    QElapsedTimer fillClock;
    fillClock.start();
    const double cpuFill0 = cpuSeconds(RUSAGE_SELF);
    fillLog(form, 1000000);
    const double fillSecs = double(fillClock.nsecsElapsed()) / 1e9;
    const double fillCpu = cpuSeconds(RUSAGE_SELF) - cpuFill0;
    const double longUs = printMicros(form, 0, kAppends);
    const double flat = longUs / shortUs;
    std::printf("print: %.1f us per append at 1000 lines, %.1f us at 1000000 lines (avg of %d each); ratio %.2f "
                "(aim: flat, near 1) %s\n",
                shortUs, longUs, kAppends, flat, flat <= 1.5 ? "OK" : "MISSED");
    g_missed = g_missed || flat > 1.5;
    std::printf("print:   filling the log from 0 to 1000000 lines took %.3f s (CPU %.3f s)\n", fillSecs, fillCpu);
    QCoreApplication::processEvents();
    const bool scrolled = runScroll(form);
    const bool searched = runSearch(form);
    QElapsedTimer clearClock;
    clearClock.start();
    form.Memo1DblClick();
    const double clearMs = double(clearClock.nsecsElapsed()) / 1e6;
    std::printf("print:   clearing a log of 1000000 lines took %.1f ms (aim 100 ms) %s\n", clearMs,
                clearMs <= 100 ? "OK" : "MISSED");
    g_missed = g_missed || clearMs > 100;
    return flat <= 1.5 && clearMs <= 100 && scrolled && searched;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // "feed", "print" or "flood" as argument runs only that part (for profiling).
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    WriteTestSettings("[Misc]\r\nCOM=0\r\n");
    TDevicePeer peer;
    peer.MapPort(TestSettingsFile(), 3);
    TScriptedDialogsScope scope;
    TFormMain form;
    form.show();
    form.RadioGroupCOM()->SetItemIndex(2);  // Com3; nothing answers the identification
    if (!form.ComPort.Connected()) {
        std::printf("receive: FAILED (port did not open)\n");
        return 1;
    }
    Pump(50);
    form.Memo1DblClick();

    int rc = 0;
    if (only.isEmpty() || only == QLatin1String("feed"))
        rc = runFeed(form, peer) ? 0 : 1;
    if ((only.isEmpty() || only == QLatin1String("print")) && !runPrint(form))
        rc = 1;
    if ((only.isEmpty() || only == QLatin1String("flood")) && !runFlood(form, peer))
        rc = 1;

    form.ComPort.Close();
    RemoveTestSettings();
    return rc != 0 ? rc : g_missed ? 1 : 0;
}
