#pragma once

#include "sim/PeerDevice.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <sys/types.h>

// Plays a device on the far side of a pseudo-terminal. The program opens the
// slave side as its serial port (through the "Ports" override of its settings
// file); the peer owns the master side, records every byte the program writes
// with its arrival time and line rate, and answers from its own thread, as a
// real device would while the program is busy.
class TDevicePeer : public IPeerLine {
public:
    struct Arrival {
        qint64 ns;  // monotonic arrival time
        int baud;   // line rate the slave side was set to when the byte was read
        char byte;
    };
    // A byte the peer handed to the program, and when.
    struct Departure {
        qint64 ns;  // monotonic
        char byte;
    };
    // Called on the peer's thread with each piece the program wrote; returns
    // what the device answers at once (may be empty).
    using Handler = std::function<QByteArray(const QByteArray& piece)>;
    // Called with each CR-ended line the program wrote (without the CR).
    using LineHandler = std::function<QByteArray(const QByteArray& line)>;

    TDevicePeer();
    ~TDevicePeer() override;

    QString SlavePath() const { return m_slavePath; }
    // Points ComN of the settings file at this peer.
    void MapPort(const QString& settingsFile, int comNumber) const;

    void SetHandler(Handler h);
    // Makes device answer everything the program writes (replaces the handler).
    void SetDevice(std::shared_ptr<IPeerDevice> device);
    void SetLineHandler(LineHandler h);
    // Answers every identification request with reply + CR.
    void AnswerIdentification(const QByteArray& reply);

    // Queues bytes for the program; the peer's thread writes them as the
    // line takes them.
    void Write(const QByteArray& bytes) override;
    bool AllWritten() const;
    void After(int ms, std::function<bool()> action) override;
    // While a piece is handled, the rate it was written at; otherwise the
    // slave side's rate now.
    int Baud() const override;
    // Drops every action not yet run; waits for one that is running.
    void ClearScheduled();

    // Makes the line take the time a real one takes at the rate the slave
    // side is set to (ten bits a byte): each byte the program writes reaches
    // the device one byte time after the one before it, or after it was
    // written when the line was idle; an answer reaches the program once its
    // own bytes have had their line time. Off, the pseudo-terminal passes
    // everything at once.
    void SetPaced(bool on);
    // What the peer handed to the program, in order, while paced.
    QList<Departure> Departures() const;

    QByteArray Received() const;
    QList<Arrival> Arrivals() const;
    void ClearReceived();
    // Processes the program's events until at least n bytes arrived or ms passed.
    bool WaitForBytes(int n, int ms = 2000) const;

    // Stops reading what the program writes once n bytes have arrived in all
    // since the last ClearReceived (negative: reads everything, the default):
    // what it writes after that
    // piles up in the line until its writes block.
    void StopReadingAfter(qsizetype n);

    // Closes the master side: the adapter is unplugged. Returns once the
    // program's side is hung up. The pseudo-terminal's number stays taken
    // until the peer is destroyed, so that no other peer, in this process or
    // another, gets the path the program still has mapped and may open again.
    void Vanish();
    bool Vanished() const;

    // Current line rate of the slave side.
    int SlaveBaud() const;

    // Takes at once what the program has written so far, at the present rate.
    // Runs before every change of a slave side's line settings in this
    // process, so each byte counts at the rate it was written at even when
    // the peer's thread has not come round to reading it yet.
    static void TakeBeforeLineChange(int slaveFd);

private:
    struct Scheduled {
        qint64 dueNs;
        std::function<bool()> action;
    };

    // Read from the program, with the rate it was written at and when the
    // device has it (at once unless paced).
    struct Piece {
        QByteArray bytes;
        int baud;
        qint64 dueNs;
    };

    void run();
    // Reads what has arrived and records it; returns whether anything came.
    bool takeInput(int master);
    void flushOutbox(int master);
    // Bytes for the program: into the outbox, or onto the paced line. Under m_mutex.
    void queueOut(const QByteArray& bytes);
    // Runs the actions that are due; returns the poll time-out until the next.
    int runScheduled();
    // Nanoseconds until the next paced piece or answer is due; -1: none.
    qint64 nextDueNs() const;

    int m_master = -1;
    int m_slaveKeep = -1;  // keeps the slave open so the master never hangs up
    // Vanish asks the peer's thread to close the master, under the read lock,
    // so its number is never read after it was reused.
    bool m_vanishAsked = false;
    std::condition_variable m_vanished;
    QString m_slavePath;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QByteArray m_received;
    QList<Arrival> m_arrivals;
    Handler m_handler;
    QByteArray m_lineBuffer;
    QByteArray m_outbox;
    // Read, not yet handed to the handler.
    QList<Piece> m_pieces;
    std::atomic<bool> m_paced{false};
    // Paced: when each direction of the line is free again, and the answers
    // on their way with the time they arrive. Under m_mutex.
    qint64 m_toDeviceFreeNs = 0;
    qint64 m_toProgramFreeNs = 0;
    QList<std::pair<qint64, QByteArray>> m_onLine;
    QList<Departure> m_departures;
    std::atomic<int> m_pieceBaud{0};  // rate of the piece being handled, or 0
    std::atomic<qsizetype> m_readLimit{-1};
    // Whether the read limit is reached; under m_mutex.
    bool inputFull() const { return m_readLimit >= 0 && m_received.size() >= m_readLimit; }
    std::mutex m_readMutex;  // one reader of the master side at a time
    dev_t m_slaveDevice = 0;
    QList<Scheduled> m_scheduled;
    std::mutex m_actionMutex;  // held while actions run
};
