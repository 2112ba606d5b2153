#include "widgets/LogTools.h"

#include "app/IniFile.h"
#include "widgets/Dialogs.h"
#include "widgets/LogView.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>

#include <cstring>

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
            field->parentWidget()->hide();
            return true;
        }
        return false;
    }

private:
    TLogTools* m_tools;
};

}  // namespace

TLogTools::TLogTools(TLogView* log, QMenu* fileMenu, std::function<QString()> settingsFile)
    : QObject(log), m_log(log), m_settingsFile(std::move(settingsFile)), m_lastDir(QDir::homePath())
{
    m_log->SetLines(&m_files.Lines());
    m_log->OnClear = [this] { Clear(); };

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

    // The search field and what the search found, in a row under the log.
    m_findRow = new QWidget(log->parentWidget());
    m_findRow->setObjectName(QStringLiteral("LogSucheZeile"));
    auto* row = new QHBoxLayout(m_findRow);
    row->setContentsMargins(0, 0, 0, 0);
    m_findField = new QLineEdit(m_findRow);
    m_findField->setObjectName(QStringLiteral("EditLogSuche"));
    m_findField->setAccessibleName(tr("Log durchsuchen"));
    m_findField->setPlaceholderText(tr("Suchen (Enter: weiter, Umschalt+Enter: zurück)"));
    m_findResult = new QLabel(m_findRow);
    m_findResult->setObjectName(QStringLiteral("LabelLogSuche"));
    row->addWidget(m_findField, 1);
    row->addWidget(m_findResult);
    m_findRow->hide();
    if (QLayout* layout = log->parentWidget()->layout())
        layout->addWidget(m_findRow);
    m_findField->installEventFilter(new TFindKeys(this));
    auto* shortcut = new QShortcut(QKeySequence::Find, log->window());
    connect(shortcut, &QShortcut::activated, this, [this] {
        m_findRow->show();
        m_findResult->clear();
        m_findField->setFocus(Qt::ShortcutFocusReason);
        m_findField->selectAll();
    });

    m_files.OnRunningError = [this](const QString& path) {
        if (m_reported)
            return;
        m_reported = true;
        m_running->setChecked(false);
        notice(tr("Fehler bei Dateizugriff (%1)").arg(path));
    };
    m_files.Lines().OnSpoolError = [this](int error) {
        notice(tr("Die Zwischendatei des Logs nimmt keine Zeilen mehr an (%1). Die Zeilen bleiben im Speicher, "
                  "bis sie wieder geschrieben werden können; es geht keine verloren.")
                   .arg(QString::fromLocal8Bit(std::strerror(error))));
    };
    if (m_files.Lines().SpoolFailing())
        notice(tr("Die Zwischendatei des Logs kann in %1 nicht angelegt werden. Die Zeilen bleiben im Speicher.")
                   .arg(TLogLines::DefaultSpoolDir()));
}

void TLogTools::notice(const QString& text)
{
    if (m_notice && m_notice->text() == text && m_notice->isVisible())
        return;
    auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                                m_log->window());
    box->setObjectName(QStringLiteral("LogHinweis"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    m_notice = box;
}

void TLogTools::Append(const QString& line)
{
    m_files.Append(line);
    m_log->LinesAppended();
}

void TLogTools::Clear()
{
    m_files.Clear();
    m_log->LinesCleared();
}

void TLogTools::RestoreRunning()
{
    const QString path = TIniFile(m_settingsFile()).ReadString(kMisc, kLogFileKey, QString());
    if (path.isEmpty())
        return;
    // Kept in the settings: the file is taken up again once its folder is
    // back at a later start.
    const bool resumed = m_files.StartRunning(path) == 0;
    m_running->setChecked(resumed);
    if (!resumed)
        notice(tr("Fehler bei Dateizugriff (%1)").arg(path));
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
    const auto [from, to] = std::minmax({m_log->Anchor(), m_log->Caret()});
    const TLogLines::TMatch match = m_files.Lines().Find(text, backwards ? from : to, backwards);
    if (!match.found) {
        m_findResult->setText(tr("„%1“ nicht gefunden").arg(text));
        return false;
    }
    m_log->SetSelection(match.at, TLogLines::TPos{match.at.line, match.at.column + text.size()});
    m_findResult->setText(!match.wrapped ? QString()
                          : backwards    ? tr("Am Anfang angekommen, vom Ende an weitergesucht")
                                         : tr("Am Ende angekommen, vom Anfang an weitergesucht"));
    return true;
}
