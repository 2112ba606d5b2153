#pragma once

#include "FlashJob.h"

#include <QByteArray>
#include <QString>

// The record of every unit: one JSON object per line and per device and
// attempt, appended to a file that is never rewritten. The file is opened and
// room for the lines is made sure of before any device is touched.
class TFlashReport {
public:
    // What every line names of the firmware and the call.
    struct TFirmware {
        QString file;  // absolute path
        qint64 size = 0;
        QByteArray sha256;  // hex
        int blockSize = 0;
        QString startRate;
    };

    TFlashReport() = default;
    ~TFlashReport();
    TFlashReport(const TFlashReport&) = delete;
    TFlashReport& operator=(const TFlashReport&) = delete;

    // Opens path for appending (creating it) and checks that lines can be
    // added: a regular file, with room on its disk and under the process's
    // file size limit. Empty result: ready; else why not.
    QString Open(const QString& path, const TFirmware& firmware);
    bool IsOpen() const { return m_fd >= 0; }
    // Appends the line of result in one write. Empty result: written; else why not.
    QString Append(const TFlashResult& result);

    // The line for result, without its line end.
    static QByteArray Line(const TFlashResult& result, const TFirmware& firmware);

    // Room made sure of at the start: several hundred lines.
    static constexpr qint64 kReserveBytes = 64 * 1024;

private:
    int m_fd = -1;
    TFirmware m_firmware;
};
