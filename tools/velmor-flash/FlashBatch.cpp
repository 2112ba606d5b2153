#include "FlashBatch.h"

#include "ExitStatus.h"
#include "FlashBoard.h"
#include "FlashReport.h"

#include <QFileInfo>
#include <QThread>

#include <algorithm>

TFlashBatch::TFlashBatch(const QList<TPortName>& ports, const TFlashSetup& setup, const TOptions& options,
                         TFlashBoard& board, TFlashReport& report, const TInterrupts& interrupts)
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

QList<TFlashResult> TFlashBatch::Results() const
{
    QList<TAttempt> attempts = m_results;
    std::stable_sort(attempts.begin(), attempts.end(),
                     [](const TAttempt& a, const TAttempt& b) { return a.port < b.port; });
    QList<TFlashResult> results;
    for (const TAttempt& a : attempts)
        results.append(a.result);
    return results;
}

void TFlashBatch::start(TPort& port)
{
    port.track = std::make_unique<TFlashTrack>();
    port.result = std::make_shared<TFlashResult>();
    TFlashTrack* track = port.track.get();
    auto result = port.result;
    const TFlashSetup& setup = m_setup;
    const QString device = port.name.device;
    port.thread = StartJobThread([device, &setup, track, result] { *result = TFlashJob(device, setup).Run(track); });
    port.state = TState::Flashing;
    m_board.Show(port.row, m_options.station ? QStringLiteral("flashing") : QStringLiteral("started"),
                 TFlashBoard::TRowState::Running);
    m_board.Follow(port.row, track, m_options.station);
}

void TFlashBatch::record(TFlashResult& result, int port)
{
    if (!m_held.isEmpty()) {
        // Behind lines held back: not written before them.
        result.unrecorded = true;
        return;
    }
    if (const QString why = m_report.Append(result); !why.isEmpty()) {
        result.unrecorded = true;
        m_board.Message(QStringLiteral("velmor-flash: report: %1; %2 has no record%3")
                            .arg(why, result.device,
                                 m_options.station ? QStringLiteral("; no port is armed until the report takes lines "
                                                                    "again (tried every %1 s)")
                                                         .arg(kReportRetryMs / 1000)
                                                   : QString()));
        m_reportRetry.start();
    }
    Q_UNUSED(port);
}

bool TFlashBatch::writeHeld()
{
    int written = 0;
    QString why;
    while (!m_held.isEmpty()) {
        TFlashResult& result = m_results[m_held.first()].result;
        why = m_report.Append(result);
        if (!why.isEmpty())
            break;
        result.recordedLate = true;
        m_held.removeFirst();
        ++written;
    }
    if (m_held.isEmpty())
        m_board.Message(QStringLiteral("velmor-flash: the report takes lines again; %1 held line(s) written%2")
                            .arg(written)
                            .arg(m_options.station ? QStringLiteral("; ports armed again") : QString()));
    else
        m_board.Message(QStringLiteral("velmor-flash: report: %1; %2 line(s) held back, tried again in %3 s")
                            .arg(why)
                            .arg(m_held.size())
                            .arg(kReportRetryMs / 1000));
    m_reportRetry.start();
    return m_held.isEmpty();
}

void TFlashBatch::collect(TPort& port)
{
    port.thread->wait();
    delete port.thread;
    port.thread = nullptr;
    m_board.Refresh(true);  // the last notices
    TFlashResult result = *port.result;
    port.result.reset();
    const int index = int(&port - m_ports.data());
    record(result, index);
    if (result.unrecorded) {
        m_held.append(int(m_results.size()));
        m_status = MoreSerious(m_status, ExitReportUnwritable);
    }
    m_status = MoreSerious(m_status, result.status);
    if (result.Passed())
        ++m_passed;
    else
        ++m_failed;
    const QString seconds = QString::number(double(result.ms) / 1000.0, 'f', 1);
    const auto state = result.Passed() ? TFlashBoard::TRowState::Passed : TFlashBoard::TRowState::Failed;
    if (!m_options.station) {
        m_board.Show(port.row, QStringLiteral("%1 (%2 s)").arg(result.Text(), seconds), state);
        port.state = TState::Finished;
    } else {
        m_board.Show(port.row,
                     result.Passed()     ? QStringLiteral("OK, remove the unit")
                     : result.unrecorded ? result.Text()
                                         : QStringLiteral("FAILED: ") + result.Text(),
                     state);
        port.state = TState::Removal;
        showCount();
    }
    m_results.append(TAttempt{index, std::move(result)});
    port.track.reset();
}

void TFlashBatch::showCount()
{
    m_board.SetFooter(
        QStringLiteral("passed %1, failed %2%3")
            .arg(m_passed)
            .arg(m_failed)
            .arg(m_held.isEmpty() ? QString() : QStringLiteral("; ports not armed: the report takes no lines")));
}

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
    bool endingShown = false;
    for (;;) {
        const bool ending = m_interrupts.Ending();
        if (m_interrupts.Cutting()) {
            for (TPort& port : m_ports)
                if (port.track)
                    port.track->cut = true;
        } else if (ending && !endingShown) {
            endingShown = true;
            m_board.Message(QStringLiteral("velmor-flash: ending once the transfers under way are done; Ctrl+C "
                                           "again cuts them"));
        }
        bool busy = false;
        for (TPort& port : m_ports) {
            if (port.state == TState::Flashing && port.thread->isFinished())
                collect(port);
            busy = busy || port.state == TState::Flashing;
        }
        if (!m_options.station ? !busy : ending && !busy)
            break;
        if (m_options.station && !m_held.isEmpty() && m_reportRetry.elapsed() >= kReportRetryMs) {
            writeHeld();
            showCount();
        }
        if (m_options.station && (!look.isValid() || look.elapsed() >= kLookMs)) {
            look.start();
            for (TPort& port : m_ports) {
                const bool present = QFileInfo::exists(port.name.path);
                if (port.state == TState::Waiting && present && !ending && m_held.isEmpty()) {
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
    // A last try for the lines held back, so that as few units as can be
    // are left without their record.
    if (!m_held.isEmpty())
        writeHeld();
    m_board.Refresh(true);
    return m_status;
}
