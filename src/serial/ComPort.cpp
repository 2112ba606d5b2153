#include "serial/ComPort.h"

#include "app/IniFile.h"
#include "serial/DevicePath.h"
#include "serial/NetPort.h"
#include "serial/PortBusy.h"
#include "serial/Rfc2217.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QSerialPort>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct RateRow {
    const char* name;
    int bits;
};

constexpr RateRow kRates[] = {
    {"Custom", 9600}, {"110", 110},       {"300", 300},       {"600", 600},       {"1200", 1200},   {"2400", 2400},
    {"4800", 4800},   {"9600", 9600},     {"14400", 14400},   {"19200", 19200},   {"38400", 38400}, {"56000", 56000},
    {"57600", 57600}, {"115200", 115200}, {"128000", 128000}, {"256000", 256000},
};

std::string composeMessage(int code, int platformCode)
{
    QString m = EComPort::CodeText(code);
    if (platformCode != 0)
        m += QCoreApplication::translate("ComPort", " (Error: %1)").arg(platformCode);
    return m.toStdString();
}

}  // namespace

EComPort::EComPort(TComError code, int platformCode)
    : std::runtime_error(composeMessage(int(code), platformCode)), m_code(int(code)), m_platform(platformCode)
{}

QString EComPort::CodeText(int code)
{
    switch (code) {
    case int(TComError::OpenFailed):
        return QCoreApplication::translate("ComPort", "Unable to open com port");
    case int(TComError::WriteFailed):
        return QCoreApplication::translate("ComPort", "WriteFile function failed");
    case int(TComError::ReadFailed):
        return QCoreApplication::translate("ComPort", "ReadFile function failed");
    case int(TComError::PurgeFailed):
        return QCoreApplication::translate("ComPort", "PurgeComm function failed");
    case int(TComError::StatusFailed):
        return QCoreApplication::translate("ComPort", "Unable to get async status");
    case int(TComError::SetStateFailed):
        return QCoreApplication::translate("ComPort", "SetCommState function failed");
    case int(TComError::SetTimeoutsFailed):
        return QCoreApplication::translate("ComPort", "SetCommTimeouts failed");
    case int(TComError::SetupFailed):
        return QCoreApplication::translate("ComPort", "SetupComm function failed");
    case int(TComError::ClearErrorFailed):
        return QCoreApplication::translate("ComPort", "ClearCommError function failed");
    case int(TComError::LineControlFailed):
        return QCoreApplication::translate("ComPort", "EscapeCommFunction function failed");
    case int(TComError::TransmitFailed):
        return QCoreApplication::translate("ComPort", "TransmitCommChar function failed");
    case int(TComError::NotOpen):
        return QCoreApplication::translate("ComPort", "Port Not Open");
    default:
        return QCoreApplication::translate("ComPort", "Com port error %1").arg(code);
    }
}

TBaudRate BaudRateFromName(const QString& name)
{
    for (int i = 0; i < int(std::size(kRates)); ++i)
        if (name.compare(QLatin1String(kRates[i].name), Qt::CaseInsensitive) == 0)
            return TBaudRate(i);
    return TBaudRate::br9600;
}

QString BaudRateName(TBaudRate rate) { return QLatin1String(kRates[int(rate)].name); }

int BaudRateBits(TBaudRate rate) { return kRates[int(rate)].bits; }

int WaitQueueEmpty(const std::function<int()>& queuedBytes, int bitsPerSecond, qint64 limitMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const int queued = queuedBytes();
        if (queued < 0)
            return -1;
        if (queued == 0)
            return 0;
        const qint64 left = limitMs - clock.elapsed();
        if (left <= 0)
            return queued;
        // About the line time of what is queued (ten bits a byte), so a long
        // queue is not polled needlessly and a short one is seen go at once.
        qint64 us = qint64(queued) * 10 * 1000000 / qMax(bitsPerSecond, 1);
        us = std::clamp<qint64>(us, 200, 20000);
        ::usleep(useconds_t(qMin(us, left * 1000)));
    }
}

int WaitOutputSent(int fd, int bitsPerSecond, qint64 limitMs)
{
    return WaitQueueEmpty(
        [fd] {
            int queued = 0;
            if (fd < 0 || ::ioctl(fd, TIOCOUTQ, &queued) != 0)
                return -1;
            return qMax(queued, 0);
        },
        bitsPerSecond, limitMs);
}

TComPort::TComPort(QObject* parent) : QObject(parent), m_serial(new QSerialPort(this))
{
    // The receive handler never runs inside the serial port's own signal, so
    // that data arriving while it shows a modal message is signalled again.
    connect(m_serial, &QSerialPort::readyRead, this, &TComPort::postAnnouncement);
    connect(m_serial, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { deviceError(int(e)); });
}

TComPort::~TComPort()
{
    OnRxChar = nullptr;
    try {
        Close();
    } catch (...) {
    }
    if (m_parked)
        m_parked->Disconnect(WriteLimitMs(0));
}

int TComPort::ComNumberOf(const QString& name)
{
    if (name.size() < 4 || !name.startsWith(QLatin1String("com"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = name.mid(3).toInt(&ok);
    return ok && n >= 1 && n <= 24 && name.mid(3) == QString::number(n) ? n : 0;
}

QString TComPort::DefaultDevicePath(int n)
{
    if (n >= 1 && n <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    if (n >= 5 && n <= 14)
        return QStringLiteral("/dev/ttyUSB%1").arg(n - 5);
    if (n >= 15 && n <= 24)
        return QStringLiteral("/dev/ttyACM%1").arg(n - 15);
    return QString();
}

QString TComPort::DevicePathFor(const QString& name) const
{
    // A network address stands as it is; a device path is taken from the
    // working folder where it is relative.
    const auto pathOf = [](const QString& given) {
        return LooksLikeNetAddress(given) ? given : AbsoluteDevicePath(given);
    };
    const int n = ComNumberOf(name);
    if (n == 0)
        return pathOf(name);  // a device path or address given directly
    if (!m_settingsFile.isEmpty()) {
        const QString over =
            TIniFile(m_settingsFile).ReadString(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(n), QString());
        if (!over.isEmpty())
            return pathOf(over);
    }
    return DefaultDevicePath(n);
}

void TComPort::SetPort(const QString& name)
{
    if (name == m_port)
        return;
    const bool wasOpen = m_connected;
    if (wasOpen)
        Close();
    m_port = name;
    if (wasOpen)
        Open();
}

void TComPort::SetBaudRate(TBaudRate rate)
{
    // Bytes still on their way would go out at the new rate.
    if (rate != m_rate && m_connected)
        drainOutput();
    m_rate = rate;
    if (m_net && m_connected)
        netRate();
    if (m_connected && m_serial->isOpen() && !m_serial->setBaudRate(BaudRateBits(rate)))
        throw EComPort(TComError::SetStateFailed, errno);
}

void TComPort::SetFlowControlNone()
{
    if (m_net && m_connected)
        m_net->SetLineFormat();
    if (m_connected && m_serial->isOpen()) {
        if (!m_serial->setFlowControl(QSerialPort::NoFlowControl))
            throw EComPort(TComError::SetStateFailed, errno);
        m_serial->setRequestToSend(false);
    }
}

void TComPort::applyLineSettings()
{
    if (!m_serial->setBaudRate(BaudRateBits(m_rate)) || !m_serial->setDataBits(QSerialPort::Data8)
        || !m_serial->setParity(QSerialPort::NoParity) || !m_serial->setStopBits(QSerialPort::OneStop)
        || !m_serial->setFlowControl(QSerialPort::NoFlowControl))
        throw EComPort(TComError::SetStateFailed, errno);
    // Modem lines inactive; a pseudo-terminal has none, which is no error here.
    m_serial->setDataTerminalReady(false);
    m_serial->setRequestToSend(false);
    m_dtr = false;
}

void TComPort::RestoreLine(const TLineState& line)
{
    SetBaudRate(line.rate);
    SetFlowControlNone();
    if (line.dtr != m_dtr)
        SetDTR(line.dtr);
}

void TComPort::Open()
{
    if (m_connected)
        return;
    const QString device = DevicePathFor(m_port);
    if (LooksLikeNetAddress(device))
        return openNet(device);
    m_serial->setPortName(device);
    m_serial->setReadBufferSize(0);
    errno = 0;
    m_openError = 0;
    // Another program's port is never opened, not even by the superuser.
    const TPortBusyProbe probe(device);
    if (probe.Busy()) {
        m_openError = int(QSerialPort::PermissionError);
        throw EComPort(TComError::OpenFailed, EBUSY);
    }
    if (device.isEmpty() || !m_serial->open(QIODevice::ReadWrite)) {
        const int err = errno ? errno : int(m_serial->error());
        m_openError = device.isEmpty() ? int(QSerialPort::DeviceNotFoundError) : int(m_serial->error());
        m_serial->clearError();
        throw EComPort(TComError::OpenFailed, err);
    }
    try {
        applyLineSettings();
    } catch (...) {
        m_openError = int(m_serial->error());
        m_serial->close();
        m_serial->clearError();
        throw;
    }
    m_deviceLost = false;
    m_pending = false;
    m_connected = true;
    ++m_opening;
    if (m_serial->bytesAvailable() > 0)
        postAnnouncement();
}

void TComPort::Close()
{
    if (!m_connected)
        return;
    if (m_net)
        return closeNet();
    // What could leave in time has left; what could not is discarded with
    // the input. An empty queue is not discarded: a pseudo-terminal reports
    // its queue as empty at once and discarding would drop what its far side
    // has not taken yet.
    const bool sent = drainOutput();
    m_connected = false;
    m_deviceLost = false;
    if (m_serial->isOpen()) {
        m_serial->clear(sent ? QSerialPort::Input : QSerialPort::AllDirections);
        m_serial->close();
    }
    m_serial->clearError();
}

void TComPort::SetConnected(bool on)
{
    if (on != m_connected) {
        if (on)
            Open();
        else
            Close();
    }
}

int TComPort::handle() const { return m_serial->isOpen() ? int(m_serial->handle()) : -1; }

int TComPort::OutQueue() const
{
    if (m_net)
        return m_connected ? m_net->OutQueue() : -1;
    const int fd = handle();
    if (fd < 0)
        return -1;
    if (OutQueueProbe)
        return OutQueueProbe();
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0)
        return -1;
    return queued;
}

bool TComPort::drainOutput()
{
    if (handle() < 0 || m_deviceLost)
        return false;
    const int queued = OutQueue();
    if (queued < 0)
        return false;
    return queued == 0
           || WaitQueueEmpty([this] { return OutQueue(); }, BaudRateBits(m_rate), WriteLimitMs(queued)) == 0;
}

void TComPort::writeAll(const char* data, int size, TComError error, int& written)
{
    written = 0;
    if (!m_connected)
        throw EComPort(TComError::NotOpen, 0);
    if (m_net) {
        written = m_net->Write(QByteArray::fromRawData(data, size), WriteLimitMs(size));
        if (written == 0 && size > 0)
            throw EComPort(error, EPIPE);
        return;
    }
    const int fd = handle();
    if (fd < 0 || m_deviceLost)
        throw EComPort(error, EIO);
    QElapsedTimer clock;
    clock.start();
    const qint64 limit = WriteLimitMs(size);
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size_t(size - written));
        if (n > 0) {
            written += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            const int err = errno;
            if (written == 0)
                throw EComPort(error, err);
            return;
        }
        const qint64 left = limit - clock.elapsed();
        if (left <= 0)
            return;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, int(left));
    }
}

int TComPort::WriteStr(const QString& text)
{
    if (!m_connected)
        throw EComPort(TComError::NotOpen, 0);
    if (text.isEmpty())
        return 0;
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (int i = 0; i < text.size(); ++i)
        bytes[i] = char(text[i].unicode() & 0xFF);
    QElapsedTimer clock;
    clock.start();
    int written = 0;
    writeAll(bytes.constData(), int(bytes.size()), TComError::WriteFailed, written);
    // Written means handed to the driver; sent means it has left its queue.
    const qint64 left = WriteLimitMs(bytes.size()) - clock.elapsed();
    const int still = WaitQueueEmpty([this] { return OutQueue(); }, BaudRateBits(m_rate), qMax<qint64>(left, 0));
    if (still > 0)
        written = qMax(0, written - still);
    return written;
}

void TComPort::TransmitChar(quint8 byte)
{
    const char c = char(byte);
    if (m_net)
        return netQueue(c);
    int written = 0;
    writeAll(&c, 1, TComError::TransmitFailed, written);
    if (written != 1)
        throw EComPort(TComError::TransmitFailed, 0);
}

int TComPort::ReadStr(QString& text, int count)
{
    text.clear();
    if (!m_connected)
        throw EComPort(TComError::NotOpen, 0);
    if (count <= 0 || !(m_net || m_serial->isOpen()))
        return 0;
    const QByteArray bytes = m_net ? m_net->Read(count) : m_serial->read(count);
    text = QString::fromLatin1(bytes);
    return int(bytes.size());
}

int TComPort::InQueue() const
{
    if (m_net)
        return m_connected ? m_net->Available() : 0;
    if (!m_connected || !m_serial->isOpen())
        return 0;
    const qint64 n = m_serial->bytesAvailable();
    return n > INT_MAX ? INT_MAX : int(n);
}

bool TComPort::WaitForData(int ms)
{
    if (m_net)
        return m_connected && m_net->WaitForData(ms);
    if (!m_connected || !m_serial->isOpen())
        return false;
    return m_serial->bytesAvailable() > 0 || m_serial->waitForReadyRead(ms);
}

void TComPort::ClearBuffer(bool input, bool output)
{
    if (m_net && m_connected)
        return m_net->Purge(input, output);
    if (!m_connected || !m_serial->isOpen())
        return;
    QSerialPort::Directions d;
    if (input)
        d |= QSerialPort::Input;
    if (output)
        d |= QSerialPort::Output;
    if (d && !m_serial->clear(d))
        throw EComPort(TComError::PurgeFailed, errno);
}

void TComPort::SetDTR(bool on)
{
    if (m_net)
        return netDtr(on);
    if (!m_connected || !m_serial->isOpen())
        throw EComPort(TComError::LineControlFailed, 0);
    errno = 0;
    if (!m_serial->setDataTerminalReady(on)) {
        const int err = errno ? errno : int(m_serial->error());
        m_serial->clearError();
        throw EComPort(TComError::LineControlFailed, err);
    }
    m_dtr = on;
}

void TComPort::postAnnouncement()
{
    if (m_announcing) {
        m_pending = true;
        return;
    }
    if (m_posted)
        return;
    m_posted = true;
    QMetaObject::invokeMethod(this, &TComPort::announce, Qt::QueuedConnection);
}

void TComPort::announce()
{
    m_posted = false;
    if (m_announcing) {
        m_pending = true;
        return;
    }
    const int count = InQueue();
    if (count <= 0 || !OnRxChar)
        return;
    m_announcing = true;
    m_pending = false;
    try {
        OnRxChar(this, count);
    } catch (const std::exception& e) {
        m_announcing = false;
        if (OnHandlerError)
            OnHandlerError(e);
    } catch (...) {
        m_announcing = false;
        if (OnHandlerError)
            OnHandlerError(std::runtime_error("unknown error"));
    }
    m_announcing = false;
    // Data that arrived meanwhile was not announced yet.
    if (m_pending && InQueue() > 0) {
        m_pending = false;
        postAnnouncement();
    }
}

bool TComPort::hungUp(bool endOfFileToo) const
{
    const int fd = handle();
    if (fd < 0)
        return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0)
        return false;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
        return true;
    // Readable with nothing to read: end of file.
    int waiting = 0;
    return endOfFileToo && (p.revents & POLLIN) && ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting == 0;
}

void TComPort::lose()
{
    m_deviceLost = true;
    m_serial->close();
    emit DeviceGone(m_opening);
}

bool TComPort::DeviceLost()
{
    if (!m_connected)
        return false;
    if (m_deviceLost)
        return true;
    if (m_net)
        return m_net->Lost();
    // A hung-up line reads as end of file, which the serial port takes for
    // "no data" and reports again and again; only poll tells the hang-up.
    if (!hungUp(false))
        return false;
    lose();
    return true;
}

void TComPort::deviceError(int error)
{
    if (!m_serial->isOpen() || m_deviceLost)
        return;
    const auto e = QSerialPort::SerialPortError(error);
    // The device went away (adapter unplugged, line hung up): stop listening,
    // keep the port "open" so that sends fail and are handled like any write
    // error until the port is closed or selected again. A hung-up tty reads
    // as end of file, which the serial port reports as a read error and
    // reports again at once for as long as the descriptor stays open.
    if (e == QSerialPort::ResourceError || (e == QSerialPort::ReadError && hungUp(true)))
        lose();
}
