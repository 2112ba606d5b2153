#pragma once
// One figure of this process from /proc/self/status, such as "VmRSS:" or
// "VmHWM:", in KiB; -1 when it cannot be read.
#include <QByteArray>
#include <QFile>

inline long ProcStatusKiB(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key(field);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLong();
    return -1;
}
