#pragma once

#include "FlashJob.h"

#include <QByteArray>
#include <QString>

// The record of every unit: one JSON object per line and per device and
// attempt, appended to a file that is never rewritten. The file is opened and
// room for a line of every device is made sure of before any device is
// touched.
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

    // Opens path for appending (creating it) and checks that room bytes of
    // lines can be added: a regular file, with room on its disk and under the
    // process's file size limit. Empty result: ready; else why not, and a
    // file this call created is removed again.
    QString Open(const QString& path, const TFirmware& firmware, qint64 room);
    bool IsOpen() const { return m_fd >= 0; }
    // Appends the line of result in one write. Empty result: written; else why not.
    QString Append(const TFlashResult& result);

    // The line for result, without its line end.
    static QByteArray Line(const TFlashResult& result, const TFirmware& firmware);

    // Room for the longest line a device of this name and path can get:
    // long adapter names and error texts, the identification reply at its
    // longest and every character of it escaped.
    static qint64 LineRoom(const QString& device, const QString& path, bool identify, const TFirmware& firmware);

private:
    int m_fd = -1;
    TFirmware m_firmware;
};
