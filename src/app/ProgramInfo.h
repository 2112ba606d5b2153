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

// What the program's command line (without the program name) asks for before
// any window exists.
struct TProgramStart {
    // Text for standard output, after which the program ends with status 0:
    // --help or -h, --version.
    std::optional<QByteArray> answer;
    // A line for standard error, after which the program ends with status 2:
    // --lang without a value or with a language the program does not have.
    std::optional<QByteArray> error;
    // The language code given with --lang CODE or --lang=CODE ("de", "en"),
    // empty when none was given.
    QString language;
};
TProgramStart ParseProgramArguments(const QStringList& arguments);

// ParseProgramArguments(arguments).answer: the text asked for, or nothing
// when the window opens. Anything else, Qt's own options included, opens the
// window as before.
std::optional<QByteArray> ProgramTerminalAnswer(const QStringList& arguments);
