// Why a port does not open: the device probe, lock files and the serial port
// layer's error, on real device files.
#include "serial/ComPort.h"
#include "serial/PortDiagnostics.h"
#include "support/Unprivileged.h"

#include <QFile>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A pseudo-terminal: the slave side is a real terminal device.
struct TPty {
    int master = -1;
    int slaveFd = -1;  // set when the test holds the slave open itself
    QString slave;
    TPty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = QString::fromLocal8Bit(::ptsname(master));
    }
    ~TPty()
    {
        if (slaveFd >= 0)
            ::close(slaveFd);
        if (master >= 0)
            ::close(master);
    }
};

}  // namespace

class TestPortDiagnostics : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void diagnosis_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("serialError");
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("says");

        const int none = int(QSerialPort::NoError);
        QTest::newRow("missing path") << "missing" << int(QSerialPort::DeviceNotFoundError)
                                      << int(TPortProblem::NoSuchDevice) << "kein solches Gerät";
        QTest::newRow("below a regular file")
            << "below file" << none << int(TPortProblem::NoSuchDevice) << "kein solches Gerät";
        QTest::newRow("regular file") << "file" << int(QSerialPort::UnsupportedOperationError)
                                      << int(TPortProblem::NotSerial) << "keine serielle Schnittstelle";
        QTest::newRow("folder") << "folder" << none << int(TPortProblem::NotSerial) << "keine serielle Schnittstelle";
        QTest::newRow("character device, no terminal")
            << "/dev/null" << none << int(TPortProblem::NotSerial) << "keine serielle Schnittstelle";
        QTest::newRow("free terminal") << "pty" << none << int(TPortProblem::None) << "";
        // The device opens but the serial port layer could not lock it.
        QTest::newRow("lock refused by the port layer")
            << "pty" << int(QSerialPort::PermissionError) << int(TPortProblem::Busy) << "belegt";
        QTest::newRow("unknown port layer error")
            << "pty" << int(QSerialPort::UnknownError) << int(TPortProblem::Other) << "lässt sich nicht öffnen";
        QTest::newRow("held by another port") << "pty held" << int(QSerialPort::PermissionError)
                                              << int(TPortProblem::Busy) << "ein anderes Programm benutzt sie";
        QTest::newRow("no permission") << "pty 000" << int(QSerialPort::PermissionError)
                                       << int(TPortProblem::PermissionDenied) << "in die Gruppe dialout aufnehmen";
        // A pseudo-terminal whose master is locked refuses every open with
        // EIO, as a node does that the kernel has not finished setting up:
        // no "no such device" for a device that is there.
        QTest::newRow("locked, EIO") << "pty locked" << int(QSerialPort::UnknownError) << int(TPortProblem::IoError)
                                     << "Ein-/Ausgabefehler";
        QTest::newRow("opened exclusively")
            << "pty excl" << int(QSerialPort::UnknownError) << int(TPortProblem::Busy) << "belegt";
    }

    void diagnosis()
    {
        QFETCH(QString, setup);
        QFETCH(int, serialError);
        QFETCH(int, problem);
        QFETCH(QString, says);

        QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
        TPty pty;
        QVERIFY(!pty.slave.isEmpty());
        TComPort holder;
        QString path;
        bool unprivileged = false;
        if (setup == QLatin1String("missing"))
            path = dir.filePath("none");
        else if (setup == QLatin1String("below file"))
            path = dir.filePath("file/ttyUSB0");
        else if (setup == QLatin1String("file"))
            path = dir.filePath("file");
        else if (setup == QLatin1String("folder"))
            path = dir.path();
        else if (setup == QLatin1String("/dev/null"))
            path = setup;
        else {
            path = pty.slave;
            if (setup == QLatin1String("pty held")) {
                holder.SetPort(path);
                holder.Open();
            } else if (setup == QLatin1String("pty 000")) {
                QCOMPARE(::chmod(pty.slave.toLocal8Bit().constData(), 0), 0);
                unprivileged = true;
            } else if (setup == QLatin1String("pty locked")) {
                int lock = 1;
                QCOMPARE(::ioctl(pty.master, TIOCSPTLCK, &lock), 0);
            } else if (setup == QLatin1String("pty excl")) {
                QCOMPARE(::chmod(pty.slave.toLocal8Bit().constData(), 0666), 0);
                pty.slaveFd = ::open(pty.slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
                QVERIFY(pty.slaveFd >= 0);
                QCOMPARE(::ioctl(pty.slaveFd, TIOCEXCL), 0);
                unprivileged = true;
            }
        }

        TPortDiagnosis d;
        if (unprivileged) {
            // Root opens any device whatever its mode or exclusive flag; the
            // probe runs as an ordinary user instead.
            const QByteArray name = QFile::encodeName(path);
            const auto out = RunUnprivileged([&name](char* buf, std::size_t size) {
                const TPortDiagnosis r = ProbeSerialDevice(name.constData());
                std::memcpy(buf, &r, qMin(size, sizeof r));
                return sizeof r;
            });
            if (!out)
                QSKIP("running as root and cannot drop to an ordinary user");
            QCOMPARE(out->size(), qsizetype(sizeof d));
            std::memcpy(&d, out->constData(), sizeof d);
        } else {
            d = DiagnosePort(path, serialError);
        }

        QCOMPARE(int(d.problem), problem);
        const QString text = PortProblemText(path, d);
        if (problem == int(TPortProblem::None)) {
            QCOMPARE(text, QString());
            return;
        }
        QVERIFY2(text.startsWith(path + QStringLiteral(": ")), qPrintable(text));
        QVERIFY2(text.contains(says), qPrintable(text));
        // The text reaches the log and its 8-bit file whole.
        for (QChar c : text)
            QVERIFY2(c.unicode() < 256, qPrintable(text));
        if (setup == QLatin1String("pty held")) {
            QCOMPARE(d.holder, qint64(::getpid()));
            QVERIFY2(text.contains(QStringLiteral("Prozess %1").arg(::getpid())), qPrintable(text));
        }
        if (unprivileged)
            QVERIFY(d.error != 0);
    }

    // A lock file left by a process that has ended does not make a port busy;
    // one of a running process does, under the name of the device a link
    // points at as well.
    void lockFiles()
    {
        if (::access("/run/lock", W_OK) != 0)
            QSKIP("/run/lock is not writable here");
        TPty pty;
        QVERIFY(!pty.slave.isEmpty());
        const QString link = dir.filePath("by-id-port");
        QVERIFY(QFile::link(pty.slave, link));
        const QString lock = QStringLiteral("/run/lock/LCK..") + pty.slave.mid(5).replace('/', '_');
        const auto removeLock = qScopeGuard([&] { QFile::remove(lock); });
        auto writeLock = [&](const QByteArray& content) {
            QFile f(lock);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(content);
        };

        const pid_t ended = ::fork();
        if (ended == 0)
            ::_exit(0);
        QVERIFY(ended > 0);
        ::waitpid(ended, nullptr, 0);
        writeLock(QByteArray::number(ended).rightJustified(10, ' ') + '\n');
        QCOMPARE(PortLockHolder(pty.slave), 0LL);
        QCOMPARE(int(DiagnosePort(pty.slave, 0).problem), int(TPortProblem::None));

        writeLock(QByteArray::number(::getppid()).rightJustified(10, ' ') + '\n');  // UUCP style
        QCOMPARE(PortLockHolder(link), (long long)::getppid());
        const TPortDiagnosis d = DiagnosePort(link, 0);
        QCOMPARE(int(d.problem), int(TPortProblem::Busy));
        QCOMPARE(d.holder, (long long)::getppid());
        QFile::remove(lock);
        QCOMPARE(PortLockHolder(link), 0LL);
    }
};

QTEST_MAIN(TestPortDiagnostics)
#include "tst_portdiagnostics.moc"
