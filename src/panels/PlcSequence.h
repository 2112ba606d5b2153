#pragma once

#include <QString>

#include <functional>
#include <optional>

class TTextFileSlot;

// Rules of the five-channel unit's sequence program and of its .plc files.
// No widgets here: the rules are shared by the panel and by tests.

// The file dialog of both file operations.
inline const QString kPlcFilter = QStringLiteral("PLC-Datei(*.plc)|*.plc");
inline const QString kPlcSaveTitle = QStringLiteral("... save as?");
inline const QString kPlcLoadTitle = QStringLiteral("... load from?");

// A step taken from one file line holds at most this many characters.
constexpr int kPlcStepLimit = 1000;
// Pause after every step line sent by a load.
constexpr int kPlcLoadPauseMs = 200;

// The name as chosen, with ".plc" appended when its last path component has
// no dot.
QString WithPlcExtension(const QString& fileName);

// The step a file line holds: the text after its first "=", at most
// kPlcStepLimit characters; nothing for a line without "=". The step is not
// checked: whatever stands there is what the unit gets.
std::optional<QString> PlcStepOf(const QString& line);

// "{+}PLCset=" + step + CR: one step for the unit to place.
QString PlcSetCommand(const QString& step);
// The step of the "set" button: time, channel and action, comma-separated.
QString PlcStep(int time, int channel, const QString& action);

// Sends every step of the file open for reading in slot, from its current
// line to its end, and closes the slot. After each sent line pause() runs.
// Returns the number of lines sent.
int SendPlcSteps(TTextFileSlot& slot, const std::function<void(const QString&)>& send,
                 const std::function<void()>& pause);
