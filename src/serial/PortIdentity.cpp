#include "serial/PortIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Levels a tty may sit below its USB device (interface, port, tty folder).
constexpr int kMaxLevels = 6;

QString readAttribute(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(f.read(256)).trimmed();
}

}  // namespace

TPortIdentity PortIdentityOf(const QString& devicePath, const QString& byIdDir, const QString& ttyClassDir)
{
    TPortIdentity id;
    const QString device = QFileInfo(devicePath).canonicalFilePath();
    if (device.isEmpty())
        return id;
    const QDir byId(byIdDir);
    for (const QFileInfo& link : byId.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        if (link.canonicalFilePath() == device) {
            id.byId = link.fileName();
            break;
        }
    // The tty's device folder lies below the USB device that carries the
    // serial number: walk up until a folder names a vendor.
    const QString deviceDir = ttyClassDir + u'/' + QFileInfo(device).fileName() + QStringLiteral("/device");
    id.driver = QFileInfo(QFileInfo(deviceDir + QStringLiteral("/driver")).canonicalFilePath()).fileName();
    QString dir = QFileInfo(deviceDir).canonicalFilePath();
    for (int level = 0; !dir.isEmpty() && level < kMaxLevels; ++level) {
        if (QFileInfo::exists(dir + QStringLiteral("/idVendor"))) {
            id.serial = readAttribute(dir + QStringLiteral("/serial"));
            id.vendorId = readAttribute(dir + QStringLiteral("/idVendor"));
            id.productId = readAttribute(dir + QStringLiteral("/idProduct"));
            id.manufacturer = readAttribute(dir + QStringLiteral("/manufacturer"));
            id.product = readAttribute(dir + QStringLiteral("/product"));
            break;
        }
        const QString up = QFileInfo(dir).path();
        if (up == dir)
            break;
        dir = up;
    }
    return id;
}
