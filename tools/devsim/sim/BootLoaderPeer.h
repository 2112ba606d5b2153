#pragma once

#include "sim/DevicePeer.h"
#include "sim/PeerDevice.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>

#include <memory>
#include <mutex>

// What a TBootLoader answers.
struct TBootLoaderScript {
    // Holds the "3" back until the line runs at 115200, as a loader that
    // listens at that rate only.
    bool startAt115200Only = true;
    bool silentAtStart = false;  // never sends "3"
    QMap<int, int> rejections;   // block -> times it is answered "1" first
    int silentAtBlock = -1;      // no answer to this block
    int unknownAtBlock = -1;     // this block is answered unknownChar
    char unknownChar = '?';
    int completeAfterBlock = -1;   // "2" right after this block
    bool completeAtEnd = true;     // "2" after the last announced block
    int doubleAnswerAtBlock = -1;  // this block is answered "10" in one write
    int ackDelayMs = 0;            // every block's answer comes this late
    // A byte of this block arrives altered at every attempt (a line fault),
    // so its checksum never matches.
    int faultyBlock = -1;
};

// A device's boot loader. It waits for "{+}fwupdate\r", answers "3", takes
// the three header bytes (block count low, high, their sum) and then blocks
// of blockSize bytes plus a checksum. Every checksum is checked against the
// loader's own sum; a wrong one is answered "1" and counted as a fault.
// Accepted blocks are kept, in order, as its flash. Answers follow the
// script; without one it accepts every block and answers "2" after the last
// block the header announced.
class TBootLoader : public IPeerDevice {
public:
    using Script = TBootLoaderScript;

    TBootLoader(int blockSize, Script script = {});

    void Receive(const QByteArray& piece, IPeerLine& line) override;

    // Line rate when the start command was read; 0 if unseen.
    int StartBaud() const;
    // Line rates at which header and block bytes were read.
    QSet<int> TransferBauds() const;

    bool HeaderOk() const;            // header checksum matched
    int AnnouncedBlocks() const;      // -1 until the header is complete
    int BlocksReceived() const;       // blocks received, repeats included
    int ChecksumFaults() const;       // blocks whose checksum did not match
    QList<quint8> Checksums() const;  // checksum byte of every received block
    QByteArray Flash() const;         // accepted blocks in order
    // Bytes that came after the loader had stopped listening (after its "2",
    // its silence or an unknown answer).
    int BytesAfterEnd() const;
    // The start command was read.
    bool Started() const;
    // The loader has stopped listening: complete, silent or answered unknown.
    bool Finished() const;

private:
    enum class Phase { Start, Header, Block, Done };

    QByteArray onByte(char c, IPeerLine& line);
    QByteArray onBlock();

    const int m_blockSize;
    const Script m_script;
    mutable std::mutex m_mutex;

    Phase m_phase = Phase::Start;
    QByteArray m_buffer;
    int m_startBaud = 0;
    QSet<int> m_transferBauds;
    bool m_headerOk = false;
    int m_announced = -1;
    int m_received = 0;
    int m_faults = 0;
    QList<quint8> m_checksums;
    QMap<int, int> m_rejected;
    QByteArray m_flash;
    int m_afterEnd = 0;
};

// A boot loader on a pseudo-terminal the program opens directly.
class TBootLoaderPeer {
public:
    using Script = TBootLoaderScript;

    // Installs itself as the peer's device; the peer must outlive it.
    TBootLoaderPeer(TDevicePeer& peer, int blockSize, Script script = {});
    ~TBootLoaderPeer();

    const TBootLoader& Loader() const { return *m_loader; }
    int StartBaud() const { return m_loader->StartBaud(); }
    QSet<int> TransferBauds() const { return m_loader->TransferBauds(); }
    bool HeaderOk() const { return m_loader->HeaderOk(); }
    int AnnouncedBlocks() const { return m_loader->AnnouncedBlocks(); }
    int BlocksReceived() const { return m_loader->BlocksReceived(); }
    int ChecksumFaults() const { return m_loader->ChecksumFaults(); }
    QList<quint8> Checksums() const { return m_loader->Checksums(); }
    QByteArray Flash() const { return m_loader->Flash(); }
    int BytesAfterEnd() const { return m_loader->BytesAfterEnd(); }

private:
    TDevicePeer& m_peer;
    std::shared_ptr<TBootLoader> m_loader;
};
