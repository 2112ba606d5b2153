#include "support/Ser2net.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

TSer2net::TSer2net(const QString& device, Accepter accepter)
    : m_device(device), m_accepter(accepter), m_port(FreePort())
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

TSer2net::~TSer2net() { Stop(); }

quint16 TSer2net::FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    quint16 port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool TSer2net::Listening(quint16 port)
{
    QFile tcp(QStringLiteral("/proc/net/tcp"));
    if (!tcp.open(QIODevice::ReadOnly))
        return false;
    // "sl local_address rem_address st ...": 0100007F:PORT, state 0A = LISTEN.
    const QByteArray local =
        QByteArrayLiteral("0100007F:") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray& line : tcp.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 3 && f[1] == local && f[3] == "0A")
            return true;
    }
    return false;
}

QString TSer2net::Address() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(m_accepter == Accepter::Raw ? QStringLiteral("socket") : QStringLiteral("rfc2217"))
        .arg(m_port);
}

bool TSer2net::Start()
{
    m_failure.clear();
    const QString accepter = m_accepter == Accepter::Rfc2217      ? QStringLiteral("telnet(rfc2217),tcp")
                             : m_accepter == Accepter::TelnetOnly ? QStringLiteral("telnet,tcp")
                                                                  : QStringLiteral("tcp");
    const QString config = QStringLiteral("connection: &con0\n"
                                          "  accepter: %1,127.0.0.1,%2\n"
                                          "  connector: serialdev,%3,9600n81,local\n"
                                          "  options:\n"
                                          "    kickolduser: true\n"
                                          "    chardelay: %4\n")
                               .arg(accepter)
                               .arg(m_port)
                               .arg(m_device)
                               .arg(m_charDelay ? QStringLiteral("true") : QStringLiteral("false"));
    const QString file = m_dir.filePath(QStringLiteral("ser2net.yaml"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(config.toUtf8()) < 0) {
        m_failure = QStringLiteral("cannot write %1").arg(file);
        return false;
    }
    f.close();
    // -n: in the foreground; -u: no UUCP lock files; its own pid file.
    m_process.start(QStringLiteral("ser2net"), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), file,
                                                QStringLiteral("-P"), m_dir.filePath(QStringLiteral("pid"))});
    if (!m_process.waitForStarted(5000)) {
        m_failure = QStringLiteral("ser2net does not start: %1").arg(m_process.errorString());
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (!Listening(m_port)) {
        if (m_process.state() != QProcess::Running || clock.elapsed() > 5000) {
            m_failure = QStringLiteral("ser2net does not listen at %1: %2")
                            .arg(m_port)
                            .arg(QString::fromLocal8Bit(m_process.readAll()));
            Stop();
            return false;
        }
        QThread::msleep(10);
    }
    return true;
}

void TSer2net::Stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}
