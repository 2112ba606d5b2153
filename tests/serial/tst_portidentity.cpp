// The adapter behind a serial device: its by-id name and the serial number
// of its USB device, from a by-id folder and a tty class folder laid out as
// udev and sysfs lay them out.
#include "serial/PortIdentity.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestPortIdentity : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    void put(const QString& name, const QByteArray& content) const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    void link(const QString& target, const QString& name) const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        QVERIFY(QFile::link(path(target), path(name)));
    }

private slots:
    void initTestCase()
    {
        // Two adapters: one USB device with a serial number (its tty two
        // levels below it), one without; a built-in port with no USB device.
        put(QStringLiteral("dev/ttyUSB0"), "");
        put(QStringLiteral("dev/ttyUSB1"), "");
        put(QStringLiteral("dev/ttyS0"), "");
        link(QStringLiteral("dev/ttyUSB0"), QStringLiteral("by-id/usb-FTDI_FT232R_USB_UART_A9X3-if00-port0"));
        link(QStringLiteral("dev/ttyUSB1"), QStringLiteral("by-id/usb-1a86_USB_Serial-if00-port0"));
        put(QStringLiteral("sys/devices/usb1/1-1/idVendor"), "0403\n");
        put(QStringLiteral("sys/devices/usb1/1-1/serial"), "A9X3\n");
        put(QStringLiteral("sys/devices/usb1/1-1/idProduct"), "6001\n");
        put(QStringLiteral("sys/devices/usb1/1-1/manufacturer"), "FTDI\n");
        put(QStringLiteral("sys/devices/usb1/1-1/product"), "FT232R USB UART\n");
        QDir().mkpath(path(QStringLiteral("sys/bus/usb-serial/drivers/ftdi_sio")));
        QDir().mkpath(path(QStringLiteral("sys/bus/platform/drivers/serial8250")));
        QDir().mkpath(path(QStringLiteral("sys/devices/usb1/1-1/1-1:1.0/ttyUSB0")));
        put(QStringLiteral("sys/devices/usb1/1-2/idVendor"), "1a86\n");
        QDir().mkpath(path(QStringLiteral("sys/devices/usb1/1-2/1-2:1.0/ttyUSB1")));
        QDir().mkpath(path(QStringLiteral("sys/devices/platform/serial8250/tty/ttyS0")));
        link(QStringLiteral("sys/devices/usb1/1-1/1-1:1.0/ttyUSB0"), QStringLiteral("sys/class/tty/ttyUSB0/device"));
        link(QStringLiteral("sys/devices/usb1/1-2/1-2:1.0/ttyUSB1"), QStringLiteral("sys/class/tty/ttyUSB1/device"));
        link(QStringLiteral("sys/devices/platform/serial8250/tty/ttyS0"), QStringLiteral("sys/class/tty/ttyS0/device"));
        // The driver link sits in the tty's device folder.
        link(QStringLiteral("sys/bus/usb-serial/drivers/ftdi_sio"),
             QStringLiteral("sys/devices/usb1/1-1/1-1:1.0/ttyUSB0/driver"));
        link(QStringLiteral("sys/bus/platform/drivers/serial8250"),
             QStringLiteral("sys/devices/platform/serial8250/tty/ttyS0/driver"));
    }

    void identity_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("byId");
        QTest::addColumn<QString>("serial");
        // vendor:product|manufacturer|product, driver
        QTest::addColumn<QString>("usb");
        QTest::addColumn<QString>("driver");
        const QString ftdi = QStringLiteral("0403:6001|FTDI|FT232R USB UART");
        QTest::newRow("adapter with a serial number") << "dev/ttyUSB0"
                                                      << "usb-FTDI_FT232R_USB_UART_A9X3-if00-port0"
                                                      << "A9X3" << ftdi << "ftdi_sio";
        QTest::newRow("given by its by-id name") << "by-id/usb-FTDI_FT232R_USB_UART_A9X3-if00-port0"
                                                 << "usb-FTDI_FT232R_USB_UART_A9X3-if00-port0"
                                                 << "A9X3" << ftdi << "ftdi_sio";
        QTest::newRow("adapter without one") << "dev/ttyUSB1"
                                             << "usb-1a86_USB_Serial-if00-port0"
                                             << ""
                                             << "1a86:||"
                                             << "";
        QTest::newRow("built-in port") << "dev/ttyS0"
                                       << ""
                                       << ""
                                       << ":||"
                                       << "serial8250";
        QTest::newRow("missing device") << "dev/ttyUSB7"
                                        << ""
                                        << ""
                                        << ":||"
                                        << "";
    }

    void identity()
    {
        QFETCH(QString, device);
        QFETCH(QString, byId);
        QFETCH(QString, serial);
        const TPortIdentity id =
            PortIdentityOf(path(device), path(QStringLiteral("by-id")), path(QStringLiteral("sys/class/tty")));
        QCOMPARE(id.byId, byId);
        QCOMPARE(id.serial, serial);
        QFETCH(QString, usb);
        QFETCH(QString, driver);
        QCOMPARE(id.vendorId + u':' + id.productId + u'|' + id.manufacturer + u'|' + id.product, usb);
        QCOMPARE(id.driver, driver);
    }
};

QTEST_GUILESS_MAIN(TestPortIdentity)
#include "tst_portidentity.moc"
