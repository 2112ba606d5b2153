#pragma once

// The block transfer of a firmware update, from the start command to the
// device's final answer, shared by the serial and the modem update dialogs.
//
// Wire exchange: the start command; the device answers "3"; the header
// (block count low byte, high byte, their sum mod 256); then every block of
// blockSize image bytes followed by their sum mod 256, each answered with
// one character: "0" accepted, "1" send it again (a block goes out at most
// three times), "2" update complete. Bytes past the data are the image's
// 0xFF fill and go out like data.

#include "firmware/RomImage.h"

#include <QChar>
#include <QString>

#include <functional>

struct TFlashConfig {
    // false: "{+}fwupdate\r" is written straight to the port; true: "fwupdate"
    // goes out framed through the send operation.
    bool startThroughSend = false;
    // Switch the port to 115200 after the start command unless it already
    // runs at that rate, and return it to 9600 once the procedure has ended.
    bool switchTo115200 = true;
    // Report whole seconds since the header after every block's checksum byte.
    bool showElapsed = false;
    int startWaitMs = 4000;  // for the start character "3"
    int ackWaitMs = 10000;   // for each block's answer
};

// Update over the serial line and over a dialled modem link.
inline constexpr TFlashConfig SerialFlashConfig{};
inline constexpr TFlashConfig ModemFlashConfig{true, false, true, 5000, 5000};

// Everything the procedure does to the port, the receive state and the
// dialog. The dialogs implement it; all calls come from the UI thread.
class IFlashHost {
public:
    virtual ~IFlashHost() = default;

    // Sends the start command. May throw; the exception leaves RunFlash
    // before anything else has happened (QuietSend not set, port untouched).
    virtual void WriteStart(bool throughSend) = 0;
    virtual void SetQuietSend(bool quiet) = 0;
    virtual QString CurrentRateName() = 0;  // e.g. "9600"
    // Reconfigure the port; errors end the step silently.
    virtual void SwitchTo115200() = 0;
    virtual void ReturnTo9600() = 0;
    // counter: the byte's image offset, 0 and 1 for the header's count bytes,
    // ChecksumCounter for every checksum byte.
    virtual void SendByte(int counter, quint8 byte) = 0;
    // Last received character with a code of 32 or more.
    virtual QChar LastRxChar() = 0;
    virtual void SetLastRxChar(QChar c) = 0;
    // Pumped wait: handles events (the receive handler among them) while
    // cond holds, for at most limitMs.
    virtual void WaitWhile(int limitMs, const std::function<bool()>& cond) = 0;
    virtual quint32 NowMs() = 0;  // millisecond clock, wraps
    virtual void SetStatus(const QString& text) = 0;
    virtual void SetProgressMax(int max) = 0;
    virtual void SetProgress(int value) = 0;
    virtual void SetBarGreen(bool green) = 0;  // false: red
    virtual void SetElapsedText(const QString& text) = 0;
};

inline constexpr int ChecksumCounter = 100000;

enum class TFlashOutcome {
    Ok,              // "2" received
    NoStart,         // no "3" within startWaitMs
    NoAck,           // no answer within ackWaitMs (or an "x")
    WrongAck,        // an answer other than 0, 1, 2
    TooManyRetries,  // the third rejection of one block
    NoCompletion,    // every block accepted but no "2"
};

// Runs the transfer of image in blocks of blockSize (1 to 32767) bytes and
// leaves the outcome's text in the status line; with switchTo115200 the
// port is back at 9600 on every return. On return the caller shows its OK
// button. Exceptions from the host pass through unchanged: after one the
// port is not returned and no outcome text is set.
TFlashOutcome RunFlash(const TRomImage& image, int blockSize, const TFlashConfig& config, IFlashHost& host);
