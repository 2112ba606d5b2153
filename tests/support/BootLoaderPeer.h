#pragma once

#include "support/DevicePeer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>

#include <memory>

// What a TBootLoaderPeer answers.
struct TBootLoaderScript {
    // Holds the "3" back until the slave side runs at 115200, as a loader
    // that listens at that rate only.
    bool startAt115200Only = true;
    bool silentAtStart = false;       // never sends "3"
    QMap<int, int> rejections;        // block -> times it is answered "1" first
    int silentAtBlock = -1;           // no answer to this block
    int unknownAtBlock = -1;          // this block is answered unknownChar
    char unknownChar = '?';
    int completeAfterBlock = -1;      // "2" right after this block
    bool completeAtEnd = true;        // "2" after the last announced block
    int doubleAnswerAtBlock = -1;     // this block is answered "10" in one write
};

// A device's boot loader behind a TDevicePeer. It waits for "{+}fwupdate\r",
// answers "3", takes the three header bytes (block count low, high, their
// sum) and then blocks of blockSize bytes plus a checksum. Every checksum is
// checked against the loader's own sum; a wrong one is answered "1" and
// counted as a fault. Accepted blocks are kept, in order, as its flash.
// Answers follow the script; without one it accepts every block and answers
// "2" after the last block the header announced.
class TBootLoaderPeer {
public:
    using Script = TBootLoaderScript;

    // Installs itself as the peer's handler; the peer must outlive it. The
    // rates are looked up in the peer's arrivals, which must not be cleared
    // while it is installed.
    TBootLoaderPeer(TDevicePeer& peer, int blockSize, Script script = {});
    ~TBootLoaderPeer();

    // Line rate of the slave side when the start command was read; 0 if unseen.
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

private:
    struct State;
    TDevicePeer& m_peer;
    std::shared_ptr<State> m_state;
};
