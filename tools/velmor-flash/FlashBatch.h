#pragma once

#include "FlashJob.h"
#include "FlashTrack.h"
#include "Interrupts.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class QThread;
class TFlashBoard;
class TFlashReport;

// Several devices flashed at the same time, each by a job on a thread of its
// own: the block procedure waits for its device with blocking reads of that
// device's port, so a job never waits for another, and a slow or silent
// device holds up nothing but itself. The showing thread (the caller's) only
// looks at the jobs' tracks, starts jobs and collects their results.
//
// Once: every device is flashed now, and the call ends when all are done.
// Station: it keeps running; a port is flashed whenever its device appears
// (its path exists), and after that only once the device has been removed
// (its path gone) and appears again, so that a unit is not flashed twice
// in a row. The device paths are looked at every kLookMs, never the ports.
//
// Interrupts are caught by the caller: after the first SIGINT or SIGTERM no
// new transfer starts and the call ends once those under way are done; a
// second one, or SIGHUP, cuts them.
//
// Every attempt gets its report line. When the report takes no line, the
// unit is shown failed ("no record written") and counts so; a station then
// arms no port until the report takes the lines held back, tried again
// every kReportRetryMs.
class TFlashBatch {
public:
    struct TPortName {
        QString device;  // as given
        QString path;    // the device it names
    };
    struct TOptions {
        bool station = false;
        QString firmwareFile;  // watched for changes in station mode
    };

    TFlashBatch(const QList<TPortName>& ports, const TFlashSetup& setup, const TOptions& options, TFlashBoard& board,
                TFlashReport& report, const TInterrupts& interrupts);
    ~TFlashBatch();

    // Runs until done; returns the exit status: 0 when every attempt
    // succeeded, else the most serious outcome.
    int Run();
    // Every attempt, in the order the devices were given (a station's
    // attempts on one port in the order they ended).
    QList<TFlashResult> Results() const;

    static constexpr int kLookMs = 250;          // device paths looked at in station mode
    static constexpr int kTickMs = 20;           // the showing thread's pace
    static constexpr int kReportRetryMs = 3000;  // a report that took no line tried again

private:
    enum class TState { Waiting, Flashing, Removal, Finished };
    struct TPort {
        TPortName name;
        int row = -1;
        TState state = TState::Waiting;
        std::unique_ptr<TFlashTrack> track;
        QThread* thread = nullptr;
        std::shared_ptr<TFlashResult> result;
    };

    void start(TPort& port);
    void collect(TPort& port);
    void showCount();
    void lookAtFirmware();
    // Writes the lines held back; true when none is left.
    bool writeHeld();
    void record(TFlashResult& result, int port);

    std::vector<TPort> m_ports;
    const TFlashSetup& m_setup;
    const TOptions m_options;
    TFlashBoard& m_board;
    TFlashReport& m_report;
    const TInterrupts& m_interrupts;
    struct TAttempt {
        int port;
        TFlashResult result;
    };
    QList<TAttempt> m_results;
    QList<int> m_held;  // attempts whose line is still to be written
    QElapsedTimer m_reportRetry;
    int m_status = 0;
    int m_passed = 0;
    int m_failed = 0;
    QDateTime m_firmwareTime;
    qint64 m_firmwareSize = -1;
    bool m_firmwareChangeShown = false;
};
