#pragma once

#include "firmware/FlashProcedure.h"
#include "serial/ComPort.h"

#include <QElapsedTimer>

#include <cstdio>
#include <optional>

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
// error.
class TConsoleFlashHost final : public IFlashHost {
public:
    // status: where the notices go; bar: none when the progress is not shown.
    TConsoleFlashHost(TComPort& port, std::FILE* status, TProgressBar* bar);

    const std::optional<EComPort>& PortError() const { return m_portError; }
    const QString& Status() const { return m_status; }
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

    TComPort& m_port;
    std::FILE* m_statusOut;
    TProgressBar* m_bar;
    QElapsedTimer m_clock;
    QChar m_lastRx = u'x';
    QString m_status;
    QString m_notice;  // status not shown yet
    std::optional<EComPort> m_portError;
};
