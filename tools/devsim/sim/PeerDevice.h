#pragma once

#include <QByteArray>

#include <functional>

// A device's behaviour on its serial line, apart from what carries the line:
// a pseudo-terminal the program opens directly (TDevicePeer), or a modem call
// (TModemPeer) with the device at the far end. Behaviours know nothing of
// either, so that the same device can sit behind both, and in a simulator.

// The line as a device sees it. All calls come from the line's own thread,
// except Write, which any thread may call.
class IPeerLine {
public:
    virtual ~IPeerLine() = default;
    // Bytes for the program; the line sends them in order, as it takes them.
    virtual void Write(const QByteArray& bytes) = 0;
    // Runs action on the line's thread once ms have passed, and then again
    // every millisecond until it returns true.
    virtual void After(int ms, std::function<bool()> action) = 0;
    // The rate the line runs at now, in bit/s.
    virtual int Baud() const = 0;
};

class IPeerDevice {
public:
    virtual ~IPeerDevice() = default;
    // The next piece of what the program sent, in order.
    virtual void Receive(const QByteArray& piece, IPeerLine& line) = 0;
};
