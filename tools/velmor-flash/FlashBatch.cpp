#include "FlashBatch.h"

#include "ExitStatus.h"
#include "FlashBoard.h"
#include "FlashReport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <pthread.h>

TFlashBatch::TFlashBatch(const QList<TPortName>& ports, const TFlashSetup& setup, const TOptions& options,
                         TFlashBoard& board, TFlashReport& report, const std::atomic<int>& interrupts)
    : m_setup(setup), m_options(options), m_board(board), m_report(report), m_interrupts(interrupts)
{
    for (const TPortName& name : ports) {
        TPort port;
        port.name = name;
        port.row = m_board.AddRow(name.device);
        m_ports.push_back(std::move(port));
    }
    const QFileInfo firmware(m_options.firmwareFile);
    m_firmwareTime = firmware.lastModified();
    m_firmwareSize = firmware.size();
}

TFlashBatch::~TFlashBatch()
{
    for (TPort& port : m_ports)
        if (port.thread) {
            port.track->cut = true;
            port.thread->wait();
            delete port.thread;
        }
}

void TFlashBatch::start(TPort& port)
{
    port.track = std::make_unique<TFlashTrack>();
    port.result = std::make_shared<TFlashResult>();
    TFlashTrack* track = port.track.get();
    auto result = port.result;
    const TFlashSetup& setup = m_setup;
    const QString device = port.name.device;
    port.thread = QThread::create([device, &setup, track, result] { *result = TFlashJob(device, setup).Run(track); });
    // The interrupts reach the showing thread only: a job's blocking waits
    // are never broken off by them.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    port.thread->start();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    port.state = TState::Flashing;
    if (m_options.station)
        m_board.Show(port.row, QStringLiteral("flashing"));
    else
        m_board.Show(port.row, QStringLiteral("started"));
    m_board.Follow(port.row, track, m_options.station);
}

void TFlashBatch::collect(TPort& port)
{
    port.thread->wait();
    delete port.thread;
    port.thread = nullptr;
    m_board.Refresh(true);  // the last notices
    TFlashResult result = *port.result;
    port.result.reset();
    if (const QString why = m_report.Append(result); !why.isEmpty()) {
        m_board.Message(QStringLiteral("velmor-flash: report: %1; %2 has no record").arg(why, result.device));
        m_status = MoreSerious(m_status, ExitReportUnwritable);
    }
    m_status = MoreSerious(m_status, result.status);
    if (result.status == ExitOk)
        ++m_passed;
    else
        ++m_failed;
    const QString seconds = QString::number(double(result.ms) / 1000.0, 'f', 1);
    if (!m_options.station) {
        m_board.Show(port.row, QStringLiteral("%1 (%2 s)").arg(result.Text(), seconds));
        port.state = TState::Finished;
    } else {
        m_board.Show(port.row, result.status == ExitOk ? QStringLiteral("OK, remove the unit")
                                                       : QStringLiteral("FAILED: ") + result.Text());
        port.state = TState::Removal;
        showCount();
    }
    m_results.append(std::move(result));
    port.track.reset();
}

void TFlashBatch::showCount() { m_board.SetFooter(QStringLiteral("passed %1, failed %2").arg(m_passed).arg(m_failed)); }

void TFlashBatch::lookAtFirmware()
{
    if (m_firmwareChangeShown)
        return;
    const QFileInfo now(m_options.firmwareFile);
    if (now.lastModified() == m_firmwareTime && now.size() == m_firmwareSize)
        return;
    m_firmwareChangeShown = true;
    m_board.Message(QStringLiteral("velmor-flash: %1 changed on disk; the firmware read at the start is still the one "
                                   "flashed (start again to load the new one)")
                        .arg(m_options.firmwareFile));
}

int TFlashBatch::Run()
{
    if (m_options.station) {
        for (TPort& port : m_ports)
            m_board.Show(port.row, QStringLiteral("waiting"));
        showCount();
    } else {
        for (TPort& port : m_ports)
            start(port);
    }
    QElapsedTimer look;
    int interruptsSeen = 0;
    for (;;) {
        const int interrupts = m_interrupts;
        if (interrupts != interruptsSeen) {
            interruptsSeen = interrupts;
            if (interrupts == 1)
                m_board.Message(QStringLiteral("velmor-flash: ending once the transfers under way are done; Ctrl+C "
                                               "again cuts them"));
            else
                for (TPort& port : m_ports)
                    if (port.track)
                        port.track->cut = true;
        }
        bool busy = false;
        for (TPort& port : m_ports) {
            if (port.state == TState::Flashing && port.thread->isFinished())
                collect(port);
            busy = busy || port.state == TState::Flashing;
        }
        if (!m_options.station ? !busy : interrupts > 0 && !busy)
            break;
        if (m_options.station && (!look.isValid() || look.elapsed() >= kLookMs)) {
            look.start();
            for (TPort& port : m_ports) {
                const bool present = QFileInfo::exists(port.name.path);
                if (port.state == TState::Waiting && present && interrupts == 0) {
                    lookAtFirmware();
                    start(port);
                } else if (port.state == TState::Removal && !present) {
                    port.state = TState::Waiting;
                    m_board.Show(port.row, QStringLiteral("waiting"));
                }
            }
        }
        m_board.Refresh();
        QThread::msleep(kTickMs);
    }
    m_board.Refresh(true);
    return m_status;
}
