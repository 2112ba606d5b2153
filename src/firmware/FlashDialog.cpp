#include "firmware/FlashDialog.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "firmware/RomImage.h"
#include "widgets/Dialogs.h"
#include "widgets/RadioGroup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include <cerrno>
#include <optional>
#include <stdexcept>

namespace {

const QString kStartCommand = QStringLiteral("{+}fwupdate\r");

QString PortName(const TFormMain& main) { return QStringLiteral("Com%1").arg(main.RadioGroupCOM()->ItemIndex() + 1); }

QString GaugeStyle(bool green)
{
    return QStringLiteral("QProgressBar { background-color: black; color: white; border: 1px solid gray;"
                          " text-align: center; }"
                          "QProgressBar::chunk { background-color: %1; }")
        .arg(green ? QStringLiteral("rgb(0, 255, 0)") : QStringLiteral("rgb(255, 0, 0)"));
}

// The procedure's view of the main window's port, its receive state and the
// dialog's controls.
//
// A port error while the blocks go out (the adapter unplugged, the line
// gone) ends the transfer as a failed one: the error is kept, every further
// byte is dropped and every further wait ends at once, so the procedure runs
// straight on to its "no ACK" outcome and returns the port. The caller
// reports the kept error once.
//
// The loss of the device does not always show at a write: the last bytes of
// a block may be in the driver before the loss is noticed, which then comes
// as the port's own report while the procedure waits for the answer. That
// wait ends at once as well, and the loss is kept as the error the next
// byte would have met.
class TFlashHost final : public IFlashHost {
public:
    TFlashHost(TFormMain& main, const TFlashView& view, const std::function<quint32()>& clock)
        : m_main(main), m_view(view), m_clock(clock)
    {}

    const std::optional<EComPort>& PortError() const { return m_portError; }

    void WriteStart(bool throughSend) override
    {
        if (throughSend)
            m_main.Send(QStringLiteral("fwupdate"));
        else
            m_main.ComPort.WriteStr(kStartCommand);
    }

    void SetQuietSend(bool quiet) override { m_main.QuietSend = quiet; }

    QString CurrentRateName() override { return BaudRateName(m_main.ComPort.BaudRate()); }

    void SwitchTo115200() override
    {
        // The start command has left the port: sending waits until it has.
        try {
            m_main.ComPort.Close();
            m_main.ComPort.SetPort(PortName(m_main));
            m_main.ComPort.SetBaudRate(BaudRateFromName(QStringLiteral("115200")));
            m_main.ComPort.SetFlowControlNone();
            m_main.ComPort.Open();
        } catch (const EComPort&) {
        }
    }

    void ReturnTo9600() override
    {
        try {
            m_main.ComPort.Close();
        } catch (const EComPort&) {
        }
        try {
            m_main.ComPort.SetPort(PortName(m_main));
            m_main.ComPort.SetBaudRate(BaudRateFromName(QStringLiteral("9600")));
            m_main.ComPort.SetFlowControlNone();
            m_main.ComPort.Open();
            m_main.ChosenRate = BaudRateName(m_main.ComPort.BaudRate());
            m_main.BoxRate = m_main.ChosenRate;
        } catch (const EComPort&) {
        }
    }

    void SendByte(int counter, quint8 byte) override
    {
        if (m_portError)
            return;
        if (!m_main.ComPort.Connected()) {
            // The port did not come back after the switch: one report, not one
            // message box per byte.
            m_portError.emplace(TComError::NotOpen, 0);
            return;
        }
        try {
            m_main.SendByte(counter, byte);
        } catch (const EComPort& e) {
            m_portError = e;
        }
    }

    QChar LastRxChar() override { return m_main.LastRxChar; }
    void SetLastRxChar(QChar c) override { m_main.LastRxChar = c; }

    void WaitWhile(int limitMs, const std::function<bool()>& cond) override
    {
        if (m_portError)
            return;
        TComPort& port = m_main.ComPort;
        TFormMain::PumpedWait(limitMs, [&cond, &port] { return !cond() || port.DeviceLost(); });
        if (port.DeviceLost())
            m_portError.emplace(TComError::TransmitFailed, EIO);
    }

    quint32 NowMs() override
    {
        if (m_clock)
            return m_clock();
        static QElapsedTimer clock;
        if (!clock.isValid())
            clock.start();
        return quint32(clock.elapsed());
    }

    void SetStatus(const QString& text) override
    {
        m_view.status->setAlignment(Qt::AlignCenter);
        m_view.status->setText(text);
    }

    // A range of 0..0 would turn the bar into a busy indicator.
    void SetProgressMax(int max) override
    {
        m_view.gauge->setRange(0, qMax(max, 1));
        m_shownStep = -1;
    }
    // The procedure reports every byte; the bar is moved only when that shows,
    // in steps of a thousandth, and always at its end.
    void SetProgress(int value) override
    {
        QProgressBar* gauge = m_view.gauge;
        const int step = int(qint64(value) * 1000 / gauge->maximum());
        if (step == m_shownStep && value != gauge->maximum())
            return;
        m_shownStep = step;
        gauge->setValue(value);
    }
    void SetBarGreen(bool green) override { m_view.gauge->setStyleSheet(GaugeStyle(green)); }

    void SetElapsedText(const QString& text) override
    {
        if (m_view.elapsed)
            m_view.elapsed->setText(text);
    }

private:
    TFormMain& m_main;
    const TFlashView& m_view;
    const std::function<quint32()>& m_clock;
    std::optional<EComPort> m_portError;
    int m_shownStep = -1;
};

// Marks the procedure as running for its lifetime, and as ended afterwards,
// whichever way it is left.
class TRunning {
public:
    TRunning(bool& running, bool& ended) : m_running(running), m_ended(ended) { m_running = true; }
    ~TRunning()
    {
        m_running = false;
        m_ended = true;
    }

private:
    bool& m_running;
    bool& m_ended;
};

}  // namespace

TFlashDialog::TFlashDialog(TFormMain* main, const TFlashConfig& config, bool centred)
    : QDialog(nullptr), StartWaitMs(config.startWaitMs), AckWaitMs(config.ackWaitMs), m_main(main), m_config(config),
      m_centred(centred)
{}

TFlashDialog::~TFlashDialog() { releaseTimers(); }

void TFlashDialog::holdTimers(std::initializer_list<QTimer*> timers)
{
    for (QTimer* t : timers)
        if (t->isActive() && !m_heldTimers.contains(t)) {
            t->stop();
            m_heldTimers.append(t);
        }
}

void TFlashDialog::releaseTimers()
{
    if (!m_main) {
        // The timers went with the main window.
        m_heldTimers.clear();
        return;
    }
    for (QTimer* t : std::exchange(m_heldTimers, {}))
        t->start();
}

void TFlashDialog::Attach(const TFlashView& view)
{
    m_view = view;
    m_initialStatus = view.status->text();
    m_initialAlignment = view.status->alignment();
    m_view.gauge->setTextVisible(true);
    connect(m_view.ok, &QPushButton::clicked, this, Guarded([this] { ButtonFlashenOKClick(); }));
    resetView();
}

void TFlashDialog::resetView()
{
    m_view.gauge->setRange(0, 100);
    m_view.gauge->setValue(0);
    m_view.gauge->setStyleSheet(GaugeStyle(false));
    m_view.status->setAlignment(m_initialAlignment);
    m_view.status->setText(m_initialStatus);
    m_view.ok->hide();
}

void TFlashDialog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (m_centred)
        if (QScreen* s = screen())
            move(s->availableGeometry().center() - rect().center());
    if (e->spontaneous())
        return;
    m_ended = false;
    QMetaObject::invokeMethod(this, Guarded([this] { FormActivate(); }), Qt::QueuedConnection);
}

void TFlashDialog::FormActivate()
{
    if (m_running || !m_main)
        return;
    TFormMain& main = *m_main;
    const TRunning running(m_running, m_ended);

    resetView();
    if (main.RadioGroupCOM()->ItemIndex() < 0) {
        main.NoPortMessage();
        QDialog::reject();
        return;
    }
    const QString fixed = main.ComPort.FixedRateText(main.ComPort.BaudRate(), m_config.switchTo115200);
    if (!fixed.isEmpty()) {
        Dialogs().Warning(fixed);
        QDialog::reject();
        return;
    }

    main.Timer1.stop();
    main.Timer2.stop();
    main.Timer3.stop();
    holdTimers({&main.Timer4, &main.HeartbeatTimer});
    TFlashHost host(main, m_view, Clock);

    const TOpenFileRequest request{
        QCoreApplication::translate("FlashDialog", " bitte die Firmware-Datei auswählen ..."),
        QCoreApplication::translate("FlashDialog", "Flashdatei(*.rom)|*.rom"), main.FirmwareDir, main.FirmwareFile};
    const QString path = Dialogs().OpenFile(request);
    if (path.isEmpty()) {
        if (m_config.switchTo115200)
            host.ReturnTo9600();
        return;
    }
    main.FirmwareDir = request.initialDir;
    main.FirmwareFile = path;
    main.WriteSettings();

    TRomImage image;
    const TRomResult loaded = LoadRomFile(path, image);
    switch (loaded.status) {
    case TRomLoad::Ok:
        break;
    case TRomLoad::CannotOpen:
        Dialogs().Warning(QCoreApplication::translate("FlashDialog", "Fehler bei Dateizugriff (%1)").arg(loaded.error));
        return;
    case TRomLoad::TooManyLines:
        Dialogs().Warning(
            QCoreApplication::translate("FlashDialog", "Firmware-Datei zu groß (%1): höchstens %2 Datenzeilen")
                .arg(path)
                .arg(RomMaxDataLines));
        return;
    case TRomLoad::ReadError:
        ShowGeneralError(
            std::runtime_error((loaded.errorText.isEmpty()
                                    ? QCoreApplication::translate("FlashDialog", "Fehler beim Lesen von %1").arg(path)
                                    : loaded.errorText)
                                   .toStdString()));
        return;
    }

    TFlashConfig config = m_config;
    config.startWaitMs = StartWaitMs;
    config.ackWaitMs = AckWaitMs;
    RunFlash(image, main.FlashBlockSize, config, host);
    if (host.PortError())
        ShowGeneralError(*host.PortError());
    m_view.ok->show();
}

void TFlashDialog::ButtonFlashenOKClick() { finish(true); }

void TFlashDialog::reject() { finish(false); }

void TFlashDialog::finish(bool accepted)
{
    if (m_running || m_closing)
        return;
    m_closing = true;
    TFormMain::PumpedWait(TFormMain::kFlashCloseWaitMs);
    if (m_main) {
        m_main->RxLine.clear();
        m_main->QuietSend = false;
    }
    m_closing = false;
    QDialog::done(accepted ? QDialog::Accepted : QDialog::Rejected);
    releaseTimers();
}
