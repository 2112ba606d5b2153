#pragma once

#include "widgets/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>

// The dialog seam for tests: records every message and returns the answers
// the test queued (Yes and the empty file name when none is queued).
class TScriptedDialogs : public IDialogs {
public:
    struct Shown {
        QString kind;  // "info", "warning", "error", "question", "open"
        QString text;  // message text, or the open request's title
        TOpenFileRequest request;
    };

    void Info(const QString& text) override { record("info", text); }
    void Warning(const QString& text) override { record("warning", text); }
    void Error(const QString& text) override { record("error", text); }
    bool YesNo(const QString& text, bool warning) override
    {
        record(warning ? "question-warning" : "question", text);
        return answers.isEmpty() ? true : answers.dequeue();
    }
    QString OpenFile(const TOpenFileRequest& r) override
    {
        shown.append({QStringLiteral("open"), r.title, r});
        if (onShow)
            onShow(shown.last());
        return files.isEmpty() ? QString() : files.dequeue();
    }

    QStringList Texts(const QString& kind = QString()) const
    {
        QStringList out;
        for (const Shown& s : shown)
            if (kind.isEmpty() || s.kind == kind)
                out << s.text;
        return out;
    }

    QList<Shown> shown;
    QQueue<bool> answers;
    QQueue<QString> files;
    // Runs while a modal message is "open" (for tests of what happens meanwhile).
    std::function<void(const Shown&)> onShow;

private:
    void record(const char* kind, const QString& text)
    {
        shown.append({QLatin1String(kind), text, {}});
        if (onShow)
            onShow(shown.last());
    }
};

// Installs a scripted seam for the lifetime of the object.
class TScriptedDialogsScope {
public:
    TScriptedDialogsScope()
    {
        auto d = std::make_unique<TScriptedDialogs>();
        dialogs = d.get();
        m_previous = SetDialogs(std::move(d));
    }
    ~TScriptedDialogsScope() { SetDialogs(std::move(m_previous)); }
    TScriptedDialogs* dialogs;

private:
    std::unique_ptr<IDialogs> m_previous;
};
