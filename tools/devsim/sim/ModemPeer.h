#pragma once

#include "sim/DevicePeer.h"
#include "sim/PeerDevice.h"

#include <QByteArray>
#include <QList>

#include <memory>

// What a TModemPeer is and does.
struct TModemScript {
    QByteArray maker = "Velmor Mobile";  // answer to AT+CGMI
    QByteArray model = "VM-9600";        // answer to AT+CGMM
    int linkBaud = 9600;                 // rate of the call, in "CONNECT"
    bool answerCall = true;              // false: the far end does not pick up
    // Silence needed before and after "+++" for it to count as the escape
    // (so that "+++" inside data does not break the link).
    int guardMs = 1000;
};

// Plays a mobile phone on the far side of a pseudo-terminal, with a device
// at the other end of the call. In command mode it answers lines ended by
// CR: "AT" with OK, "AT+CGMI" and "AT+CGMM" with the maker and the model,
// "ATD<number>" with "CONNECT <rate>" (the call is up and the link in data
// mode), "ATO" back to data mode, "ATH" with OK and the call ended (the
// device's side of the call reports "NO CARRIER" to it), anything else
// starting with AT with ERROR; results are framed by CR LF and not echoed.
// In data mode every byte passes unchanged to the device and every byte of
// the device to the program, until "+++" framed by the guard silence brings
// the phone back to command mode with OK (the call stays up).
class TModemPeer {
public:
    using Script = TModemScript;

    // Installs itself as the peer's handler; the peer must outlive it.
    TModemPeer(TDevicePeer& peer, std::shared_ptr<IPeerDevice> remote, Script script = {});
    ~TModemPeer();

    bool CallUp() const;
    bool DataMode() const;               // call up and bytes passing through
    QByteArray Dialled() const;          // number of the last ATD
    QList<QByteArray> Commands() const;  // command lines received, in order
    // Everything that reached the device at the far end, the "NO CARRIER"
    // of a hang-up included.
    QByteArray RemoteReceived() const;

    // The call breaks down: nothing passes any more; with report the phone
    // tells the program "NO CARRIER", otherwise it stays silent.
    void DropCall(bool report);

private:
    struct State;
    TDevicePeer& m_peer;
    std::shared_ptr<State> m_state;
};
