// Names of devices as given on command lines and in the settings file's
// [Ports] section, and the absolute paths they stand for.
#include "serial/ComPort.h"
#include "serial/DevicePath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestDevicePath : public QObject {
    Q_OBJECT

private slots:
    void absolute_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("absolute") << "/dev/ttyUSB0"
                                  << "/dev/ttyUSB0";
        QTest::newRow("absolute, untidy") << "/dev//serial/./by-id/x"
                                          << "/dev/serial/by-id/x";
        QTest::newRow("bare name") << "ttyUSB0"
                                   << "/dev/ttyUSB0";
        QTest::newRow("below the working folder") << "st/p1"
                                                  << "/work/bench/st/p1";
        QTest::newRow("dot slash") << "./ttyUSB0"
                                   << "/work/bench/ttyUSB0";
        QTest::newRow("up and down") << "../other/p2"
                                     << "/work/other/p2";
        QTest::newRow("empty") << ""
                               << "";
    }

    void absolute()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(AbsoluteDevicePath(name, QStringLiteral("/work/bench")), path);
    }

    // The port's own mapping: a path given for a port, or in its [Ports]
    // entry, is taken from the working folder of the process.
    void portNames()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("s.ini"));
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Ports]\r\nCom3=adapters/left\r\nCom4=ttyACM7\r\n");
        f.close();
        TComPort port;
        port.SetSettingsFile(ini);
        const QString here = QDir::currentPath();
        QCOMPARE(port.DevicePathFor(QStringLiteral("Com3")), here + QStringLiteral("/adapters/left"));
        QCOMPARE(port.DevicePathFor(QStringLiteral("Com4")), QStringLiteral("/dev/ttyACM7"));
        QCOMPARE(port.DevicePathFor(QStringLiteral("./p")), here + QStringLiteral("/p"));
        QCOMPARE(port.DevicePathFor(QStringLiteral("Com5")), QStringLiteral("/dev/ttyUSB0"));
    }
};

QTEST_GUILESS_MAIN(TestDevicePath)
#include "tst_devicepath.moc"
