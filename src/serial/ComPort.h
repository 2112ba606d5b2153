#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>

class QSerialPort;
class TNetPort;

// Error of the serial port: a numeric code, the platform's error code and the
// message "<text of the code>" + " (Error: <platform code>)" where there is one.
// The port's error codes; their numbers and texts are what the user sees.
enum class TComError {
    OpenFailed = 1,          // "Unable to open com port"
    WriteFailed = 2,         // "WriteFile function failed"
    ReadFailed = 3,          // "ReadFile function failed"
    PurgeFailed = 5,         // "PurgeComm function failed"
    StatusFailed = 6,        // "Unable to get async status"
    SetStateFailed = 7,      // "SetCommState function failed"
    SetTimeoutsFailed = 8,   // "SetCommTimeouts failed"
    SetupFailed = 9,         // "SetupComm function failed"
    ClearErrorFailed = 10,   // "ClearCommError function failed"
    LineControlFailed = 12,  // "EscapeCommFunction function failed"
    TransmitFailed = 13,     // "TransmitCommChar function failed"
    NotOpen = 24,            // "Port Not Open"
};

class EComPort : public std::runtime_error {
public:
    EComPort(TComError code, int platformCode);
    TComError Error() const { return TComError(m_code); }
    int Code() const { return m_code; }
    int PlatformCode() const { return m_platform; }
    QString Message() const { return QString::fromUtf8(what()); }
    // Text of a code, without the platform part.
    static QString CodeText(int code);

private:
    int m_code;
    int m_platform;
};

// Baud rates by their position in the rate list; names are what callers use.
enum class TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
// A name not in the list (any case) means 9600.
TBaudRate BaudRateFromName(const QString& name);
QString BaudRateName(TBaudRate rate);
// Bits per second; the custom rate is 9600.
int BaudRateBits(TBaudRate rate);

// How long a write of this many bytes may take: 100 ms a byte and 1 s.
constexpr qint64 WriteLimitMs(qint64 bytes) { return 100 * bytes + 1000; }

// Waits until queuedBytes() reports 0, or limitMs has passed, or it reports
// -1 (unknown). Sleeps about the line time of what is queued at
// bitsPerSecond between looks. Returns what is still queued: 0 when
// everything has left, -1 when unknown.
int WaitQueueEmpty(const std::function<int()>& queuedBytes, int bitsPerSecond, qint64 limitMs);
// The same for the driver's output queue of a descriptor (TIOCOUTQ).
int WaitOutputSent(int fd, int bitsPerSecond, qint64 limitMs);

// The line as the program has set it, to be set again when the port opens
// anew after its device was gone. Flow control is always none.
struct TLineState {
    TBaudRate rate = TBaudRate::br9600;
    bool dtr = false;
    friend bool operator==(const TLineState&, const TLineState&) = default;
};

// Serial port: 8 data bits, no parity, one stop bit, no flow control, DTR and
// RTS inactive while open. Ports are named "Com1" .. "Com24"; on Linux they map
// to tty devices by a fixed table that the "Ports" section of the settings file
// can override per port (read at every open). Received data is announced on
// the thread that owns the object, one announcement at a time, never with a
// count of 0; bytes that arrive while an announcement is being handled are
// announced again once it returns.
class TComPort : public QObject {
    Q_OBJECT
public:
    explicit TComPort(QObject* parent = nullptr);
    ~TComPort() override;

    QString Port() const { return m_port; }
    // Stores the name; an open port is closed and opened again under it.
    void SetPort(const QString& name);
    TBaudRate BaudRate() const { return m_rate; }
    void SetBaudRate(TBaudRate rate);
    void SetFlowControlNone();

    void Open();
    // Lets what is still queued for sending leave first (at most the write
    // time-out of those bytes), then discards what was received and not read
    // (and what could not be sent) and closes.
    void Close();
    bool Connected() const { return m_connected; }
    // The serial port layer's error (QSerialPort::SerialPortError) of the last
    // failed Open, for a network port a TNetProblem; 0 after a successful one.
    int LastOpenError() const { return m_openError; }
    // The device went away while the port was open (adapter unplugged, the
    // far side of the line closed); every write fails until the port is
    // closed or opened again. Asks the device itself: a hang-up does not
    // always reach the port as an error.
    bool DeviceLost();
    void SetConnected(bool on);
    // Counts the successful opens: tells one descriptor of the port from the
    // next, so that news of a descriptor already replaced can be told apart.
    int Opening() const { return m_opening; }
    // Rate and DTR as last set (DTR is low after every open).
    TLineState Line() const { return TLineState{m_rate, m_dtr}; }
    // Sets rate and DTR of the open port as line gives them.
    void RestoreLine(const TLineState& line);

    // Writes one byte per character (the low 8 bits of its code); blocks until
    // every byte has left the driver's output queue or 100 ms per byte + 1000
    // ms have passed. Returns the number of bytes sent.
    int WriteStr(const QString& text);
    // Sends one byte at once (nothing else is queued when it is used). Does
    // not wait for the byte to leave, so a run of single bytes keeps the line
    // busy; closing the port or changing its rate lets them out first.
    void TransmitChar(quint8 byte);
    // What has arrived, at most count bytes, without waiting; codes 0..255.
    int ReadStr(QString& text, int count);
    // Bytes waiting to be read.
    int InQueue() const;
    // Blocks, handling no events, until received bytes wait to be read or ms
    // have passed; false on a time-out or a port that is not open. For a
    // caller that reads on its own instead of through OnRxChar.
    bool WaitForData(int ms);
    void ClearBuffer(bool input, bool output);
    void SetDTR(bool on);

    // The port is a network address (rfc2217:// or socket://).
    bool IsNetwork() const;
    // Whether the line's rate can be set from here: not on a raw socket,
    // where the device server's own settings apply.
    bool CanChangeRate() const;
    // Why a job that starts at start and, with to115200, switches to 115200
    // cannot run on this port (a raw socket keeps the server's rate, taken
    // to be start); empty when it can.
    QString FixedRateText(TBaudRate start, bool to115200) const;
    // The last SetDTR was confirmed by the device server (always on a tty).
    bool LineControlConfirmed() const { return m_lineConfirmed; }

    // Settings file whose "Ports" section may override the device of a port.
    void SetSettingsFile(const QString& path) { m_settingsFile = path; }
    // The device a port name opens, as the table and the override give it.
    QString DevicePathFor(const QString& name) const;
    static QString DefaultDevicePath(int comNumber);
    // Port number of a "ComN" name (any case), 0 when it is none.
    static int ComNumberOf(const QString& name);

    // Bytes still queued for sending by the driver; -1 when unknown or the
    // port is not open.
    int OutQueue() const;
    // Where OutQueue reads the driver's queue, while the port is open; the
    // driver itself when unset. A pseudo-terminal always reports an empty
    // queue, so tests put a queue of their own here to see who waits for it.
    std::function<int()> OutQueueProbe;

    // Receive announcement: (port, number of waiting bytes).
    std::function<void(TComPort*, int)> OnRxChar;
    // Where an error that the receive handler lets escape goes; delivery goes on.
    std::function<void(const std::exception&)> OnHandlerError;

signals:
    // The device went away while the port was open (see DeviceLost); once
    // per loss, with the Opening() of the descriptor that lost it.
    void DeviceGone(int opening);

private:
    void postAnnouncement();
    void announce();
    void deviceError(int error);
    // The descriptor tells a hang-up or end of file: the device is gone.
    bool hungUp(bool endOfFileToo) const;
    void lose();
    void applyLineSettings();
    void writeAll(const char* data, int size, TComError error, int& written);
    // Waits until the output queue is empty or the write time-out of what it
    // holds has passed; true when it is empty.
    bool drainOutput();
    int handle() const;
    // A network port (ComPortNet.cpp): opened, closed, reconfigured.
    void openNet(const QString& address);
    void closeNet();
    void netRate();
    void netDtr(bool on);
    void netQueue(char byte);

    QSerialPort* m_serial;
    // The connection of a network port while open; after a Close kept for a
    // moment, so that a reopen at another rate keeps the line and what the
    // device sends meanwhile.
    std::unique_ptr<TNetPort> m_net;
    std::unique_ptr<TNetPort> m_parked;
    bool m_lineConfirmed = true;
    bool m_netOpening = false;
    QString m_port = QStringLiteral("COM1");
    QString m_settingsFile;
    TBaudRate m_rate = TBaudRate::br9600;
    bool m_connected = false;
    int m_openError = 0;
    bool m_deviceLost = false;
    bool m_dtr = false;
    int m_opening = 0;
    bool m_announcing = false;
    bool m_posted = false;
    bool m_pending = false;
};
