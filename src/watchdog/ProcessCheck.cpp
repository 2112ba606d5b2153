#include "watchdog/ProcessCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool sameName(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= 'a' && x <= 'z')
            x = char16_t(x - 32);
        if (y >= 'a' && y <= 'z')
            y = char16_t(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

QString fileNameOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.mid(slash + 1) : path;
}

QByteArray readSmall(const QString& path, qint64 limit)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(limit);
}

}  // namespace

bool ProcessNameMatches(const QString& name, const QString& exePath, const QString& command,
                        const QString& firstArgument)
{
    if (name.isEmpty())
        return false;
    // A name given as a full path matches the executable (or the program
    // started by that path) as a whole.
    QStringList candidates{fileNameOf(exePath), command, fileNameOf(firstArgument), exePath};
    if (firstArgument.startsWith(QLatin1Char('/')))
        candidates.append(firstArgument);
    candidates.removeAll(QString());
    QList<QStringView> given{QStringView(name)};
    if (name.size() > 4 && sameName(QStringView(name).right(4), u".exe"))
        given.append(QStringView(name).chopped(4));
    for (const QString& c : candidates)
        for (QStringView g : given)
            if (sameName(g, c))
                return true;
    return false;
}

bool ProcessExists(const QString& exeFileName, const QString& procRoot)
{
    const QDir root(procRoot);
    if (exeFileName.isEmpty() || !root.exists())
        return false;
    const QStringList entries = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QString dir = root.filePath(entry);
        QString exe = QFileInfo(dir + QStringLiteral("/exe")).symLinkTarget();
        if (exe.endsWith(QLatin1String(" (deleted)")))
            exe.chop(10);
        const QString command = QString::fromLocal8Bit(readSmall(dir + QStringLiteral("/comm"), 256)).trimmed();
        const QByteArray cmdline = readSmall(dir + QStringLiteral("/cmdline"), 4096);
        const QString first = QString::fromLocal8Bit(cmdline.left(cmdline.indexOf('\0')));
        if (ProcessNameMatches(exeFileName, exe, command, first))
            return true;
    }
    return false;
}
