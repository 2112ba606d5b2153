#pragma once

#include <QString>
#include <memory>

class QWidget;

// The one way the program asks or tells the user something modally. The real
// seam uses Qt's dialogs; tests install a scripted one that records every
// text and returns prepared answers.
struct TOpenFileRequest {
    QString title;
    // Filter as "description|pattern|description|pattern".
    QString filter;
    QString initialDir;
    QString fileName;
    // Open: the chosen file must exist. Save: the dialog also takes the name
    // of a file that does not exist yet, and an existing file is taken
    // without a question (the program writes over it).
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
};

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // Information message with one OK button.
    virtual void Info(const QString& text) = 0;
    // Warning message with one OK button.
    virtual void Warning(const QString& text) = 0;
    // Error message with one OK button (the general error display).
    virtual void Error(const QString& text) = 0;
    // Question with Yes and No; warning icon when asked as a warning.
    virtual bool YesNo(const QString& text, bool warning) = 0;
    // File dialog in the request's mode; returns the chosen full path or an
    // empty text on cancel.
    virtual QString OpenFile(const TOpenFileRequest& request) = 0;
};

// The seam in force (Qt's dialogs unless a test installed another one).
IDialogs& Dialogs();
// Installs a seam; returns the previous one. nullptr restores Qt's dialogs.
std::unique_ptr<IDialogs> SetDialogs(std::unique_ptr<IDialogs> dialogs);

// "Text (*.a)|*.a|All|*" -> "Text (*.a) (*.a);;All (*)" for Qt's file dialog.
QString QtFilterFromPipes(const QString& filter);
// Message texts end their paragraphs with CR; Qt shows LF.
QString DisplayText(const QString& text);
