#include "widgets/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {

QWidget* activeParent() { return QApplication::activeWindow(); }

class TQtDialogs final : public IDialogs {
public:
    void Info(const QString& text) override
    {
        QMessageBox::information(activeParent(), QApplication::applicationName(), DisplayText(text));
    }
    void Warning(const QString& text) override
    {
        QMessageBox::warning(activeParent(), QApplication::applicationName(), DisplayText(text));
    }
    void Error(const QString& text) override
    {
        QMessageBox::critical(activeParent(), QApplication::applicationName(), DisplayText(text));
    }
    bool YesNo(const QString& text, bool warning) override
    {
        const auto buttons = QMessageBox::Yes | QMessageBox::No;
        const auto answer =
            warning
                ? QMessageBox::warning(activeParent(), QApplication::applicationName(), DisplayText(text), buttons)
                : QMessageBox::question(activeParent(), QApplication::applicationName(), DisplayText(text), buttons);
        return answer == QMessageBox::Yes;
    }
    QString OpenFile(const TOpenFileRequest& r) override
    {
        QFileDialog dialog(activeParent(), r.title, r.initialDir, QtFilterFromPipes(r.filter));
        if (r.mode == TOpenFileRequest::Mode::Save) {
            // A save chooser, so that the native helpers (GTK, the desktop
            // portal) take a new name too; the program writes over an existing
            // file without asking.
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
        }
        if (!r.fileName.isEmpty())
            dialog.selectFile(QDir(r.initialDir).filePath(r.fileName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
    }
};

std::unique_ptr<IDialogs>& current()
{
    static std::unique_ptr<IDialogs> seam = std::make_unique<TQtDialogs>();
    return seam;
}

}  // namespace

IDialogs& Dialogs() { return *current(); }

std::unique_ptr<IDialogs> SetDialogs(std::unique_ptr<IDialogs> dialogs)
{
    if (!dialogs)
        dialogs = std::make_unique<TQtDialogs>();
    std::swap(current(), dialogs);
    return dialogs;
}

QString QtFilterFromPipes(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!desc.contains(QLatin1Char('(')))
            desc += QStringLiteral(" (") + patterns + QLatin1Char(')');
        else
            desc = desc.left(desc.indexOf(QLatin1Char('('))).trimmed() + QStringLiteral(" (") + patterns
                   + QLatin1Char(')');
        out << desc;
    }
    return out.join(QStringLiteral(";;"));
}

QString DisplayText(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}
