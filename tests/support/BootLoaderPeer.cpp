#include "support/BootLoaderPeer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

const QByteArray kStartCommand = QByteArrayLiteral("{+}fwupdate\r");

enum class Phase { Start, Header, Block, Done };

} // namespace

struct TBootLoaderPeer::State {
    int blockSize;
    Script script;

    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    bool startPending = false;  // "3" due once the line runs at 115200

    Phase phase = Phase::Start;
    QByteArray buffer;
    qsizetype offset = 0;        // bytes read so far
    qsizetype startIndex = -1;   // last byte of the start command
    qsizetype transferIndex = -1;  // first header byte
    bool headerOk = false;
    int announced = -1;
    int received = 0;
    int faults = 0;
    QList<quint8> checksums;
    QMap<int, int> rejected;
    QByteArray flash;
    int afterEnd = 0;

    std::thread watcher;

    // Everything below runs on the peer's thread with mutex held.
    QByteArray onByte(char c)
    {
        switch (phase) {
        case Phase::Start:
            buffer += c;
            if (buffer.size() > 64)
                buffer.remove(0, buffer.size() - 64);
            if (!buffer.endsWith(kStartCommand))
                return {};
            buffer.clear();
            startIndex = offset;
            transferIndex = offset + 1;
            phase = Phase::Header;
            if (script.silentAtStart)
                return {};
            if (script.startAt115200Only) {
                startPending = true;
                wake.notify_all();
                return {};
            }
            return "3";
        case Phase::Header: {
            buffer += c;
            if (buffer.size() < 3)
                return {};
            const quint8 low = quint8(buffer[0]), high = quint8(buffer[1]);
            headerOk = quint8(low + high) == quint8(buffer[2]);
            announced = low | (high << 8);
            buffer.clear();
            phase = announced > 0 ? Phase::Block : Phase::Done;
            return {};
        }
        case Phase::Block:
            buffer += c;
            return buffer.size() == blockSize + 1 ? onBlock() : QByteArray();
        case Phase::Done:
            ++afterEnd;
            return {};
        }
        return {};
    }

    QByteArray onBlock()
    {
        const int k = int(flash.size() / blockSize);  // the block under way
        ++received;
        quint8 sum = 0;
        for (int i = 0; i < blockSize; ++i)
            sum = quint8(sum + quint8(buffer[i]));
        const quint8 checksum = quint8(buffer[blockSize]);
        checksums.append(checksum);
        const QByteArray data = buffer.left(blockSize);
        buffer.clear();

        if (sum != checksum) {
            ++faults;
            return "1";
        }
        if (k == script.silentAtBlock) {
            phase = Phase::Done;
            return {};
        }
        if (rejected[k] < script.rejections.value(k)) {
            ++rejected[k];
            return "1";
        }
        flash += data;
        if (k == script.unknownAtBlock) {
            phase = Phase::Done;
            return QByteArray(1, script.unknownChar);
        }
        if (k == script.doubleAnswerAtBlock)
            return "10";
        if (k == script.completeAfterBlock || (script.completeAtEnd && k + 1 == announced)) {
            phase = Phase::Done;
            return "2";
        }
        return "0";
    }
};

TBootLoaderPeer::TBootLoaderPeer(TDevicePeer& peer, int blockSize, Script script)
    : m_peer(peer), m_state(std::make_shared<State>())
{
    m_state->blockSize = blockSize;
    m_state->offset = peer.Arrivals().size();
    m_state->script = std::move(script);

    // The handler holds the state, so a piece still being handled when this
    // object goes away does no harm.
    std::shared_ptr<State> state = m_state;
    peer.SetHandler([state](const QByteArray& piece) {
        std::lock_guard<std::mutex> lock(state->mutex);
        QByteArray answer;
        for (char c : piece) {
            answer += state->onByte(c);
            ++state->offset;
        }
        return answer;
    });

    // Sends the held-back "3" once the program has switched the line.
    m_state->watcher = std::thread([state, &peer] {
        std::unique_lock<std::mutex> lock(state->mutex);
        for (;;) {
            state->wake.wait(lock, [&] { return state->stop || state->startPending; });
            if (state->stop)
                return;
            lock.unlock();
            const bool ready = peer.SlaveBaud() == 115200;
            if (ready)
                peer.Write("3");
            else
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            lock.lock();
            if (ready)
                state->startPending = false;
        }
    });
}

TBootLoaderPeer::~TBootLoaderPeer()
{
    m_peer.SetHandler(nullptr);
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->stop = true;
    }
    m_state->wake.notify_all();
    m_state->watcher.join();
}

int TBootLoaderPeer::StartBaud() const
{
    qsizetype index;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        index = m_state->startIndex;
    }
    const QList<TDevicePeer::Arrival> arrivals = m_peer.Arrivals();
    return index >= 0 && index < arrivals.size() ? arrivals[index].baud : 0;
}

QSet<int> TBootLoaderPeer::TransferBauds() const
{
    qsizetype first;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        first = m_state->transferIndex;
    }
    QSet<int> rates;
    if (first < 0)
        return rates;
    const QList<TDevicePeer::Arrival> arrivals = m_peer.Arrivals();
    for (qsizetype i = first; i < arrivals.size(); ++i)
        rates.insert(arrivals[i].baud);
    return rates;
}

bool TBootLoaderPeer::HeaderOk() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->headerOk;
}

int TBootLoaderPeer::AnnouncedBlocks() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->announced;
}

int TBootLoaderPeer::BlocksReceived() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->received;
}

int TBootLoaderPeer::ChecksumFaults() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->faults;
}

QList<quint8> TBootLoaderPeer::Checksums() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->checksums;
}

QByteArray TBootLoaderPeer::Flash() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->flash;
}

int TBootLoaderPeer::BytesAfterEnd() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->afterEnd;
}
