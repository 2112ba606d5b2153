#pragma once

#include <QString>
#include <optional>

// Identification of a device from its reply to "{+}h\r".
struct TDeviceId {
    int family = 0;
    int variant = 0;
};

// Reads family (characters 2-3, counted from 1 at the '#') and variant
// (characters 8-9); a field that is not a number reads as 0. When the family
// is below 1 (the scan: exactly 0) both are read again from characters 4-5 and
// 10-11.
TDeviceId ReadDeviceId(const QString& idReply, bool forScan);

struct TDeviceMatch {
    QString suffix;  // appended to the reply in the connect list
    QString panel;   // panel the port selection shows; empty: none
};
// The device table. nullopt: unknown, not counted as found.
std::optional<TDeviceMatch> LookupDevice(TDeviceId id, bool forScan);
