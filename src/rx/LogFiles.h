#pragma once

#include "rx/LogLines.h"
#include "rx/TextFileSlot.h"

#include <QString>

#include <functional>

// Where the message log's lines go: the line store that the window shows
// (every line since the last clear, see TLogLines) and, when one is chosen,
// a running log file that gets each line as it is logged (flushed per line,
// like the capture files) and keeps it across clears.
//
// A line longer than kLineLimit characters is logged as pieces of at most
// that many, each piece after the first behind kContinued (the marker counted
// in), so that neither the window nor memory has to hold a line of any length
// at once.
class TLogFiles {
public:
    static constexpr qsizetype kLineLimit = 64 * 1024;
    static inline const QString kContinued = QStringLiteral("\u00BB ");

    explicit TLogFiles(const QString& spoolDir = TLogLines::DefaultSpoolDir());

    // Every line as the log shows it.
    void Append(const QString& line);
    // Characters logged since the program started, a line break counted as
    // one, clears or not.
    qint64 Characters() const { return m_characters; }
    // The log was cleared: the store starts empty; the running file goes on.
    void Clear() { m_lines.Clear(); }
    // Writes every line since the last clear to path, CR LF after each.
    // 0 or the error number.
    int SaveAs(const QString& path) const { return m_lines.SaveAs(path); }
    TLogLines& Lines() { return m_lines; }
    const TLogLines& Lines() const { return m_lines; }

    // 0 or the error number of the open; lines then follow at its end. A
    // file that does not exist yet is made readable by its owner only: the
    // device traffic holds PINs and phone numbers.
    int StartRunning(const QString& path);
    void StopRunning();
    bool Running() const { return m_running.IsOpen(); }
    QString RunningPath() const { return m_runningPath; }
    // Told once when the running file cannot be written any more (full disk,
    // vanished folder); the file is closed then, the log goes on.
    std::function<void(const QString& path)> OnRunningError;

private:
    void appendPiece(const QString& piece);

    TLogLines m_lines;
    TTextFileSlot m_running;
    QString m_runningPath;
    qint64 m_characters = 0;
};
