#pragma once

// Whether a program runs on this PC, by the name of its executable.
//
// A process matches when the given name equals, with the letters a-z
// compared without regard to case, the file name of its executable, its
// command name, or the file name of its first argument; a name given as a
// full path also matches the executable's whole path (or a first argument
// that is that path). A given name ending
// in ".exe" also matches the same name without that ending, so that a name
// like "PROZESSNAME.exe" finds a program whose name here has no extension.
//
// A name given as a full path names a file: links are resolved on both sides,
// so that /bin/sleep and /usr/bin/sleep are one program where /bin leads to
// /usr/bin, and a script run by an interpreter ("/bin/sh watch.sh", also as
// started through its #! line) matches by the script's path, relative ones
// taken from the process's working folder.

#include <QString>
#include <QStringList>

// What the process list tells of one process.
struct TProcessInfo {
    QString exePath;
    QString command;
    // argv[0] first.
    QStringList arguments;
    QString workingDir;
};

bool ProcessMatches(const QString& name, const TProcessInfo& process);

// True when name names the process described by these three (any of them
// may be empty).
bool ProcessNameMatches(const QString& name, const QString& exePath, const QString& command,
                        const QString& firstArgument);

// Walks the process list under procRoot (one directory per process, named
// by its number). An unreadable list counts as no process running.
bool ProcessExists(const QString& exeFileName, const QString& procRoot = QStringLiteral("/proc"));
