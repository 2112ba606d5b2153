#pragma once

#include "serial/PortIdentity.h"

#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

// Where the system shows its serial devices. A test lays out folders of its
// own.
struct TPortFolders {
    QString dev = QStringLiteral("/dev");
    QString byId = QStringLiteral("/dev/serial/by-id");
    QString ttyClass = QStringLiteral("/sys/class/tty");
};

// What is behind one entry of the port list.
struct TPortPresence {
    QString device;  // the path the entry opens
    QString target;  // the device file it leads to, links resolved; empty: nothing there
    TPortIdentity id;
    bool Present() const { return !target.isEmpty(); }
    friend bool operator==(const TPortPresence&, const TPortPresence&) = default;
};

// Looks at the device path now (no port is opened).
TPortPresence LookAtPort(const QString& device, const TPortFolders& folders = TPortFolders());

// The tool tip of an entry: the device path and, where known, where it leads,
// its by-id name, the USB device and the driver; one item a line.
QString PresenceHint(const TPortPresence& presence);

// Follows the devices behind the 24 entries of the port list without opening
// or polling the ports: the system tells of every file that appears or goes
// in the device folders (inotify), and each change looks at the entries
// again. Changes that come in a burst (udev makes the device, then its
// links) are taken together.
class TPortWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr int kEntries = 24;
    // How long a burst of changes may last before the entries are looked at.
    static constexpr int kSettleMs = 40;

    // devicePathOf(n) is the path entry n (1..24) opens, as the port table
    // and the settings file give it now.
    explicit TPortWatcher(std::function<QString(int)> devicePathOf, QObject* parent = nullptr);

    void SetFolders(const TPortFolders& folders);
    const TPortFolders& Folders() const { return m_folders; }
    // A file whose change may change the paths (the settings file).
    void SetSettingsFile(const QString& path);

    // Entry n, 1..24, as last looked at.
    const TPortPresence& Presence(int n) const;
    // Looks at every entry now; emits Changed when any differs.
    void Refresh();
    // The folders and files being watched now.
    QStringList Watched() const;

signals:
    // The entries (1..24) whose presence changed.
    void Changed(const QList<int>& entries);

private:
    void rewatch();

    std::function<QString(int)> m_devicePathOf;
    TPortFolders m_folders;
    QString m_settingsFile;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    std::vector<TPortPresence> m_presence;
};
