#include "serial/DevicePath.h"

#include <QDir>

QString AbsoluteDevicePath(const QString& name, const QString& workingFolder)
{
    if (name.isEmpty())
        return name;
    if (name.startsWith(u'/'))
        return QDir::cleanPath(name);
    if (!name.contains(u'/'))
        return QStringLiteral("/dev/") + name;
    return QDir::cleanPath(workingFolder + u'/' + name);
}

QString AbsoluteDevicePath(const QString& name) { return AbsoluteDevicePath(name, QDir::currentPath()); }
