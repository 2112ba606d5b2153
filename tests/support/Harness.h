#pragma once

#include "app/UnitMain.h"
#include "support/DevicePeer.h"
#include "support/ScriptedDialogs.h"

#include <QString>
#include <QStringList>
#include <memory>

// The message every send shows while no port is open.
inline const QString kNoPort = QStringLiteral("Please choose the COM interface ...\r\r"
                                              "Bitte erst die COM-Schnittstelle auswählen ...\r\r");

// The test program's own settings file, beside its executable.
QString TestSettingsFile();
// Writes the settings file with exactly this content (nothing: removes it).
void WriteTestSettings(const QByteArray& content);
void RemoveTestSettings();
// Writes a file with exactly these bytes (the test fails when it cannot).
void PutFile(const QString& path, const QByteArray& bytes);
// A file's bytes, or "<missing>" when it cannot be read.
QByteArray FileBytes(const QString& path);
// Lines of the message log.
QStringList LogLines(const TFormMain& form);
// Processes events for ms milliseconds.
void Pump(int ms);
// Processes events until cond holds or ms passed.
bool PumpUntil(const std::function<bool()>& cond, int ms = 2000);
