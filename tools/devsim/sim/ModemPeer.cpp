#include "sim/ModemPeer.h"

#include <chrono>
#include <mutex>

namespace {

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QByteArray result(const QByteArray& text) { return "\r\n" + text + "\r\n"; }

}  // namespace

// The call as the device at the far end sees it: its bytes reach the program
// only while the link is in data mode.
struct TModemPeer::State : IPeerLine, std::enable_shared_from_this<State> {
    TDevicePeer& peer;
    std::shared_ptr<IPeerDevice> remote;
    Script script;

    mutable std::recursive_mutex mutex;
    bool callUp = false;
    bool dataMode = false;
    QByteArray line;  // command line under assembly
    QByteArray dialled;
    QList<QByteArray> commands;
    QByteArray remoteReceived;
    qint64 lastDataMs = 0;
    int escapePluses = 0;  // "+" held back as a possible escape
    int escapeRound = 0;

    State(TDevicePeer& p, std::shared_ptr<IPeerDevice> r, Script s)
        : peer(p), remote(std::move(r)), script(std::move(s))
    {}

    // --- IPeerLine: the device's end of the call ---
    void Write(const QByteArray& bytes) override
    {
        std::lock_guard<std::recursive_mutex> lock(mutex);
        if (dataMode)
            peer.Write(bytes);
    }
    void After(int ms, std::function<bool()> action) override
    {
        // The state stays alive until the action has run.
        peer.After(ms, [self = shared_from_this(), action = std::move(action)] { return action(); });
    }
    int Baud() const override { return script.linkBaud; }

    // --- the program's side ---
    void fromProgram(const QByteArray& piece)
    {
        std::lock_guard<std::recursive_mutex> lock(mutex);
        if (dataMode)
            data(piece);
        else
            command(piece);
    }

    void toRemote(const QByteArray& bytes)
    {
        remoteReceived += bytes;
        if (remote)
            remote->Receive(bytes, *this);
    }

    void data(const QByteArray& piece)
    {
        const qint64 now = nowMs();
        const bool silentBefore = now - lastDataMs >= script.guardMs;
        lastDataMs = now;
        const bool pluses = piece.count('+') == piece.size();
        if (pluses && escapePluses + piece.size() <= 3 && (escapePluses > 0 || silentBefore)) {
            escapePluses += int(piece.size());
            if (escapePluses == 3) {
                const int round = ++escapeRound;
                After(script.guardMs, [this, round] {
                    std::lock_guard<std::recursive_mutex> lock(mutex);
                    if (round == escapeRound && escapePluses == 3) {
                        escapePluses = 0;
                        dataMode = false;
                        peer.Write(result("OK"));
                    }
                    return true;
                });
            }
            return;
        }
        QByteArray bytes = QByteArray(escapePluses, '+') + piece;
        escapePluses = 0;
        ++escapeRound;
        toRemote(bytes);
    }

    void command(const QByteArray& piece)
    {
        for (char c : piece) {
            if (c == '\r') {
                const QByteArray cmd = line.trimmed().toUpper();
                line.clear();
                if (!cmd.isEmpty())
                    execute(cmd);
            } else if (c != '\n') {
                line += c;
            }
        }
    }

    void execute(const QByteArray& cmd)
    {
        commands.append(cmd);
        if (!cmd.startsWith("AT"))
            return;
        if (cmd == "AT") {
            peer.Write(result("OK"));
        } else if (cmd == "AT+CGMI") {
            peer.Write(result(script.maker) + result("OK"));
        } else if (cmd == "AT+CGMM") {
            peer.Write(result(script.model) + result("OK"));
        } else if (cmd.startsWith("ATD")) {
            dialled = cmd.mid(3).trimmed();
            if (callUp || !script.answerCall) {
                peer.Write(result(callUp ? "ERROR" : "NO CARRIER"));
                return;
            }
            connect();
        } else if (cmd == "ATO" || cmd == "ATO0") {
            if (callUp)
                connect();
            else
                peer.Write(result("NO CARRIER"));
        } else if (cmd == "ATH" || cmd == "ATH0") {
            peer.Write(result("OK"));
            if (callUp) {
                callUp = false;
                toRemote(result("NO CARRIER"));
            }
        } else {
            peer.Write(result("ERROR"));
        }
    }

    void connect()
    {
        callUp = true;
        dataMode = true;
        lastDataMs = nowMs();
        escapePluses = 0;
        peer.Write(result("CONNECT " + QByteArray::number(script.linkBaud)));
    }
};

TModemPeer::TModemPeer(TDevicePeer& peer, std::shared_ptr<IPeerDevice> remote, Script script)
    : m_peer(peer), m_state(std::make_shared<State>(peer, std::move(remote), std::move(script)))
{
    std::shared_ptr<State> state = m_state;
    peer.SetHandler([state](const QByteArray& piece) {
        state->fromProgram(piece);
        return QByteArray();
    });
}

TModemPeer::~TModemPeer()
{
    m_peer.SetHandler(nullptr);
    m_peer.ClearScheduled();
}

bool TModemPeer::CallUp() const
{
    std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
    return m_state->callUp;
}

bool TModemPeer::DataMode() const
{
    std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
    return m_state->dataMode;
}

QByteArray TModemPeer::Dialled() const
{
    std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
    return m_state->dialled;
}

QList<QByteArray> TModemPeer::Commands() const
{
    std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
    return m_state->commands;
}

QByteArray TModemPeer::RemoteReceived() const
{
    std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
    return m_state->remoteReceived;
}

void TModemPeer::DropCall(bool report)
{
    std::lock_guard<std::recursive_mutex> lock(m_state->mutex);
    const bool wasUp = m_state->callUp;
    m_state->callUp = false;
    m_state->dataMode = false;
    m_state->escapePluses = 0;
    if (wasUp && report)
        m_peer.Write(result("NO CARRIER"));
}
