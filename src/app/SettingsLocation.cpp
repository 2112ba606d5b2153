#include "app/SettingsLocation.h"

#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kName = QStringLiteral("VelmorServiceSoftware");

bool isAbsolute(const QString& path) { return path.startsWith(QLatin1Char('/')); }

bool isFolder(const QByteArray& path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeFolders(const QByteArray& path)
{
    if (path.isEmpty() || isFolder(path))
        return !path.isEmpty();
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0 && !makeFolders(path.left(slash)))
        return false;
    return ::mkdir(path.constData(), 0700) == 0 || (errno == EEXIST && isFolder(path));
}

}  // namespace

QString DesktopEntryName() { return kName + QStringLiteral(".desktop"); }

QString SettingsFileFor(const TSettingsFacts& f)
{
    const QString beside = SettingsFilePathFor(f.programPath);
    if (f.besideExists || (f.folderWritable && !f.installed))
        return beside;
    QString config;
    if (isAbsolute(f.xdgConfigHome))
        config = f.xdgConfigHome;
    else if (isAbsolute(f.home))
        config = f.home + QStringLiteral("/.config");
    else
        return beside;
    return QDir::cleanPath(config + QLatin1Char('/') + kName + QLatin1Char('/') + kName + QStringLiteral(".ini"));
}

TSettingsFacts SettingsFactsFor(const QString& programPath)
{
    TSettingsFacts f;
    f.programPath = programPath;
    f.besideExists = QFileInfo::exists(SettingsFilePathFor(programPath));
    const QString folder = QFileInfo(programPath).absolutePath();
    f.folderWritable = ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
    f.installed = QDir(folder).dirName() == QLatin1String("bin")
                  && QFileInfo::exists(folder + QStringLiteral("/../share/applications/") + DesktopEntryName());
    f.xdgConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    f.home = qEnvironmentVariable("HOME");
    if (f.home.isEmpty())
        if (const passwd* pw = ::getpwuid(::geteuid()))
            f.home = QFile::decodeName(pw->pw_dir);
    return f;
}

QString SettingsFileForProgram(const QString& programPath) { return SettingsFileFor(SettingsFactsFor(programPath)); }

bool MakeSettingsFolder(const QString& settingsFile)
{
    return makeFolders(QFile::encodeName(QFileInfo(settingsFile).absolutePath()));
}
