#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real ser2net (the Debian package) serving a serial device, mostly the
// slave side of a test's pseudo-terminal, on 127.0.0.1 at a free port.
// telnet: the RFC 2217 accepter; otherwise raw TCP.
class TSer2net {
public:
    enum class Accepter { Rfc2217, Raw, TelnetOnly };
    TSer2net(const QString& device, Accepter accepter = Accepter::Rfc2217);
    ~TSer2net();

    // Starts the server and waits until it listens; false (with the reason
    // in Failure()) when it does not come up.
    bool Start();
    // Ends the server (its connections drop) and waits for it.
    void Stop();
    bool Running() const { return m_process.state() == QProcess::Running; }
    quint16 Port() const { return m_port; }
    // The "Ports" entry that reaches the device through this server.
    QString Address() const;
    QString Failure() const { return m_failure; }
    // ser2net's wait for more serial data before it sends what came (on by
    // default, 1 to 20 ms); takes effect at the next Start.
    void SetCharDelay(bool on) { m_charDelay = on; }

    // A TCP port on 127.0.0.1 nothing listens at now (bound and let go,
    // never listened at).
    static quint16 FreePort();
    // Whether something listens at the port on 127.0.0.1 (/proc/net/tcp).
    static bool Listening(quint16 port);

private:
    QString m_device;
    Accepter m_accepter;
    quint16 m_port;
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_failure;
    bool m_charDelay = true;
};
