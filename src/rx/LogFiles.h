#pragma once

#include "rx/TextFileSlot.h"

#include <QString>
#include <QTemporaryFile>

#include <functional>

// Where the message log's lines go besides the window. The window keeps only
// the latest lines; every line since the last clear is also kept in a spool
// file on disk, so that a save writes the whole log however long it ran,
// while memory stays bounded. A running log file, when one is chosen, gets
// each line as it is logged (flushed per line, like the capture files) and
// keeps it across clears.
class TLogFiles {
public:
    TLogFiles();

    // Every line as the log shows it.
    void Append(const QString& line);
    // Characters logged since the program started, a line break counted as
    // one, clears or not.
    qint64 Characters() const { return m_characters; }
    // The log was cleared: the spool starts empty; the running file goes on.
    void Clear();
    // Writes every line since the last clear to path, CR LF after each.
    // 0 or the error number.
    int SaveAs(const QString& path);

    // 0 or the error number of the open; lines then follow at its end.
    int StartRunning(const QString& path);
    void StopRunning();
    bool Running() const { return m_running.IsOpen(); }
    QString RunningPath() const { return m_runningPath; }
    // Told once when the running file cannot be written any more (full disk,
    // vanished folder); the file is closed then, the log goes on.
    std::function<void(const QString& path)> OnRunningError;

private:
    QTemporaryFile m_spoolName;
    TTextFileSlot m_spool;
    TTextFileSlot m_running;
    QString m_runningPath;
    qint64 m_characters = 0;
};
