#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>

// A tmpfs of a few KiB on a fresh folder, for tests of what happens when a
// disk fills. Mounting needs root (as in CI); Mounted() tells whether it
// worked. Unmounted when it goes.
class TTinyTmpfs {
public:
    explicit TTinyTmpfs(int kib)
    {
        const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0700";
        m_mounted =
            m_dir.isValid()
            && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~TTinyTmpfs()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }
    QString Path() const { return m_dir.path(); }
    // Fills the file system up with a file of that name; true when it is full.
    bool Fill(const QString& name) const
    {
        QFile f(QDir(m_dir.path()).filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            return false;
        const QByteArray block(1024, 'x');
        while (f.write(block) == block.size() && f.flush()) {
        }
        return true;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
