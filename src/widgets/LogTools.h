#pragma once

#include "rx/LogFiles.h"

#include <QObject>
#include <QString>

class QAction;
class QLineEdit;
class QMenu;
class QPlainTextEdit;

// What a technician does with the message log beyond reading it: the window
// keeps the latest kWindowLines lines (memory stays bounded over a run of
// weeks) while every line since the last clear is kept on disk; "Log
// speichern unter..." writes them all to a file, "Log mitschreiben..." writes
// each line to a file as it is logged (remembered in the settings file), and
// Ctrl+F searches the window forwards (Enter) and backwards (Shift+Enter).
class TLogTools : public QObject {
    Q_OBJECT
public:
    static constexpr int kWindowLines = 2000;

    // Adds its entries to fileMenu before its first entry; settingsFile
    // returns the settings file in force.
    TLogTools(QPlainTextEdit* log, QMenu* fileMenu, std::function<QString()> settingsFile);

    void Append(const QString& line) { m_files.Append(line); }
    void Cleared() { m_files.Clear(); }
    qint64 LoggedCharacters() const { return m_files.Characters(); }
    // Resumes the running log file the settings file names, if any.
    void RestoreRunning();

    void SaveLogAs();
    // Writes every line since the last clear to path; 0 or the error number.
    int SaveTo(const QString& path) { return m_files.SaveAs(path); }
    void ToggleRunning();
    // Finds text from the cursor; selects and shows the match. False when
    // there is none (the cursor stays).
    bool Find(const QString& text, bool backwards);

    QAction* SaveAction() const { return m_save; }
    QAction* RunningAction() const { return m_running; }
    QLineEdit* FindField() const { return m_findField; }

private:
    void setRunning(const QString& path);

    QPlainTextEdit* m_log;
    std::function<QString()> m_settingsFile;
    TLogFiles m_files;
    QAction* m_save = nullptr;
    QAction* m_running = nullptr;
    QLineEdit* m_findField = nullptr;
    bool m_reported = false;
    // Where the choosers start: where the last choice was made.
    QString m_lastDir;
};
