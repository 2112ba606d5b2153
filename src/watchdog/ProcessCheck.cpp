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

// The file a path leads to, links resolved; the path itself (made absolute
// against base) when it leads nowhere; empty for a relative path without base.
static QString resolvedPath(const QString& path, const QString& base = QString())
{
    if (path.isEmpty() || (!QDir::isAbsolutePath(path) && base.isEmpty()))
        return QString();
    const QString absolute = QDir::isAbsolutePath(path) ? path : base + QLatin1Char('/') + path;
    const QString canonical = QFileInfo(absolute).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(absolute) : canonical;
}

bool ProcessMatches(const QString& name, const TProcessInfo& p)
{
    if (name.isEmpty())
        return false;
    const QString first = p.arguments.value(0);
    QStringList candidates{fileNameOf(p.exePath), p.command, fileNameOf(first), p.exePath};
    if (first.startsWith(QLatin1Char('/')))
        candidates.append(first);
    QList<QStringView> given{QStringView(name)};
    if (name.size() > 4 && sameName(QStringView(name).right(4), u".exe"))
        given.append(QStringView(name).chopped(4));
    const QString resolved = name.startsWith(QLatin1Char('/')) ? resolvedPath(name) : QString();
    if (!resolved.isEmpty()) {
        given.append(QStringView(resolved));
        candidates << resolvedPath(p.exePath) << resolvedPath(first, p.workingDir);
        // The script an interpreter runs: its first argument that is no option.
        for (qsizetype i = 1; i < p.arguments.size(); ++i) {
            if (p.arguments[i].startsWith(QLatin1Char('-')))
                continue;
            candidates << resolvedPath(p.arguments[i], p.workingDir);
            break;
        }
    }
    candidates.removeAll(QString());
    for (const QString& c : candidates)
        for (QStringView g : given)
            if (sameName(g, c))
                return true;
    return false;
}

bool ProcessNameMatches(const QString& name, const QString& exePath, const QString& command,
                        const QString& firstArgument)
{
    return ProcessMatches(name, TProcessInfo{exePath, command, {firstArgument}, QString()});
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
        TProcessInfo p;
        p.exePath = QFileInfo(dir + QStringLiteral("/exe")).symLinkTarget();
        if (p.exePath.endsWith(QLatin1String(" (deleted)")))
            p.exePath.chop(10);
        p.command = QString::fromLocal8Bit(readSmall(dir + QStringLiteral("/comm"), 256)).trimmed();
        QByteArray cmdline = readSmall(dir + QStringLiteral("/cmdline"), 4096);
        if (cmdline.endsWith('\0'))
            cmdline.chop(1);
        for (const QByteArray& arg : cmdline.split('\0'))
            p.arguments << QString::fromLocal8Bit(arg);
        p.workingDir = QFileInfo(dir + QStringLiteral("/cwd")).symLinkTarget();
        if (ProcessMatches(exeFileName, p))
            return true;
    }
    return false;
}
