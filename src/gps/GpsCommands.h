#pragma once

#include <QList>

#include <array>

class TFormMain;
class QAbstractButton;
class QObject;

// The logger commands that the GPS data logger panel and the tracker panel
// share. Every command is a short line sent as is; ESC is a single byte.

// ESC: byte 27 without a log line, then every capture off and the data file
// closed. The capture ends even when the byte cannot be sent.
void Button21Click(TFormMain& main);
// ERASE: only after the user confirmed "Speicher wirklich löschen?".
void BtnERAS_GPSDLClick(TFormMain& main);
void BtnO1_GPSDLClick(TFormMain& main);
void BtnO0_GPSDLClick(TFormMain& main);
// Scan resolution 1..5 ("2 s" .. "60 s"): "R1\r" .. "R5\r".
void Btn_RClick(TFormMain& main, int resolution);

// The buttons of one panel's logger command set.
struct TGpsCommandButtons {
    QAbstractButton* query = nullptr;  // "?"
    QAbstractButton* bang = nullptr;   // "!"
    QList<QAbstractButton*> list;      // run the list download
    QAbstractButton* esc = nullptr;
    QAbstractButton* erase = nullptr;
    QAbstractButton* online1 = nullptr;
    QAbstractButton* online0 = nullptr;
    std::array<QAbstractButton*, 5> resolution{};  // "2 s" .. "60 s"
    // MS-MapPoint, Kartex, MagicMaps, GPX
    std::array<QAbstractButton*, 4> convert{};
    QAbstractButton* trackView = nullptr;  // "Track ansehen"
};

// Connects every button of the set to its operation on main; context owns
// the connections.
void WireGpsCommands(TFormMain* main, QObject* context, const TGpsCommandButtons& buttons);
