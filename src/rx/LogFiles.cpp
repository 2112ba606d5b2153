#include "rx/LogFiles.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

TLogFiles::TLogFiles(const QString& spoolDir) : m_lines(spoolDir)
{
    m_running.OnError = [this](const QString& name) {
        if (OnRunningError)
            OnRunningError(name);
    };
}

void TLogFiles::Append(const QString& line)
{
    m_characters += line.size() + 1;
    if (line.size() <= kLineLimit) {
        appendPiece(line);
        return;
    }
    appendPiece(line.left(kLineLimit));
    const qsizetype room = kLineLimit - kContinued.size();
    for (qsizetype at = kLineLimit; at < line.size(); at += room)
        appendPiece(kContinued + line.mid(at, room));
}

void TLogFiles::appendPiece(const QString& piece)
{
    m_lines.Append(piece);
    m_running.WriteLine(piece);
}

int TLogFiles::StartRunning(const QString& path)
{
    // Made here when missing, so that it never exists with wider rights.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_runningPath.clear();
        return errno;
    }
    ::close(fd);
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
