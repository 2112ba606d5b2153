#pragma once

#include "firmware/FlashProcedure.h"
#include "firmware/RomImage.h"
#include "serial/ComPort.h"

#include <QDateTime>
#include <QString>

#include <cstdio>
#include <optional>

class TFlashTrack;
class TProgressBar;

// What every device of one call shares.
struct TFlashSetup {
    const TRomImage* image = nullptr;  // read and checked once, before any device
    int blockSize = 128;
    TFlashConfig config = SerialFlashConfig;
    TBaudRate startRate = TBaudRate::br9600;
    QString settingsFile;   // for Com names and their [Ports] override
    bool identify = false;  // ask "{+}h" at the start rate before the update
    // A device that has just appeared: its port is tried again for this
    // long before the unit fails (udev still setting its group and mode,
    // ModemManager probing it).
    int settleMs = 0;
};

// How one device's attempt ended.
struct TFlashResult {
    QString device;  // as given
    QString path;    // the device it names, absolute
    // What the system told of its adapter when the port was opened, so that
    // a unit that vanishes mid-transfer still has them in its record.
    QString byId;
    QString adapterSerial;
    int status = 0;  // its exit status (ExitStatus)
    // The dialogs' outcome text; or, when nothing could be sent, why.
    QString outcome;
    QString error;  // the port layer's error when the line failed, else empty
    QDateTime started;
    qint64 ms = 0;
    int sent = 0;   // bytes of the padded image sent
    int total = 0;  // bytes of the padded image
    int repeats = 0;
    bool identifyAsked = false;
    std::optional<QString> identification;  // the reply from its "#"; none: no answer
    // Its report line could not be written: the unit counts as failed
    // whatever its transfer did, since nobody can tell later what it holds.
    bool unrecorded = false;
    bool recordedLate = false;  // written once the report took lines again

    // The outcome with the line's error, where there was one.
    QString Text() const
    {
        const QString text = error.isEmpty() ? outcome : outcome + QStringLiteral(" - line failed: ") + error;
        if (!unrecorded)
            return text;
        return (recordedLate ? QStringLiteral("FAILED (record written late): ")
                             : QStringLiteral("FAILED (no record written): "))
               + text;
    }
    bool Passed() const { return status == 0 && !unrecorded; }
};

// One device's update from opening its port to returning it, on the
// calling thread, with blocking waits on its own port only: one such job
// per thread runs beside others without waiting for them.
class TFlashJob {
public:
    TFlashJob(QString device, const TFlashSetup& setup) : m_device(std::move(device)), m_setup(setup) {}

    // notices and bar as for TConsoleFlashHost; track: none when no other
    // thread watches. Never throws for the device's sake.
    TFlashResult Run(TFlashTrack* track, std::FILE* notices = nullptr, TProgressBar* bar = nullptr);

    // Identification reply waited for after "{+}h\r".
    static constexpr int kIdReplyWaitMs = 500;
    // Between two tries of a settling device.
    static constexpr int kSettleStepMs = 100;

private:
    bool open(TComPort& port, TFlashResult& result);
    std::optional<QString> identify(TComPort& port);

    const QString m_device;
    const TFlashSetup& m_setup;
};
