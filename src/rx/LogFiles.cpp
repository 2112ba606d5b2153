#include "rx/LogFiles.h"

#include <QDir>
#include <QFile>

#include <cerrno>

TLogFiles::TLogFiles() : m_spoolName(QDir::tempPath() + QStringLiteral("/velmor-log-XXXXXX.txt"))
{
    // The spool is the program's own: buffered, since a save flushes it.
    m_spool.SetFlushEachLine(false);
    if (m_spoolName.open())
        m_spool.OpenForWriting(m_spoolName.fileName());
    m_running.OnError = [this](const QString& name) {
        if (OnRunningError)
            OnRunningError(name);
    };
}

void TLogFiles::Append(const QString& line)
{
    m_characters += line.size() + 1;
    m_spool.WriteLine(line);
    m_running.WriteLine(line);
}

void TLogFiles::Clear()
{
    if (!m_spoolName.fileName().isEmpty())
        m_spool.OpenForWriting(m_spoolName.fileName());
}

int TLogFiles::SaveAs(const QString& path)
{
    // Reopening for appending writes out what is buffered and keeps the lines.
    const QString spool = m_spoolName.fileName();
    if (spool.isEmpty() || m_spool.OpenForAppending(spool) != 0)
        return EIO;
    QFile in(spool);
    QFile out(path);
    if (!in.open(QIODevice::ReadOnly))
        return EIO;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return out.error() == QFileDevice::PermissionsError ? EACCES : EIO;
    while (!in.atEnd()) {
        const QByteArray piece = in.read(1 << 20);
        if (piece.isEmpty() || out.write(piece) != piece.size()) {
            out.remove();
            return EIO;
        }
    }
    if (!out.flush()) {
        out.remove();
        return EIO;
    }
    return 0;
}

int TLogFiles::StartRunning(const QString& path)
{
    m_running.SetFlushEachLine(true);
    const int error = m_running.OpenForAppending(path);
    m_runningPath = error == 0 ? path : QString();
    return error;
}

void TLogFiles::StopRunning()
{
    m_running.Close();
    m_runningPath.clear();
}
