#pragma once

#include "sim/BootLoaderPeer.h"
#include "sim/PeerDevice.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

// Simulated devices of every family, for demonstrations and end-to-end tests
// without hardware. Each one answers the identification request, a small
// plausible part of its family's command set, and runs its boot loader on
// "{+}fwupdate\r". Anything it does not understand is ignored or answered
// "?". All calls come from the line's thread.

// What every simulated device shares: the boot loader, which watches every
// byte for its start command and then takes the line until the transfer has
// ended, and the split of the rest into CR-ended lines.
class TSimDevice : public IPeerDevice {
public:
    TSimDevice(QByteArray idReply, int blockSize);

    void Receive(const QByteArray& piece, IPeerLine& line) final;

    // Firmware transfers completed since start.
    int Updates() const { return m_updates; }

protected:
    // Bytes outside a firmware transfer; splits them into lines for OnLine.
    virtual void OnBytes(const QByteArray& piece, IPeerLine& line);
    // One line without its CR (line feeds dropped); returns the answer.
    virtual QByteArray OnLine(const QByteArray& text, IPeerLine& line) = 0;
    // Lines ended by CR LF, as the device sends them.
    static QByteArray Lines(const QList<QByteArray>& lines);

    const QByteArray m_idReply;  // without its CR; empty: never answers "{+}h"

private:
    void freshLoader();

    const int m_blockSize;
    std::shared_ptr<TBootLoader> m_loader;
    qint64 m_loaderActiveMs = 0;  // last byte the loader took
    QByteArray m_line;
    int m_updates = 0;
};

// A watchdog unit: parameters are set with "{+}NAME=value" and echoed as
// "NAME=value"; "{+}GET" lists them one to a line, then its state.
class TSimVigilo : public TSimDevice {
public:
    explicit TSimVigilo(QByteArray idReply = "#01.00.00", int blockSize = 128);

protected:
    QByteArray OnLine(const QByteArray& text, IPeerLine& line) override;
    // A framed command without its frame; empty result: not known.
    virtual QByteArray OnCommand(const QByteArray& command);

    QMap<QByteArray, QByteArray> m_params;
    bool m_active = true;
};

// The GSM variant: also "gsminfo" (framed or not) with the state of its
// mobile part.
class TSimVigiloGsm : public TSimVigilo {
public:
    TSimVigiloGsm();

protected:
    QByteArray OnCommand(const QByteArray& command) override;
};

// The five-channel unit: "{n}NAME=value" for channel n, "{n}GET", "{+}GET"
// for all channels, "{+}on"/"{+}off", and its stored sequence ("PLCget",
// "PLCset=", "PLCclear=", "PLCclear all", "PLCstore").
class TSimQuintra : public TSimDevice {
public:
    TSimQuintra();
    QList<QByteArray> Sequence() const { return m_steps; }

protected:
    QByteArray OnLine(const QByteArray& text, IPeerLine& line) override;

private:
    QByteArray channelState(int channel) const;

    QMap<QByteArray, QByteArray> m_channels[5];
    QList<QByteArray> m_steps;
    QList<QByteArray> m_stored;
    static constexpr int kMaxSteps = 50;
};

// The I/O box: "SET n = v" answered "SETn=v", "OUT n = v" answered "OUTn=v",
// "{+} GET" with the five settings and the outputs.
class TSimZerbo : public TSimDevice {
public:
    TSimZerbo();

protected:
    QByteArray OnLine(const QByteArray& text, IPeerLine& line) override;

private:
    int m_set[5] = {1, 0, 1, 0, 5};
    QByteArray m_out[3] = {"0", "0", "0"};
};

// The GPS data logger: "L" sends its recorded track, a line at a time, ended
// by "end of data ..."; the byte ESC ends it early with "user break ...".
class TSimGpsLogger : public TSimDevice {
public:
    TSimGpsLogger();
    // The recorded track, one NMEA sentence a line.
    static QList<QByteArray> Track();

protected:
    void OnBytes(const QByteArray& piece, IPeerLine& line) override;
    QByteArray OnLine(const QByteArray& text, IPeerLine& line) override;

private:
    void startList(IPeerLine& line);

    QList<QByteArray> m_track;
    bool m_online = false;
    int m_interval = 10;
    // The list under way: its number (0 = none) and the next line.
    int m_list = 0;
    int m_next = 0;
};

// Ten addressed smart switch boxes (addresses 0 to 9) on one line. They
// listen at their own rate and do not understand commands sent at another
// one; "{+}reset\r" makes them measure the new rate from the next "U".
class TSimKippaSmart : public TSimDevice {
public:
    TSimKippaSmart();
    int Rate() const { return m_rate; }

protected:
    void OnBytes(const QByteArray& piece, IPeerLine& line) override;
    QByteArray OnLine(const QByteArray&, IPeerLine&) override { return {}; }

private:
    QByteArray onChar(char c, bool atOwnRate);
    QByteArray output(char op, int box);

    int m_rate = 9600;
    bool m_measuring = false;  // restarted: the next "U" sets the rate
    bool m_on[10] = {};
    QByteArray m_buffer;
};

// The newer GSM unit: socket commands, voice and SMS numbers, alarm mode,
// heartbeat; "{+}GET" answers one status line with the numbers.
class TSimVigiloGsmNeu : public TSimDevice {
public:
    TSimVigiloGsmNeu();

protected:
    QByteArray OnLine(const QByteArray& text, IPeerLine& line) override;

private:
    QByteArray status() const;

    QByteArray m_socket = "on";
    QByteArray m_alarmMode = "WARNONLY";
    QByteArray m_voice = "0049891234567";
    QByteArray m_sms[5] = {"00491701234567", "-", "-", "-", "-"};
    int m_heartbeats = 0;
};

// The families the simulator knows, by the name used on its command line.
struct TSimFamily {
    QString name;
    QString description;
    std::shared_ptr<TSimDevice> (*make)();
    bool withModem;  // reached through a modem call
};
const QList<TSimFamily>& SimFamilies();
// nullptr when no family has that name.
const TSimFamily* FindSimFamily(const QString& name);
