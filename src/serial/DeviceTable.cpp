#include "serial/DeviceTable.h"

namespace {

// Two characters from position pos (1-based) as a decimal number, 0 if not one.
int field(const QString& s, int pos)
{
    const QString t = s.mid(pos - 1, 2).trimmed();
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    return ok ? v : 0;
}

}  // namespace

TDeviceId ReadDeviceId(const QString& idReply, bool forScan)
{
    TDeviceId id{field(idReply, 2), field(idReply, 8)};
    if (forScan ? id.family == 0 : id.family < 1)
        id = {field(idReply, 4), field(idReply, 10)};
    return id;
}

std::optional<TDeviceMatch> LookupDevice(TDeviceId id, bool forScan)
{
    switch (id.family) {
    case 1:
        if (id.variant == 0)
            return TDeviceMatch{QStringLiteral("  (= Vigilo)"), QStringLiteral("Vigilo")};
        if (id.variant == 1)
            return TDeviceMatch{QStringLiteral("  (= Vigilo-GSM)"), QStringLiteral("VigiloGSM")};
        return std::nullopt;
    case 3:
        return TDeviceMatch{QStringLiteral("  (= Quintra)"), QStringLiteral("Quintra")};
    case 9:
        return TDeviceMatch{QStringLiteral("  (= Zerbo)"), QStringLiteral("Zerbo")};
    case 31:
        if (forScan)
            return TDeviceMatch{QStringLiteral("  (= Brakka)"), QString()};
        return std::nullopt;
    case 70:
        return TDeviceMatch{QStringLiteral("  (= Orvel-TeleService)"), QStringLiteral("VigiloGSM")};
    case 80:
        return TDeviceMatch{QStringLiteral("  (= Trakka)"), QStringLiteral("GPSDataLogger")};
    case 81:
        return TDeviceMatch{QStringLiteral("  (= Lokari)"), QStringLiteral("Lokari")};
    default:
        return std::nullopt;
    }
}
