#include "sim/BootLoaderPeer.h"

namespace {

const QByteArray kStartCommand = QByteArrayLiteral("{+}fwupdate\r");

}  // namespace

TBootLoader::TBootLoader(int blockSize, Script script) : m_blockSize(blockSize), m_script(std::move(script)) {}

void TBootLoader::Receive(const QByteArray& piece, IPeerLine& line)
{
    QByteArray now, late;  // late: the answers to blocks, when they are delayed
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (char c : piece) {
            const bool block = m_phase == Phase::Block;
            (block && m_script.ackDelayMs > 0 ? late : now) += onByte(c, line);
        }
    }
    if (!now.isEmpty())
        line.Write(now);
    if (!late.isEmpty())
        line.After(m_script.ackDelayMs, [&line, late] {
            line.Write(late);
            return true;
        });
}

QByteArray TBootLoader::onByte(char c, IPeerLine& line)
{
    if (m_phase == Phase::Header || m_phase == Phase::Block)
        m_transferBauds.insert(line.Baud());
    switch (m_phase) {
    case Phase::Start:
        m_buffer += c;
        if (m_buffer.size() > 64)
            m_buffer.remove(0, m_buffer.size() - 64);
        if (!m_buffer.endsWith(kStartCommand))
            return {};
        m_buffer.clear();
        m_startBaud = line.Baud();
        m_phase = Phase::Header;
        if (m_script.silentAtStart)
            return {};
        if (m_script.startAt115200Only) {
            // Sent once the program has switched the line.
            line.After(0, [&line] {
                if (line.Baud() != 115200)
                    return false;
                line.Write("3");
                return true;
            });
            return {};
        }
        return "3";
    case Phase::Header: {
        m_buffer += c;
        if (m_buffer.size() < 3)
            return {};
        const quint8 low = quint8(m_buffer[0]), high = quint8(m_buffer[1]);
        m_headerOk = quint8(low + high) == quint8(m_buffer[2]);
        m_announced = low | (high << 8);
        m_buffer.clear();
        m_phase = m_announced > 0 ? Phase::Block : Phase::Done;
        return {};
    }
    case Phase::Block:
        m_buffer += c;
        return m_buffer.size() == m_blockSize + 1 ? onBlock() : QByteArray();
    case Phase::Done:
        ++m_afterEnd;
        return {};
    }
    return {};
}

QByteArray TBootLoader::onBlock()
{
    const int k = int(m_flash.size() / m_blockSize);  // the block under way
    ++m_received;
    if (k == m_script.faultyBlock)
        m_buffer[0] = char(m_buffer[0] ^ 0x10);
    quint8 sum = 0;
    for (int i = 0; i < m_blockSize; ++i)
        sum = quint8(sum + quint8(m_buffer[i]));
    const quint8 checksum = quint8(m_buffer[m_blockSize]);
    m_checksums.append(checksum);
    const QByteArray data = m_buffer.left(m_blockSize);
    m_buffer.clear();

    if (sum != checksum) {
        ++m_faults;
        return "1";
    }
    if (k == m_script.silentAtBlock) {
        m_phase = Phase::Done;
        return {};
    }
    if (m_rejected[k] < m_script.rejections.value(k)) {
        ++m_rejected[k];
        return "1";
    }
    m_flash += data;
    if (k == m_script.unknownAtBlock) {
        m_phase = Phase::Done;
        return QByteArray(1, m_script.unknownChar);
    }
    if (k == m_script.doubleAnswerAtBlock)
        return "10";
    if (k == m_script.completeAfterBlock || (m_script.completeAtEnd && k + 1 == m_announced)) {
        m_phase = Phase::Done;
        return "2";
    }
    return "0";
}

int TBootLoader::StartBaud() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_startBaud;
}

QSet<int> TBootLoader::TransferBauds() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_transferBauds;
}

bool TBootLoader::HeaderOk() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_headerOk;
}

int TBootLoader::AnnouncedBlocks() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_announced;
}

int TBootLoader::BlocksReceived() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

int TBootLoader::ChecksumFaults() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults;
}

QList<quint8> TBootLoader::Checksums() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_checksums;
}

QByteArray TBootLoader::Flash() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_flash;
}

int TBootLoader::BytesAfterEnd() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_afterEnd;
}

bool TBootLoader::Started() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_phase != Phase::Start;
}

bool TBootLoader::Finished() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_phase == Phase::Done;
}

TBootLoaderPeer::TBootLoaderPeer(TDevicePeer& peer, int blockSize, Script script)
    : m_peer(peer), m_loader(std::make_shared<TBootLoader>(blockSize, std::move(script)))
{
    peer.SetDevice(m_loader);
}

TBootLoaderPeer::~TBootLoaderPeer()
{
    m_peer.SetHandler(nullptr);
    m_peer.ClearScheduled();
}
