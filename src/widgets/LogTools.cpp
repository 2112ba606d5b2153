#include "widgets/LogTools.h"

#include "app/IniFile.h"
#include "widgets/Dialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextDocument>

namespace {

const QString kMisc = QStringLiteral("Misc");
const QString kLogFileKey = QStringLiteral("LogFile");
QString logFilter()
{
    return QCoreApplication::translate("LogTools", "Log-Datei(*.log;*.txt)|*.log;*.txt|alle (*.*)|*.*");
}

// Enter finds on, Shift+Enter back, Esc hides the field again.
class TFindKeys : public QObject {
public:
    TFindKeys(TLogTools* tools) : QObject(tools), m_tools(tools) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(e);
        QLineEdit* field = m_tools->FindField();
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            m_tools->Find(field->text(), key->modifiers() & Qt::ShiftModifier);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            field->hide();
            return true;
        }
        return false;
    }

private:
    TLogTools* m_tools;
};

}  // namespace

TLogTools::TLogTools(QPlainTextEdit* log, QMenu* fileMenu, std::function<QString()> settingsFile)
    : QObject(log), m_log(log), m_settingsFile(std::move(settingsFile)), m_lastDir(QDir::homePath())
{
    // The window holds the latest lines only and keeps no undo history; the
    // whole log is on disk.
    m_log->setUndoRedoEnabled(false);
    m_log->setMaximumBlockCount(kWindowLines);

    m_save = new QAction(tr("Log speichern unter..."), fileMenu);
    m_save->setObjectName(QStringLiteral("LogSpeichern"));
    m_running = new QAction(tr("Log mitschreiben..."), fileMenu);
    m_running->setObjectName(QStringLiteral("LogMitschreiben"));
    m_running->setCheckable(true);
    QAction* first = fileMenu->actions().value(0);
    fileMenu->insertAction(first, m_save);
    fileMenu->insertAction(first, m_running);
    fileMenu->insertSeparator(first);
    connect(m_save, &QAction::triggered, this, [this] { SaveLogAs(); });
    connect(m_running, &QAction::triggered, this, [this] { ToggleRunning(); });

    m_findField = new QLineEdit(log->parentWidget());
    m_findField->setObjectName(QStringLiteral("EditLogSuche"));
    m_findField->setAccessibleName(tr("Log durchsuchen"));
    m_findField->setPlaceholderText(tr("Suchen (Enter: weiter, Umschalt+Enter: zurück)"));
    m_findField->hide();
    if (QLayout* layout = log->parentWidget()->layout())
        layout->addWidget(m_findField);
    m_findField->installEventFilter(new TFindKeys(this));
    auto* shortcut = new QShortcut(QKeySequence::Find, log->window());
    connect(shortcut, &QShortcut::activated, this, [this] {
        m_findField->show();
        m_findField->setFocus(Qt::ShortcutFocusReason);
        m_findField->selectAll();
    });

    m_files.OnRunningError = [this](const QString& path) {
        if (m_reported)
            return;
        m_reported = true;
        m_running->setChecked(false);
        Dialogs().Warning(tr("Fehler bei Dateizugriff (%1)").arg(path));
    };
}

void TLogTools::RestoreRunning()
{
    const QString path = TIniFile(m_settingsFile()).ReadString(kMisc, kLogFileKey, QString());
    if (!path.isEmpty() && m_files.StartRunning(path) == 0)
        m_running->setChecked(true);
}

void TLogTools::SaveLogAs()
{
    const TOpenFileRequest request{tr("... Log speichern unter?"), logFilter(), m_lastDir, QString(),
                                   TOpenFileRequest::Mode::Save};
    const QString path = Dialogs().OpenFile(request);
    if (path.isEmpty())
        return;
    m_lastDir = QFileInfo(path).absolutePath();
    if (m_files.SaveAs(path) != 0)
        Dialogs().Warning(tr("Fehler bei Dateizugriff (%1)").arg(path));
}

void TLogTools::ToggleRunning()
{
    if (m_files.Running()) {
        m_files.StopRunning();
        setRunning(QString());
        return;
    }
    const TOpenFileRequest request{tr("... Log mitschreiben in?"), logFilter(), m_lastDir, QString(),
                                   TOpenFileRequest::Mode::Save};
    const QString path = Dialogs().OpenFile(request);
    if (!path.isEmpty())
        m_lastDir = QFileInfo(path).absolutePath();
    if (path.isEmpty() || m_files.StartRunning(path) != 0) {
        if (!path.isEmpty())
            Dialogs().Warning(tr("Fehler bei Dateizugriff (%1)").arg(path));
        setRunning(QString());
        return;
    }
    setRunning(path);
}

void TLogTools::setRunning(const QString& path)
{
    m_reported = false;
    m_running->setChecked(!path.isEmpty());
    TIniFile(m_settingsFile()).WriteString(kMisc, kLogFileKey, path);
}

bool TLogTools::Find(const QString& text, bool backwards)
{
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (m_log->find(text, flags))
        return true;
    // Once more from the other end, as a search field does.
    QTextCursor cursor = m_log->textCursor();
    cursor.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
    m_log->setTextCursor(cursor);
    return m_log->find(text, flags);
}
