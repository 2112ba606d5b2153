#include "app/ProgramInfo.h"

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

std::optional<QByteArray> ProgramTerminalAnswer(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return QByteArray(kProgramHelp);
        if (argument == QLatin1String("--version"))
            return VersionAnswer(kProgramName);
    }
    return std::nullopt;
}
