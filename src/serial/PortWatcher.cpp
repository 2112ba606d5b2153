#include "serial/PortWatcher.h"

#include "serial/Rfc2217.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

TPortPresence LookAtPort(const QString& device, const TPortFolders& folders)
{
    TPortPresence p;
    p.device = device;
    if (device.isEmpty())
        return p;
    // A network address is there as written; whether it answers shows when
    // it is opened.
    if (LooksLikeNetAddress(device)) {
        p.target = device.trimmed();
        return p;
    }
    p.target = QFileInfo(device).canonicalFilePath();
    if (p.Present())
        p.id = PortIdentityOf(device, folders.byId, folders.ttyClass);
    return p;
}

QString PresenceHint(const TPortPresence& p)
{
    if (p.device.isEmpty())
        return QString();
    QStringList lines;
    if (!p.Present()) {
        lines << QCoreApplication::translate("PortWatcher", "%1 — kein Gerät").arg(p.device);
        return lines.join(u'\n');
    }
    lines << (p.target == p.device ? p.device : p.device + QStringLiteral(" → ") + p.target);
    const TPortIdentity& id = p.id;
    if (!id.byId.isEmpty())
        lines << QCoreApplication::translate("PortWatcher", "by-id: %1").arg(id.byId);
    if (!id.vendorId.isEmpty()) {
        QString usb = QStringLiteral("USB ") + id.vendorId + u':' + id.productId;
        const QString names = QStringList{id.manufacturer, id.product}.join(u' ').trimmed();
        if (!names.isEmpty())
            usb += u' ' + names;
        lines << usb;
    }
    if (!id.serial.isEmpty())
        lines << QCoreApplication::translate("PortWatcher", "Seriennummer: %1").arg(id.serial);
    if (!id.driver.isEmpty())
        lines << QCoreApplication::translate("PortWatcher", "Treiber: %1").arg(id.driver);
    return lines.join(u'\n');
}

TPortWatcher::TPortWatcher(std::function<QString(int)> devicePathOf, QObject* parent)
    : QObject(parent), m_devicePathOf(std::move(devicePathOf)), m_presence(kEntries)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &TPortWatcher::Refresh);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    Refresh();
}

void TPortWatcher::SetFolders(const TPortFolders& folders)
{
    m_folders = folders;
    Refresh();
}

void TPortWatcher::SetSettingsFile(const QString& path)
{
    m_settingsFile = path;
    Refresh();
}

const TPortPresence& TPortWatcher::Presence(int n) const
{
    static const TPortPresence none;
    return n >= 1 && n <= kEntries ? m_presence[size_t(n - 1)] : none;
}

QStringList TPortWatcher::Watched() const { return m_watcher.directories() + m_watcher.files(); }

void TPortWatcher::Refresh()
{
    m_settle.stop();
    QList<int> changed;
    for (int n = 1; n <= kEntries; ++n) {
        TPortPresence now = LookAtPort(m_devicePathOf(n), m_folders);
        if (now != m_presence[size_t(n - 1)]) {
            m_presence[size_t(n - 1)] = std::move(now);
            changed << n;
        }
    }
    rewatch();
    if (!changed.isEmpty())
        emit Changed(changed);
}

// The device folder, the by-id folder (or the nearest folder above it that
// exists, so that its creation is seen), the folder of every entry's path and
// of where it leads, and the settings file. A file that was replaced is
// watched anew.
void TPortWatcher::rewatch()
{
    QSet<QString> dirs;
    auto addDir = [&dirs](const QString& path) {
        QString dir = path;
        while (!dir.isEmpty() && !QFileInfo(dir).isDir()) {
            const QString up = QFileInfo(dir).path();
            if (up == dir)
                return;
            dir = up;
        }
        if (!dir.isEmpty())
            dirs.insert(QFileInfo(dir).absoluteFilePath());
    };
    addDir(m_folders.dev);
    addDir(m_folders.byId);
    for (const TPortPresence& p : m_presence) {
        if (!p.device.isEmpty())
            addDir(QFileInfo(p.device).path());
        if (p.Present())
            addDir(QFileInfo(p.target).path());
    }
    const QStringList watchedDirs = m_watcher.directories();
    for (const QString& d : watchedDirs)
        if (!dirs.contains(d))
            m_watcher.removePath(d);
    for (const QString& d : dirs)
        if (!watchedDirs.contains(d))
            m_watcher.addPath(d);
    // An editor saving the settings file may replace it: watch it again.
    if (!m_settingsFile.isEmpty()) {
        if (!m_watcher.files().isEmpty())
            m_watcher.removePaths(m_watcher.files());
        if (QFileInfo::exists(m_settingsFile))
            m_watcher.addPath(m_settingsFile);
    }
}
