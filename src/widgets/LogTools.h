#pragma once

#include "rx/LogFiles.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;

class QWidget;
class TLogView;

// What a technician does with the message log beyond reading it. The view
// shows every line since the last clear from the line store; "Log speichern
// unter..." writes them all to a file, "Log mitschreiben..." writes each line
// to a file as it is logged (remembered in the settings file), and Ctrl+F
// searches the whole log forwards (Enter) and backwards (Shift+Enter).
//
// Nothing here stops the receive side: a spool or running file that fails is
// told in a box that does not block, once, while the log goes on.
class TLogTools : public QObject {
    Q_OBJECT
public:
    // Adds its entries to fileMenu before its first entry; settingsFile
    // returns the settings file in force.
    TLogTools(TLogView* log, QMenu* fileMenu, std::function<QString()> settingsFile);

    void Append(const QString& line);
    // Empties the log and gives its memory back.
    void Clear();
    qint64 LoggedCharacters() const { return m_files.Characters(); }
    TLogFiles& Files() { return m_files; }
    // Resumes the running log file the settings file names, if any.
    void RestoreRunning();

    void SaveLogAs();
    // Writes every line since the last clear to path; 0 or the error number.
    int SaveTo(const QString& path) { return m_files.SaveAs(path); }
    void ToggleRunning();
    // Finds text from the caret in the whole log; selects and shows the
    // match. False when there is none: the view and the selection stay.
    bool Find(const QString& text, bool backwards);

    QAction* SaveAction() const { return m_save; }
    QAction* RunningAction() const { return m_running; }
    QLineEdit* FindField() const { return m_findField; }
    // What the last search said ("not found", that it wrapped), or empty.
    QLabel* FindResult() const { return m_findResult; }
    // The warning on show, if one is.
    QMessageBox* Notice() const { return m_notice; }

private:
    void setRunning(const QString& path);
    // A warning that does not block: the log, the spool and the capture
    // files go on while it is shown. The same text is not stacked.
    void notice(const QString& text);

    TLogView* m_log;
    std::function<QString()> m_settingsFile;
    TLogFiles m_files;
    QAction* m_save = nullptr;
    QAction* m_running = nullptr;
    QWidget* m_findRow = nullptr;
    QLineEdit* m_findField = nullptr;
    QLabel* m_findResult = nullptr;
    QPointer<QMessageBox> m_notice;
    bool m_reported = false;
    // Where the choosers start: where the last choice was made.
    QString m_lastDir;
};
