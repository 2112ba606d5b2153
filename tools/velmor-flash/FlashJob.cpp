#include "FlashJob.h"

#include "ConsoleFlashHost.h"
#include "ExitStatus.h"
#include "FlashTrack.h"
#include "serial/NetPort.h"
#include "serial/PortBusy.h"
#include "serial/PortDiagnostics.h"
#include "serial/PortIdentity.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
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
    result.status = ExitOk;
    result.outcome.clear();
    port.SetSettingsFile(m_setup.settingsFile);
    port.SetPort(m_device);
    result.path = port.DevicePathFor(m_device);
    // The device named as given; the path it stands for only where that is
    // another name.
    const QString where = result.path == m_device ? QString() : QStringLiteral(" (%1)").arg(result.path);
    const bool network = LooksLikeNetAddress(result.path);
    if (result.path.isEmpty() || (!network && !QFileInfo::exists(result.path))) {
        result.status = ExitDeviceMissing;
        result.outcome = QStringLiteral("no such device") + where;
        return false;
    }
    // Taken now: the system forgets them once the adapter has gone.
    if (!network) {
        const TPortIdentity id = PortIdentityOf(result.path);
        result.byId = id.byId;
        result.adapterSerial = id.serial;
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
            QString text = PortProblemText(result.path, DiagnosePort(result.path, port.LastOpenError()));
            if (text.startsWith(result.path + QStringLiteral(": ")))
                text = text.mid(result.path.size() + 2) + where;
            result.outcome = text;
            return false;
        }
        result.status = ExitDeviceNotOpened;
        if (e.PlatformCode() == EBUSY) {
            const TPortBusyProbe probe(result.path);
            result.outcome = PortBusyText(QString(), probe.Busy()) + where;
        } else {
            const QString reason = e.PlatformCode() > 0 && e.PlatformCode() < 200
                                       ? QString::fromLocal8Bit(std::strerror(e.PlatformCode()))
                                       : QStringLiteral("in use or not permitted");
            result.outcome = QStringLiteral("%1 (%2)").arg(e.Message(), reason) + where;
        }
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
    while (!open(port, result)) {
        if (clock.elapsed() + kSettleStepMs > m_setup.settleMs || (track && track->cut)) {
            result.ms = clock.elapsed();
            return result;
        }
        QThread::msleep(kSettleStepMs);
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
