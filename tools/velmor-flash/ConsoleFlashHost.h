#pragma once

#include "firmware/FlashProcedure.h"
#include "serial/ComPort.h"

#include <QElapsedTimer>

#include <cstdio>
#include <optional>

class TFlashTrack;
class TProgressBar;

// The update procedure's view of a console: the port opened by the caller,
// the last printable character received on it, notices (a block sent again)
// as lines on a stream and an optional progress bar. The outcome is left in
// Status() for the caller.
//
// A port error while the transfer runs (the adapter unplugged, the port not
// reopened at 115200) ends it as a failed one: the first error is kept,
// every further byte is dropped and every further wait ends at once, so the
// procedure runs straight on to its outcome. The caller reports the kept
// error. A transfer cut through the track ends the same way.
class TConsoleFlashHost final : public IFlashHost {
public:
    // status: where the notices go (none: not printed); bar: none when the
    // progress is not shown; track: none when no other thread watches.
    TConsoleFlashHost(TComPort& port, std::FILE* status, TProgressBar* bar, TFlashTrack* track = nullptr);

    const std::optional<EComPort>& PortError() const { return m_portError; }
    const QString& Status() const { return m_status; }
    // The transfer was cut before it ended.
    bool WasCut() const { return m_cut; }
    // Blocks sent again after a rejection.
    int Repeats() const { return m_repeats; }
    // Bytes of the padded image sent, and their total.
    int Sent() const { return m_sent; }
    int Total() const { return m_total; }
    // Ends the progress line, if one is shown, before other output.
    void EndProgress();

    void WriteStart(bool throughSend) override;
    void SetQuietSend(bool) override {}
    QString CurrentRateName() override;
    void SwitchTo115200() override;
    void ReturnTo9600() override;
    void SendByte(int counter, quint8 byte) override;
    QChar LastRxChar() override { return m_lastRx; }
    void SetLastRxChar(QChar c) override { m_lastRx = c; }
    void WaitWhile(int limitMs, const std::function<bool()>& cond) override;
    quint32 NowMs() override { return quint32(m_clock.elapsed()); }
    void SetStatus(const QString& text) override;
    void SetProgressMax(int max) override;
    void SetProgress(int value) override;
    void SetBarGreen(bool) override {}
    void SetElapsedText(const QString&) override {}

private:
    void reopen(const char* rateName);
    void showNotice();
    void takeReceived();
    // Whether the transfer is to stop: the port failed or it was cut.
    bool stopped();

    TComPort& m_port;
    std::FILE* m_statusOut;
    TProgressBar* m_bar;
    TFlashTrack* m_track;
    QElapsedTimer m_clock;
    QChar m_lastRx = u'x';
    QString m_status;
    QString m_notice;  // status not shown yet
    std::optional<EComPort> m_portError;
    bool m_cut = false;
    // What went out: the header is done, the last byte was a checksum, the
    // end of the data sent so far, the blocks sent again.
    bool m_headerSent = false;
    bool m_afterChecksum = false;
    int m_dataEnd = 0;
    int m_repeats = 0;
    int m_sent = 0;
    int m_total = 0;
};
