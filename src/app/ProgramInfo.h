#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

// What the project's programs say about themselves on the terminal: the
// version line every program prints for --version, and the program's own
// answers to --help and --version, which it gives before any window exists.

// The version of this build (the project's version, set once in the build).
inline constexpr char kProgramVersion[] = VELMOR_VERSION;

// "PROGRAM (VelmorServiceSoftware) VERSION" and a line break, for the program
// itself "VelmorServiceSoftware VERSION": the answer of every program of the
// project to --version.
QByteArray VersionAnswer(const char* program);

// The program's answer on standard output (it then ends with status 0) when
// its command line (without the program name) asks for text: --help or -h,
// --version. Anything else, Qt's own options included, opens the window as
// before: no answer.
std::optional<QByteArray> ProgramTerminalAnswer(const QStringList& arguments);
