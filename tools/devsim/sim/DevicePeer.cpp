#include "sim/DevicePeer.h"

#include "app/IniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int speedToBaud(speed_t s)
{
    switch (s) {
    case B110:
        return 110;
    case B300:
        return 300;
    case B600:
        return 600;
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    default:
        return int(s);
    }
}

// Line time of n bytes at baud, ten bits a byte (8N1).
qint64 lineNs(qsizetype n, int baud) { return qint64(n) * 10 * 1000000000LL / qMax(baud, 1); }

std::mutex g_peersMutex;
std::vector<TDevicePeer*> g_peers;

}  // namespace

void TDevicePeer::TakeBeforeLineChange(int slaveFd)
{
    struct stat st {};
    if (::fstat(slaveFd, &st) != 0 || !S_ISCHR(st.st_mode))
        return;
    std::lock_guard<std::mutex> peers(g_peersMutex);
    for (TDevicePeer* peer : g_peers) {
        if (peer->m_slaveDevice != st.st_rdev)
            continue;
        int master;
        {
            std::lock_guard<std::mutex> lock(peer->m_mutex);
            master = peer->m_master;
        }
        if (master >= 0 && peer->takeInput(master)) {
            char c = 0;
            [[maybe_unused]] auto r = ::write(peer->m_wake[1], &c, 1);
        }
    }
}

TDevicePeer::TDevicePeer()
{
    // No descriptor of the peer goes into a program started meanwhile: one
    // that kept the master open would keep the line up after Vanish.
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
    m_slaveKeep = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    ::tcgetattr(m_slaveKeep, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_slaveKeep, TCSANOW, &t);
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        throw std::runtime_error("no pipe");
    struct stat st {};
    if (::fstat(m_slaveKeep, &st) == 0)
        m_slaveDevice = st.st_rdev;
    {
        std::lock_guard<std::mutex> peers(g_peersMutex);
        g_peers.push_back(this);
    }
    m_thread = std::thread([this] { run(); });
}

TDevicePeer::~TDevicePeer()
{
    {
        std::lock_guard<std::mutex> peers(g_peersMutex);
        g_peers.erase(std::remove(g_peers.begin(), g_peers.end(), this), g_peers.end());
    }
    m_stop = true;
    char c = 0;
    [[maybe_unused]] auto r = ::write(m_wake[1], &c, 1);
    m_thread.join();
    ::close(m_wake[0]);
    ::close(m_wake[1]);
    if (m_master >= 0)
        ::close(m_master);
    if (m_slaveKeep >= 0)
        ::close(m_slaveKeep);
}

void TDevicePeer::MapPort(const QString& settingsFile, int comNumber) const
{
    TIniFile(settingsFile).WriteString(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(comNumber), m_slavePath);
}

void TDevicePeer::SetHandler(Handler h)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_handler = std::move(h);
}

void TDevicePeer::SetLineHandler(LineHandler h)
{
    SetHandler([this, h](const QByteArray& piece) {
        QByteArray out;
        for (char c : piece) {
            if (c == '\r') {
                out += h(m_lineBuffer);
                m_lineBuffer.clear();
            } else {
                m_lineBuffer += c;
            }
        }
        return out;
    });
}

void TDevicePeer::SetDevice(std::shared_ptr<IPeerDevice> device)
{
    SetHandler([this, device](const QByteArray& piece) {
        device->Receive(piece, *this);
        return QByteArray();
    });
}

void TDevicePeer::After(int ms, std::function<bool()> action)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_scheduled.append({nowNs() + qint64(ms) * 1000000, std::move(action)});
    }
    char c = 0;
    [[maybe_unused]] auto r = ::write(m_wake[1], &c, 1);
}

void TDevicePeer::ClearScheduled()
{
    std::lock_guard<std::mutex> running(m_actionMutex);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_scheduled.clear();
}

int TDevicePeer::runScheduled()
{
    std::lock_guard<std::mutex> running(m_actionMutex);
    QList<Scheduled> due;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const qint64 now = nowNs();
        for (qsizetype i = 0; i < m_scheduled.size();) {
            if (m_scheduled[i].dueNs <= now)
                due.append(m_scheduled.takeAt(i));
            else
                ++i;
        }
    }
    // Run without the lock: actions write.
    for (Scheduled& s : due)
        if (!s.action()) {
            s.dueNs = nowNs() + 1000000;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_scheduled.append(std::move(s));
        }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_scheduled.isEmpty())
        return 1000;
    qint64 next = m_scheduled.first().dueNs;
    for (const Scheduled& s : m_scheduled)
        next = qMin(next, s.dueNs);
    const qint64 leftNs = next - nowNs();
    return leftNs <= 0 ? 0 : int(qMin<qint64>((leftNs + 999999) / 1000000, 1000));
}

void TDevicePeer::AnswerIdentification(const QByteArray& reply)
{
    SetLineHandler([reply](const QByteArray& line) { return line == "{+}h" ? reply + '\r' : QByteArray(); });
}

void TDevicePeer::SetPaced(bool on) { m_paced = on; }

QList<TDevicePeer::Departure> TDevicePeer::Departures() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_departures;
}

void TDevicePeer::queueOut(const QByteArray& bytes)
{
    if (!m_paced) {
        m_outbox += bytes;
        return;
    }
    m_toProgramFreeNs = qMax(nowNs(), m_toProgramFreeNs) + lineNs(bytes.size(), SlaveBaud());
    m_onLine.append({m_toProgramFreeNs, bytes});
}

qint64 TDevicePeer::nextDueNs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    qint64 due = -1;
    if (!m_pieces.isEmpty())
        due = m_pieces.first().dueNs;
    if (!m_onLine.isEmpty())
        due = due < 0 ? m_onLine.first().first : qMin(due, m_onLine.first().first);
    return due < 0 ? -1 : qMax<qint64>(due - nowNs(), 0);
}

void TDevicePeer::Write(const QByteArray& bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        queueOut(bytes);
    }
    char c = 0;
    [[maybe_unused]] auto r = ::write(m_wake[1], &c, 1);
}

bool TDevicePeer::AllWritten() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_outbox.isEmpty();
}

int TDevicePeer::Baud() const
{
    const int baud = m_pieceBaud;
    return baud ? baud : SlaveBaud();
}

int TDevicePeer::SlaveBaud() const
{
    termios t{};
    if (m_slaveKeep < 0 || ::tcgetattr(m_slaveKeep, &t) != 0)
        return 0;
    return speedToBaud(::cfgetospeed(&t));
}

QByteArray TDevicePeer::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

QList<TDevicePeer::Arrival> TDevicePeer::Arrivals() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_arrivals;
}

void TDevicePeer::ClearReceived()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
    m_arrivals.clear();
}

bool TDevicePeer::WaitForBytes(int n, int ms) const
{
    QElapsedTimer clock;
    clock.start();
    while (Received().size() < n) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

void TDevicePeer::Vanish()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_master < 0)
        return;
    m_vanishAsked = true;
    char c = 0;
    [[maybe_unused]] auto r = ::write(m_wake[1], &c, 1);
    m_vanished.wait(lock, [this] { return m_master < 0; });
}

void TDevicePeer::StopReadingAfter(qsizetype n)
{
    m_readLimit = n;
    char c = 0;
    [[maybe_unused]] auto r = ::write(m_wake[1], &c, 1);
}

bool TDevicePeer::Vanished() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_master < 0;
}

void TDevicePeer::flushOutbox(int)
{
    // The descriptor is read under the lock: Vanish may have closed it, and
    // its number may belong to another file by now.
    std::lock_guard<std::mutex> lock(m_mutex);
    const int master = m_master;
    if (master < 0)
        return;
    const qint64 now = nowNs();
    while (!m_onLine.isEmpty() && m_onLine.first().first <= now)
        m_outbox += m_onLine.takeFirst().second;
    qsizetype done = 0;
    while (done < m_outbox.size()) {
        const ssize_t n = ::write(master, m_outbox.constData() + done, size_t(m_outbox.size() - done));
        if (n <= 0)
            break;  // full: wait for room
        done += n;
    }
    // Kept for a paced line only (the timing is what a benchmark reads);
    // an unpaced peer of a long run would otherwise grow with every byte.
    const qint64 sent = nowNs();
    if (m_paced)
        for (qsizetype i = 0; i < done; ++i)
            m_departures.append({sent, m_outbox[i]});
    m_outbox.remove(0, done);
}

void TDevicePeer::run()
{
    while (!m_stop) {
        int master;
        bool pendingOut;
        {
            // Not while the program's thread reads the master side for a
            // line change: its number may belong to another file once closed.
            std::lock_guard<std::mutex> reading(m_readMutex);
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_vanishAsked && m_master >= 0) {
                ::close(m_master);
                m_master = -1;
                m_vanished.notify_all();
            }
            master = m_master;
            pendingOut = !m_outbox.isEmpty();
        }
        const int timeoutMs = runScheduled();
        if (master >= 0) {
            // What the actions wrote goes out at once.
            flushOutbox(master);
            std::lock_guard<std::mutex> lock(m_mutex);
            pendingOut = !m_outbox.isEmpty();
        }
        bool full;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            full = inputFull();
        }
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {master, short((full ? 0 : POLLIN) | (pendingOut ? POLLOUT : 0)), 0}};
        const int nfds = master >= 0 ? 2 : 1;
        // Paced bytes are due to the nanosecond, not the millisecond.
        qint64 waitNs = qint64(timeoutMs) * 1000000;
        if (const qint64 due = nextDueNs(); due >= 0)
            waitNs = qMin(waitNs, due);
        const timespec wait{time_t(waitNs / 1000000000), long(waitNs % 1000000000)};
        if (::ppoll(fds, nfds_t(nfds), &wait, nullptr) <= 0) {
            if (nextDueNs() != 0)
                continue;
            fds[0].revents = fds[1].revents = 0;
        }
        if (fds[0].revents & POLLIN) {
            char c[64];
            [[maybe_unused]] auto r = ::read(m_wake[0], c, sizeof c);
        }
        if (nfds < 2)
            continue;
        flushOutbox(master);
        const bool took = (fds[1].revents & POLLIN) && takeInput(master);
        QList<Piece> pieces;
        Handler handler;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const qint64 now = nowNs();
            while (!m_pieces.isEmpty() && m_pieces.first().dueNs <= now)
                pieces.append(m_pieces.takeFirst());
            handler = m_handler;
        }
        if (pieces.isEmpty()) {
            // Readable with nothing to read: the far side hung up.
            if ((fds[1].revents & POLLIN) && !took)
                ::usleep(1000);
            continue;
        }
        if (handler) {
            for (const Piece& piece : pieces) {
                m_pieceBaud = piece.baud;
                const QByteArray answer = handler(piece.bytes);
                m_pieceBaud = 0;
                if (!answer.isEmpty()) {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    queueOut(answer);
                }
            }
            flushOutbox(master);
        }
    }
}

bool TDevicePeer::takeInput(int master)
{
    std::lock_guard<std::mutex> reading(m_readMutex);
    char buf[4096];
    bool any = false;
    for (;;) {
        qsizetype room = sizeof buf;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (inputFull())
                return any;
            if (m_readLimit >= 0)
                room = qMin(room, m_readLimit - m_received.size());
        }
        const ssize_t n = ::read(master, buf, size_t(room));
        if (n <= 0)
            return any;
        any = true;
        const QByteArray piece(buf, int(n));
        const qint64 t = nowNs();
        const int baud = SlaveBaud();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received += piece;
        for (char c : piece)
            m_arrivals.append({t, baud, c});
        qint64 due = t;
        if (m_paced) {
            m_toDeviceFreeNs = qMax(t, m_toDeviceFreeNs) + lineNs(piece.size(), baud);
            due = m_toDeviceFreeNs;
        }
        m_pieces.append({piece, baud, due});
    }
}
