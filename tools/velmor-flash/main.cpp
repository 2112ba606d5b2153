// velmor-flash: loads a firmware file (.rom) into a device over a serial
// line, with the same block procedure as the program's firmware dialogs,
// for scripts and production lines. One outcome line on standard output, a
// progress bar on standard error when that is a terminal, one exit status
// per outcome.
#include "ConsoleFlashHost.h"
#include "ProgressBar.h"
#include "app/IniFile.h"
#include "app/ProgramInfo.h"
#include "firmware/FlashProcedure.h"
#include "firmware/RomImage.h"
#include "serial/ComPort.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

enum ExitStatus : int {
    ExitOk = 0,
    ExitUnexpected = 1,
    ExitUsage = 2,
    ExitNoStart = 3,
    ExitNoAck = 4,
    ExitWrongAck = 5,
    ExitTooManyRetries = 6,
    ExitNoCompletion = 7,
    ExitLineFailed = 8,
    ExitFileUnreadable = 10,
    ExitFileTooLarge = 11,
    ExitFileContent = 12,
    ExitDeviceMissing = 20,
    ExitDeviceNotOpened = 21,
};

const char kHelp[] = R"(Usage: velmor-flash [OPTIONS] DEVICE FILE.rom

Loads the firmware file FILE.rom into the device on DEVICE with the block
procedure of the firmware update dialogs: "{+}fwupdate" and CR at the start
rate, the port switched to 115200 bit/s, the start character "3" awaited
(4 s), then every block with its checksum, each acknowledged within 10 s; a
rejected block goes out at most three times. The port is returned to 9600
bit/s at the end.

DEVICE is a device path (/dev/ttyUSB0) or a port name Com1 .. Com24 (any
case), mapped to a device as the program maps it: Com1-Com4 /dev/ttyS0-3,
Com5-Com14 /dev/ttyUSB0-9, Com15-Com24 /dev/ttyACM0-9, unless the settings
file's section [Ports] names another device (Com3=/dev/...).

Options:
  --block N          block size: 64 (Zerbo), 128 (default) or 256 (Vigilo-GSM)
  --start-rate NAME  rate the start command goes out at: 110 .. 256000,
                     default 9600 (38400 for the Lupino; 115200 for a boot
                     loader that already listens at 115200)
  --csd              update over a modem call already up on DEVICE: the port
                     keeps the start rate throughout, both waits are 5 s
  --settings FILE    settings file for Com names; default: the program's
                     settings file beside this tool, VelmorServiceSoftware.ini
  -h, --help         this text
  --version          the program's version

For tests of the tool only:
  --start-wait-ms MS, --ack-wait-ms MS   shorter waits for "3" and for each
                     block's answer

Output: the outcome on standard output, as the dialogs show it, and the
retry notices before it ("ab Byte 128 - 2. Versuch"); a progress bar with
bytes per second and time left on standard error when that is a terminal;
errors on standard error.

Exit status:
   0  Firmware-Update OK
   1  unexpected error
   2  wrong options or arguments
   3  Firmware-Update fehlerhaft (Startzeichen fehlt ...)
   4  Firmware-Update fehlerhaft (no ACK)
   5  Firmware-Update fehlerhaft (wrong ACK)
   6  Firmware-Update fehlerhaft (zuviel Wiederholungen)
   7  Firmware-Update fehlerhaft (???)
   8  the line failed during the update (write error, port not reopened)
  10  the file cannot be opened or read
  11  the file holds more than 65536 data lines
  12  the file holds no data line, or a data line that is no hexadecimal
      number of one to eight digits (nothing is sent)
  20  DEVICE does not exist
  21  DEVICE cannot be opened (in use by another program, no permission)
)";

void Error(const QString& text) { std::fprintf(stderr, "velmor-flash: %s\n", text.toUtf8().constData()); }

int Usage(const QString& text)
{
    Error(text);
    std::fputs("Try 'velmor-flash --help'.\n", stderr);
    return ExitUsage;
}

// A positive number of milliseconds, at most ten minutes; 0 when not one.
int Milliseconds(const QString& text)
{
    bool ok = false;
    const int ms = text.toInt(&ok);
    return ok && ms > 0 && ms <= 600000 ? ms : 0;
}

int OutcomeStatus(TFlashOutcome outcome)
{
    switch (outcome) {
    case TFlashOutcome::Ok:
        return ExitOk;
    case TFlashOutcome::NoStart:
        return ExitNoStart;
    case TFlashOutcome::NoAck:
        return ExitNoAck;
    case TFlashOutcome::WrongAck:
        return ExitWrongAck;
    case TFlashOutcome::TooManyRetries:
        return ExitTooManyRetries;
    case TFlashOutcome::NoCompletion:
        return ExitNoCompletion;
    }
    return ExitUnexpected;
}

// Reads the file; 0 when it can be sent, else the exit status.
int LoadFile(const QString& path, TRomImage& image)
{
    const TRomResult loaded = LoadRomFile(path, image);
    switch (loaded.status) {
    case TRomLoad::Ok:
        break;
    case TRomLoad::CannotOpen:
        Error(QStringLiteral("Fehler bei Dateizugriff (%1): %2 (%3)")
                  .arg(loaded.error)
                  .arg(path, QString::fromLocal8Bit(std::strerror(loaded.error))));
        return ExitFileUnreadable;
    case TRomLoad::ReadError:
        Error(QStringLiteral("%1: %2").arg(path, loaded.errorText));
        return ExitFileUnreadable;
    case TRomLoad::TooManyLines:
        Error(QStringLiteral("Firmware-Datei zu groß (%1): höchstens %2 Datenzeilen").arg(path).arg(RomMaxDataLines));
        return ExitFileTooLarge;
    }
    // A file the dialogs would still send, but whose image cannot be the
    // intended firmware: refused before the device is touched.
    if (image.length == 0) {
        Error(QStringLiteral("%1: no data line (no line with a colon)").arg(path));
        return ExitFileContent;
    }
    if (loaded.unreadWords > 0) {
        Error(QStringLiteral("%1: line %2 is no data line (hexadecimal number of one to eight digits after the "
                             "colon); %3 such line(s)")
                  .arg(path)
                  .arg(loaded.firstUnreadLine)
                  .arg(loaded.unreadWords));
        return ExitFileContent;
    }
    return 0;
}

// Opens DEVICE at rate; 0 when open, else the exit status.
int OpenDevice(TComPort& port, const QString& device, const QString& settingsFile, TBaudRate rate)
{
    port.SetSettingsFile(settingsFile);
    port.SetPort(device);
    const QString path = port.DevicePathFor(device);
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        Error(path == device ? QStringLiteral("%1: no such device").arg(device)
                             : QStringLiteral("%1 (%2): no such device").arg(device, path));
        return ExitDeviceMissing;
    }
    port.SetBaudRate(rate);
    port.SetFlowControlNone();
    try {
        port.Open();
        port.ClearBuffer(true, true);
    } catch (const EComPort& e) {
        const QString reason = e.PlatformCode() > 0 && e.PlatformCode() < 200
                                   ? QString::fromLocal8Bit(std::strerror(e.PlatformCode()))
                                   : QStringLiteral("in use or not permitted");
        Error(QStringLiteral("%1: %2 (%3)").arg(path, e.Message(), reason));
        return ExitDeviceNotOpened;
    }
    return 0;
}

int Run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption block(QStringLiteral("block"), QString(), QStringLiteral("N"), QStringLiteral("128"));
    const QCommandLineOption startRate(QStringLiteral("start-rate"), QString(), QStringLiteral("NAME"),
                                       QStringLiteral("9600"));
    const QCommandLineOption csd(QStringLiteral("csd"));
    const QCommandLineOption settings(QStringLiteral("settings"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption startWait(QStringLiteral("start-wait-ms"), QString(), QStringLiteral("MS"));
    const QCommandLineOption ackWait(QStringLiteral("ack-wait-ms"), QString(), QStringLiteral("MS"));
    parser.addOptions({help, version, block, startRate, csd, settings, startWait, ackWait});
    if (!parser.parse(arguments))
        return Usage(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(kHelp, stdout);
        return ExitOk;
    }
    if (parser.isSet(version)) {
        std::fputs(VersionAnswer("velmor-flash").constData(), stdout);
        return ExitOk;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2)
        return Usage(QStringLiteral("expected DEVICE and FILE.rom"));

    const int blockSize = parser.value(block).toInt();
    if (blockSize != 64 && blockSize != 128 && blockSize != 256)
        return Usage(QStringLiteral("block size must be 64, 128 or 256, not '%1'").arg(parser.value(block)));
    const TBaudRate rate = BaudRateFromName(parser.value(startRate));
    if (rate == TBaudRate::brCustom || BaudRateName(rate).compare(parser.value(startRate), Qt::CaseInsensitive) != 0)
        return Usage(QStringLiteral("unknown rate '%1'").arg(parser.value(startRate)));
    TFlashConfig config = parser.isSet(csd) ? ModemFlashConfig : SerialFlashConfig;
    for (const auto& [option, limit] : {std::pair{&startWait, &config.startWaitMs}, {&ackWait, &config.ackWaitMs}})
        if (parser.isSet(*option)) {
            *limit = Milliseconds(parser.value(*option));
            if (*limit == 0)
                return Usage(QStringLiteral("--%1 needs 1 .. 600000").arg(option->names().first()));
        }
    const QString settingsFile =
        parser.isSet(settings)
            ? parser.value(settings)
            : SettingsFilePathFor(
                QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("VelmorServiceSoftware")));

    TRomImage image;
    if (const int status = LoadFile(args[1], image))
        return status;

    TComPort port;
    if (const int status = OpenDevice(port, args[0], settingsFile, rate))
        return status;

    std::optional<TProgressBar> bar;
    if (::isatty(STDERR_FILENO))
        bar.emplace(stderr);
    TConsoleFlashHost host(port, stdout, bar ? &*bar : nullptr);
    TFlashOutcome outcome;
    try {
        outcome = RunFlash(image, blockSize, config, host);
    } catch (const EComPort& e) {
        Error(QStringLiteral("start command not sent: %1").arg(e.Message()));
        return ExitLineFailed;
    }
    host.EndProgress();
    std::fprintf(stdout, "%s\n", host.Status().toUtf8().constData());
    std::fflush(stdout);
    if (host.PortError()) {
        Error(QStringLiteral("the line failed during the update: %1").arg(host.PortError()->Message()));
        return ExitLineFailed;
    }
    return OutcomeStatus(outcome);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        return Run(QCoreApplication::arguments());
    } catch (const std::exception& e) {
        Error(QString::fromLocal8Bit(e.what()));
        return ExitUnexpected;
    }
}
