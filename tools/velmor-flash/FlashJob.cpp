#include "FlashJob.h"

#include "ConsoleFlashHost.h"
#include "ExitStatus.h"
#include "FlashTrack.h"
#include "serial/NetPort.h"
#include "serial/PortDiagnostics.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <cstring>

namespace {

// The identification reply is kept up to this many characters, as the
// program keeps it.
constexpr int kIdReplyMax = 1000;

int OutcomeStatus(TFlashOutcome outcome)
{
    switch (outcome) {
    case TFlashOutcome::Ok:
        return ExitOk;
    case TFlashOutcome::NoStart:
        return ExitNoStart;
    case TFlashOutcome::NoAck:
        return ExitNoAck;
    case TFlashOutcome::WrongAck:
        return ExitWrongAck;
    case TFlashOutcome::TooManyRetries:
        return ExitTooManyRetries;
    case TFlashOutcome::NoCompletion:
        return ExitNoCompletion;
    }
    return ExitUnexpected;
}

}  // namespace

bool TFlashJob::open(TComPort& port, TFlashResult& result)
{
    port.SetSettingsFile(m_setup.settingsFile);
    port.SetPort(m_device);
    result.path = port.DevicePathFor(m_device);
    const bool network = LooksLikeNetAddress(result.path);
    if (result.path.isEmpty() || (!network && !QFileInfo::exists(result.path))) {
        result.status = ExitDeviceMissing;
        result.outcome = result.path == m_device ? QStringLiteral("%1: no such device").arg(m_device)
                                                 : QStringLiteral("%1 (%2): no such device").arg(m_device, result.path);
        return false;
    }
    // A raw socket keeps the device server's rate: an update that needs
    // another one does not start.
    const QString fixed = port.FixedRateText(m_setup.startRate, m_setup.config.switchTo115200);
    if (!fixed.isEmpty()) {
        result.status = ExitDeviceNotOpened;
        result.outcome = fixed;
        return false;
    }
    port.SetBaudRate(m_setup.startRate);
    port.SetFlowControlNone();
    try {
        port.Open();
        port.ClearBuffer(true, true);
    } catch (const EComPort& e) {
        if (network) {
            result.status = ExitDeviceNotOpened;
            result.outcome = PortProblemText(result.path, DiagnosePort(result.path, port.LastOpenError()));
            return false;
        }
        const QString reason = e.PlatformCode() > 0 && e.PlatformCode() < 200
                                   ? QString::fromLocal8Bit(std::strerror(e.PlatformCode()))
                                   : QStringLiteral("in use or not permitted");
        result.status = ExitDeviceNotOpened;
        result.outcome = QStringLiteral("%1: %2 (%3)").arg(result.path, e.Message(), reason);
        return false;
    }
    return true;
}

std::optional<QString> TFlashJob::identify(TComPort& port)
{
    port.WriteStr(QStringLiteral("{+}h\r"));
    QElapsedTimer clock;
    clock.start();
    QString received;
    for (;;) {
        QString piece;
        port.ReadStr(piece, port.InQueue());
        received += piece;
        const qsizetype hash = received.indexOf(u'#');
        if (hash >= 0) {
            const qsizetype end = received.indexOf(u'\r', hash);
            if (end >= 0)
                return received.mid(hash, qMin<qsizetype>(end - hash, kIdReplyMax));
        }
        const qint64 left = kIdReplyWaitMs - clock.elapsed();
        if (left <= 0 || !port.WaitForData(int(left)))
            return std::nullopt;
    }
}

TFlashResult TFlashJob::Run(TFlashTrack* track, std::FILE* notices, TProgressBar* bar)
{
    TFlashResult result;
    result.device = m_device;
    result.started = QDateTime::currentDateTimeUtc();
    result.identifyAsked = m_setup.identify;
    QElapsedTimer clock;
    clock.start();
    TComPort port;
    if (!open(port, result)) {
        result.ms = clock.elapsed();
        return result;
    }
    try {
        if (m_setup.identify)
            result.identification = identify(port);
    } catch (const EComPort&) {
        // The start command below meets the same fault and reports it.
    }

    TConsoleFlashHost host(port, notices, bar, track);
    try {
        const TFlashOutcome outcome = RunFlash(*m_setup.image, m_setup.blockSize, m_setup.config, host);
        result.status = OutcomeStatus(outcome);
        result.outcome = host.Status();
    } catch (const EComPort& e) {
        result.status = ExitLineFailed;
        result.outcome = QStringLiteral("start command not sent");
        result.error = e.Message();
    }
    host.EndProgress();
    if (host.WasCut()) {
        result.status = ExitCut;
        result.outcome = QStringLiteral("cut");
    } else if (host.PortError()) {
        result.status = ExitLineFailed;
        result.error = host.PortError()->Message();
    }
    result.sent = host.Sent();
    result.total = host.Total();
    result.repeats = host.Repeats();
    result.ms = clock.elapsed();
    return result;
}
