#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <optional>

class TTextFileSlot;

// Rules of the five-channel unit's sequence program and of its .plc files.
// No widgets here: the rules are shared by the panel and by tests.

// The file dialog of both file operations.
// Its filter in the language in force.
QString PlcFilter();
// Its titles; translated where they are shown (context "PlcSequence").
inline constexpr char kPlcSaveTitle[] = QT_TRANSLATE_NOOP("PlcSequence", "... speichern unter?");
inline constexpr char kPlcLoadTitle[] = QT_TRANSLATE_NOOP("PlcSequence", "... laden aus?");

// A step taken from one file line holds at most this many characters.
constexpr int kPlcStepLimit = 1000;
// Pause after every step line sent by a load.
constexpr int kPlcLoadPauseMs = 200;

// A unit holds 50 steps; a listing adds its END and LOOP marks. A file with
// more usable lines than that is no sequence of a unit.
constexpr int kPlcMaxFileSteps = 52;

// The name as chosen, with ".plc" appended when its last path component has
// no dot.
QString WithPlcExtension(const QString& fileName);

// The step a file line holds: the text after its first "=", at most
// kPlcStepLimit characters; nothing for a line without "=". The step is not
// checked: whatever stands there is what the unit gets.
std::optional<QString> PlcStepOf(const QString& line);

// Whether a received line ends the unit's listing: "OK" by itself, blanks and
// the receive marker aside. A step or an action that merely contains "OK"
// ("LOOK") does not.
bool PlcListingEnds(const QString& line);

// Reads the file open for reading in slot to its end (or to the first fault)
// and says why it cannot be loaded: more usable lines than a unit holds, or a
// control character other than a tab in a line. Empty when it can be loaded.
// The slot is left open at wherever the reading stopped.
QString PlcFileRefusal(TTextFileSlot& slot);

// "{+}PLCset=" + step + CR: one step for the unit to place.
QString PlcSetCommand(const QString& step);
// The step of the "set" button: time, channel and action, comma-separated.
QString PlcStep(int time, int channel, const QString& action);

// Sends every step of the file open for reading in slot, from its current
// line to its end, and closes the slot. After each sent line pause() runs.
// Returns the number of lines sent.
int SendPlcSteps(TTextFileSlot& slot, const std::function<void(const QString&)>& send,
                 const std::function<void()>& pause);
