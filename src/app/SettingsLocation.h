#pragma once

#include <QString>

// Where the program keeps its settings file.
//
// A copy run from a folder keeps the file beside the program, as it always
// has. An installed program (its folder is not writable, or it lies in the
// bin folder of an installation prefix that holds its desktop entry) keeps
// "VelmorServiceSoftware.ini" in the user's configuration directory instead:
// $XDG_CONFIG_HOME/VelmorServiceSoftware/, by default
// ~/.config/VelmorServiceSoftware/. A settings file beside the program always
// wins, so an existing set-up goes on being used.

// What the choice depends on, gathered from the system by SettingsFactsFor().
struct TSettingsFacts {
    QString programPath;         // full path of the executable
    bool besideExists = false;   // a settings file lies beside the program
    bool folderWritable = true;  // the program's folder may be written to
    bool installed = false;      // <prefix>/bin with <prefix>/share/applications/<desktop entry>
    QString xdgConfigHome;       // $XDG_CONFIG_HOME (ignored unless absolute)
    QString home;                // the user's home directory (ignored unless absolute)
};

// The rule itself, without looking at the system. When neither the
// configuration directory nor the home directory is known, the file beside
// the program is used (writing it may then fail, which the program survives).
QString SettingsFileFor(const TSettingsFacts& facts);

// The facts for a program path as this process sees them.
TSettingsFacts SettingsFactsFor(const QString& programPath);

// SettingsFileFor(SettingsFactsFor(programPath)).
QString SettingsFileForProgram(const QString& programPath);

// Name of the desktop entry an installation puts into share/applications.
QString DesktopEntryName();

// Creates the folder the settings file goes into, and missing folders above
// it, with mode 0700 (the configuration directory of a new user does not
// exist yet). True when the folder exists afterwards.
bool MakeSettingsFolder(const QString& settingsFile);
