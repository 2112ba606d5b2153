// The port list's network entries: entries whose "Ports" value is an
// rfc2217:// or socket:// address.
#include "app/UnitMain.h"
#include "serial/NetPinDialog.h"
#include "serial/PortLink.h"
#include "widgets/RadioGroup.h"

QString TPortLink::entryHint(int n, const TPortPresence& p) const
{
    const QString path = devicePath(n);
    if (!LooksLikeNetAddress(path))
        return PresenceHint(p);
    const TNetAddress a = ParseNetAddress(path);
    const QString kind = a.kind == TNetAddress::Kind::Socket
                             ? tr("Netzwerkport, TCP ohne Steuerung: es gelten die Einstellungen des Servers")
                             : tr("Netzwerkport, RFC 2217: Rate und Steuerleitungen vom Programm");
    const bool here = m_main.ComPort.Connected() && TComPort::ComNumberOf(m_main.ComPort.Port()) == n;
    return path.trimmed() + u'\n' + kind + u'\n'
           + (here ? tr("erreichbar: verbunden") : tr("noch nicht verbunden; erreichbar zeigt erst die Auswahl"));
}

bool TPortLink::entryPresent(int n, const TPortPresence& p) const
{
    // A network entry is there until a connection to it failed.
    return p.Present() || (LooksLikeNetAddress(devicePath(n)) && !m_trouble.contains(n));
}

void TPortLink::pinNetwork(int n, const QString& current)
{
    TNetPinDialog dialog(portName(n), current, m_main.RadioGroupCOM());
    if (dialog.exec() == QDialog::Accepted)
        store(n, dialog.Address().Text());
}
