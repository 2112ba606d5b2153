#include "app/ProgramInfo.h"

#include "app/Language.h"

namespace {

const char kProgramName[] = "VelmorServiceSoftware";

const char kProgramHelp[] =
    R"(Usage: VelmorServiceSoftware [OPTION]...

Opens the service window for the Vigilo, Quintra and Zerbo devices and the
GPS logger on an RS-232 line: finds and identifies the device on the chosen
serial port (COM1 .. COM24), reads and changes its settings, switches its
outputs, loads new firmware and converts the logger's recordings. Everything
else is chosen in the window.

Options:
  --lang CODE    the language of the window for this run: de (German, the
                 default) or en (English); overrides the choice made in the
                 menu "Sprache / Language", which is kept in the settings file
  -h, --help     this text
  --version      the program's version

Qt's own options (-platform NAME, -style NAME, -geometry WxH+X+Y, ...) are
passed to Qt; other arguments are ignored.
)";

}  // namespace

QByteArray VersionAnswer(const char* program)
{
    const QByteArray name(program);
    const QByteArray package = name == kProgramName ? QByteArray() : QByteArray(" (") + kProgramName + ')';
    return name + package + ' ' + kProgramVersion + '\n';
}

TProgramStart ParseProgramArguments(const QStringList& arguments)
{
    TProgramStart start;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            start.answer = QByteArray(kProgramHelp);
            return start;
        }
        if (argument == QLatin1String("--version")) {
            start.answer = VersionAnswer(kProgramName);
            return start;
        }
        // A wrong language is reported, not replaced by German: whoever
        // typed it expects that language.
        std::optional<QString> code;
        if (argument == QLatin1String("--lang"))
            code = i + 1 < arguments.size() ? arguments[++i] : QString();
        else if (argument.startsWith(QLatin1String("--lang=")))
            code = argument.mid(7);
        if (!code || start.error)
            continue;
        if (LanguageFromCode(*code))
            start.language = code->toLower();
        else if (code->isEmpty())
            start.error = QByteArray(kProgramName) + ": --lang needs a language: de or en\n";
        else
            start.error =
                QByteArray(kProgramName) + ": unknown language '" + code->toLocal8Bit() + "' for --lang: de or en\n";
    }
    return start;
}

std::optional<QByteArray> ProgramTerminalAnswer(const QStringList& arguments)
{
    return ParseProgramArguments(arguments).answer;
}
