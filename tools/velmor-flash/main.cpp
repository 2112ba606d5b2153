// velmor-flash: loads a firmware file (.rom) into devices over serial
// lines, with the same block procedure as the program's firmware dialogs,
// for scripts and production lines. One device: one outcome line on standard
// output, a progress bar on standard error when that is a terminal, one exit
// status per outcome. Several devices (--device): all at once, a row each, a
// table at the end; --station keeps flashing units as they are plugged in.
#include "ExitStatus.h"
#include "FlashBatch.h"
#include "FlashBoard.h"
#include "FlashJob.h"
#include "FlashReport.h"
#include "FlashTrack.h"
#include "Interrupts.h"
#include "ProgressBar.h"
#include "app/IniFile.h"
#include "app/ProgramInfo.h"
#include "app/SettingsLocation.h"
#include "firmware/FlashProcedure.h"
#include "firmware/RomImage.h"
#include "serial/ComPort.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

const char kHelp[] = R"(Usage: velmor-flash [OPTIONS] DEVICE FILE.rom
  or:  velmor-flash [OPTIONS] --device DEVICE [--device DEVICE ...] FILE.rom
  or:  velmor-flash [OPTIONS] --devices ComA-ComB [--report FILE] FILE.rom
  or:  velmor-flash [OPTIONS] --station --device DEVICE [...] FILE.rom

Loads the firmware file FILE.rom into the device on DEVICE with the block
procedure of the firmware update dialogs: "{+}fwupdate" and CR at the start
rate, the port switched to 115200 bit/s, the start character "3" awaited
(4 s), then every block with its checksum, each acknowledged within 10 s; a
rejected block goes out at most three times. The port is returned to 9600
bit/s at the end.

DEVICE is a device path (/dev/ttyUSB0; a relative one such as ./ttyUSB0 is
taken from the working folder, a bare name such as ttyUSB0 from /dev) or a
port name Com1 .. Com24 (any case), mapped to a device as the program maps it: Com1-Com4 /dev/ttyS0-3,
Com5-Com14 /dev/ttyUSB0-9, Com15-Com24 /dev/ttyACM0-9, unless the settings
file's section [Ports] names another device (Com3=/dev/...). A device
server on the network is rfc2217://HOST:PORT (RFC 2217: the rate switch goes
to the server) or socket://HOST:PORT (raw TCP: the server's rate applies, so
only --csd or a start rate of 115200 can run there), given directly or in
[Ports].

Options:
  --block N          block size: 64 (Zerbo), 128 (default) or 256 (Vigilo-GSM)
  --start-rate NAME  rate the start command goes out at: 110 .. 256000,
                     default 9600 (38400 for the Lupino; 115200 for a boot
                     loader that already listens at 115200)
  --csd              update over a modem call already up on DEVICE: the port
                     keeps the start rate throughout, both waits are 5 s
  --settings FILE    settings file for Com names; default: the one the
                     window uses, VelmorServiceSoftware.ini beside this tool,
                     or when installed ~/.config/VelmorServiceSoftware/
  --identify         ask the device "{+}h" at the start rate first (0.5 s)
                     and keep its reply for the report
  --report FILE      append one JSON line per device and attempt to FILE:
                     time, device, path, by_id, adapter_serial, file,
                     file_size, sha256, block_size, start_rate, outcome,
                     status, duration_s, bytes, blocks_repeated (and error,
                     identification); a report that cannot be written ends
                     the call before any device is touched (status 9)
  -h, --help         this text
  --version          the program's version

Several devices:
  --device DEVICE    flash this device too (repeatable); all devices given
                     are flashed at the same time, each with its own waits
                     and retries. FILE.rom is then the only argument
  --devices A-B      the ports ComA .. ComB, e.g. Com5-Com12
  --station          keep running: flash a device whenever it appears on one
                     of the given ports (its device path exists), and again
                     only after it has been removed (its path gone). The
                     file is read once at the start. A device that has
                     just appeared is tried for up to 2 s before its unit
                     fails (udev setting its mode, ModemManager probing it)

Signals, in every form: the first SIGINT (Ctrl+C) or SIGTERM lets the
transfers under way finish and starts no new one; a second one, or SIGHUP
(the terminal closed), cuts them. Every transfer begun gets its report line,
"cut" where it was cut.

With several devices, a row per device shows its progress (redrawn on a
terminal; one line per event otherwise) and a table at the end lists
device, outcome, time, bytes and blocks repeated. The exit status is 0
only when every device succeeded, else that of the most serious outcome:
9, 8, 130, 6, 5, 4, 7, 3, 21, 20 in this order.

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
   9  the report cannot be written
  10  the file cannot be opened or read
  11  the file holds more than 65536 data lines
  12  the file holds no data line, or a data line that is no hexadecimal
      number of one to eight digits (nothing is sent)
  20  DEVICE does not exist
  21  DEVICE cannot be opened (busy: held by another program; no
      permission)
 130  the transfer was cut (a second SIGINT or SIGTERM, or SIGHUP)
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

// Reads the file once, into image and content; 0 when it can be sent, else
// the exit status.
int LoadFile(const QString& path, TRomImage& image, QByteArray& content)
{
    QFile file(path);
    TRomResult loaded;
    if (!QFileInfo(path).isDir() && file.open(QIODevice::ReadOnly)) {
        content = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            loaded.status = TRomLoad::ReadError;
            loaded.errorText = file.errorString();
        } else {
            QBuffer buffer(&content);
            buffer.open(QIODevice::ReadOnly);
            loaded = LoadRom(buffer, image);
        }
    } else {
        // Opened by the reader itself for the system's error number.
        loaded = LoadRomFile(path, image);
    }
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

TInterrupts g_interrupts;

// How long a station tries a device that has just appeared before the unit
// fails.
constexpr int kStationSettleMs = 2000;

// The tool speaks English. The texts it shares with the window (what a busy
// device is told by) are German in the sources, as the window's are: their
// English comes from the window's catalogue, for those texts alone; the
// dialogs' outcome texts stay as scripts know them.
class TSharedTexts final : public QTranslator {
public:
    bool Load() { return m_catalogue.load(QStringLiteral(":/i18n/velmor_en")); }
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        if (qstrcmp(context, "PortBusy") != 0)
            return QString();
        return m_catalogue.translate(context, source, disambiguation, n);
    }
    bool isEmpty() const override { return m_catalogue.isEmpty(); }

private:
    QTranslator m_catalogue;
};

// The ports ComA .. ComB of "ComA-ComB"; empty when it is no such range.
QStringList PortRange(const QString& range)
{
    const QStringList ends = range.split(u'-');
    if (ends.size() != 2)
        return {};
    const int first = TComPort::ComNumberOf(ends[0]);
    const int last = TComPort::ComNumberOf(ends[1]);
    if (first == 0 || last < first)
        return {};
    QStringList ports;
    for (int n = first; n <= last; ++n)
        ports.append(QStringLiteral("Com%1").arg(n));
    return ports;
}

// The one device of the original form, shown as it always was. The job runs
// on a thread of its own, so that the interrupts are seen while it waits for
// the device: the first lets it finish, a second one or a hang-up cuts it.
int RunOne(const QString& device, const TFlashSetup& setup, TFlashReport& report)
{
    std::optional<TProgressBar> bar;
    if (::isatty(STDERR_FILENO))
        bar.emplace(stderr);
    TFlashTrack track;
    TFlashResult result;
    std::unique_ptr<QThread> job(
        StartJobThread([&] { result = TFlashJob(device, setup).Run(&track, stdout, bar ? &*bar : nullptr); }));
    bool endingShown = false;
    while (!job->wait(TFlashBatch::kTickMs)) {
        if (g_interrupts.Cutting()) {
            track.cut = true;
        } else if (g_interrupts.Ending() && !endingShown) {
            endingShown = true;
            if (bar)
                bar->Break();
            Error(QStringLiteral("ending once the transfer under way is done; Ctrl+C again cuts it"));
        }
    }
    int status = result.status;
    switch (result.status) {
    case ExitDeviceMissing:
    case ExitDeviceNotOpened:
        Error(device + QStringLiteral(": ") + result.outcome);
        break;
    default:
        if (result.status == ExitLineFailed && result.sent == 0 && result.total == 0 && !result.error.isEmpty()
            && result.outcome == QLatin1String("start command not sent")) {
            Error(QStringLiteral("start command not sent: %1").arg(result.error));
            break;
        }
        std::fprintf(stdout, "%s\n", result.outcome.toUtf8().constData());
        std::fflush(stdout);
        if (!result.error.isEmpty())
            Error(QStringLiteral("the line failed during the update: %1").arg(result.error));
    }
    if (const QString why = report.Append(result); !why.isEmpty()) {
        Error(QStringLiteral("report: %1; FAILED (no record written)").arg(why));
        status = MoreSerious(status, ExitReportUnwritable);
    }
    return status;
}

int Run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption helpMan(QStringLiteral("help-man"));  // for the manual page only
    const QCommandLineOption block(QStringLiteral("block"), QString(), QStringLiteral("N"), QStringLiteral("128"));
    const QCommandLineOption startRate(QStringLiteral("start-rate"), QString(), QStringLiteral("NAME"),
                                       QStringLiteral("9600"));
    const QCommandLineOption csd(QStringLiteral("csd"));
    const QCommandLineOption settings(QStringLiteral("settings"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption startWait(QStringLiteral("start-wait-ms"), QString(), QStringLiteral("MS"));
    const QCommandLineOption ackWait(QStringLiteral("ack-wait-ms"), QString(), QStringLiteral("MS"));
    const QCommandLineOption device(QStringLiteral("device"), QString(), QStringLiteral("DEVICE"));
    const QCommandLineOption devices(QStringLiteral("devices"), QString(), QStringLiteral("A-B"));
    const QCommandLineOption station(QStringLiteral("station"));
    const QCommandLineOption identify(QStringLiteral("identify"));
    const QCommandLineOption reportFile(QStringLiteral("report"), QString(), QStringLiteral("FILE"));
    parser.addOptions({help, helpMan, version, block, startRate, csd, settings, startWait, ackWait, device, devices,
                       station, identify, reportFile});
    if (!parser.parse(arguments))
        return Usage(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(kHelp, stdout);
        return ExitOk;
    }
    if (parser.isSet(helpMan)) {
        // The same text for help2man, which makes a section of its own of
        // a heading between asterisks.
        std::fputs(QString::fromUtf8(kHelp)
                       .replace(QStringLiteral("\nExit status:\n"), QStringLiteral("\n*Exit status*\n"))
                       .toUtf8()
                       .constData(),
                   stdout);
        return ExitOk;
    }
    if (parser.isSet(version)) {
        std::fputs(VersionAnswer("velmor-flash").constData(), stdout);
        return ExitOk;
    }
    QStringList named = parser.values(device);
    for (const QString& range : parser.values(devices)) {
        const QStringList ports = PortRange(range);
        if (ports.isEmpty())
            return Usage(QStringLiteral("--devices needs a range ComA-ComB, not '%1'").arg(range));
        named += ports;
    }
    const bool many = !named.isEmpty();
    const QStringList args = parser.positionalArguments();
    if (many && args.size() != 1)
        return Usage(QStringLiteral("expected FILE.rom only, the devices given with --device"));
    if (!many && args.size() != 2)
        return Usage(QStringLiteral("expected DEVICE and FILE.rom"));
    if (parser.isSet(station) && !many)
        return Usage(QStringLiteral("--station needs the ports with --device or --devices"));
    if (!many)
        named = {args[0]};
    const QString romPath = args.last();

    TFlashSetup setup;
    setup.blockSize = parser.value(block).toInt();
    if (setup.blockSize != 64 && setup.blockSize != 128 && setup.blockSize != 256)
        return Usage(QStringLiteral("block size must be 64, 128 or 256, not '%1'").arg(parser.value(block)));
    setup.startRate = BaudRateFromName(parser.value(startRate));
    if (setup.startRate == TBaudRate::brCustom
        || BaudRateName(setup.startRate).compare(parser.value(startRate), Qt::CaseInsensitive) != 0)
        return Usage(QStringLiteral("unknown rate '%1'").arg(parser.value(startRate)));
    setup.config = parser.isSet(csd) ? ModemFlashConfig : SerialFlashConfig;
    for (const auto& [option, limit] :
         {std::pair{&startWait, &setup.config.startWaitMs}, {&ackWait, &setup.config.ackWaitMs}})
        if (parser.isSet(*option)) {
            *limit = Milliseconds(parser.value(*option));
            if (*limit == 0)
                return Usage(QStringLiteral("--%1 needs 1 .. 600000").arg(option->names().first()));
        }
    setup.settingsFile =
        parser.isSet(settings)
            ? parser.value(settings)
            : SettingsFileForProgram(
                QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("VelmorServiceSoftware")));
    setup.identify = parser.isSet(identify);
    if (parser.isSet(station))
        setup.settleMs = kStationSettleMs;

    // The same device twice would have two jobs fight over one line.
    QList<TFlashBatch::TPortName> ports;
    {
        TComPort resolver;
        resolver.SetSettingsFile(setup.settingsFile);
        QSet<QString> seen;
        for (const QString& name : named) {
            const QString path = resolver.DevicePathFor(name);
            const QString canonical = QFileInfo(path).canonicalFilePath();
            const QString key = canonical.isEmpty() ? path : canonical;
            if (seen.contains(key))
                return Usage(QStringLiteral("%1 given twice (%2)").arg(name, key));
            seen.insert(key);
            ports.append({name, path});
        }
    }

    // From here on every signal that would end the process is seen, so that
    // a unit begun always gets its record.
    CatchInterrupts(g_interrupts);

    TRomImage image;
    QByteArray content;
    if (const int status = LoadFile(romPath, image, content))
        return status;
    setup.image = &image;

    TFlashReport report;
    if (parser.isSet(reportFile)) {
        TFlashReport::TFirmware firmware;
        firmware.file = QFileInfo(romPath).absoluteFilePath();
        firmware.size = content.size();
        firmware.sha256 = QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex();
        firmware.blockSize = setup.blockSize;
        firmware.startRate = BaudRateName(setup.startRate);
        qint64 room = 0;
        for (const TFlashBatch::TPortName& port : ports)
            room += TFlashReport::LineRoom(port.device, port.path, setup.identify, firmware);
        if (const QString why = report.Open(parser.value(reportFile), firmware, room); !why.isEmpty()) {
            Error(QStringLiteral("report %1 cannot be written: %2").arg(parser.value(reportFile), why));
            return ExitReportUnwritable;
        }
    }

    if (!many)
        return RunOne(named[0], setup, report);

    // On a terminal the rows are redrawn on standard error; otherwise they
    // are a log on standard output. The table goes to standard output.
    const bool live = ::isatty(STDERR_FILENO);
    TFlashBoard board(live ? stderr : stdout, live);
    TFlashBatch::TOptions options;
    options.station = parser.isSet(station);
    options.firmwareFile = romPath;
    if (options.station)
        board.Message(QStringLiteral("velmor-flash: %1 read once (%2 bytes, SHA-256 %3); a change on disk takes "
                                     "effect at the next start")
                          .arg(romPath)
                          .arg(content.size())
                          .arg(QString::fromLatin1(
                              QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex().left(16))));
    TFlashBatch batch(ports, setup, options, board, report, g_interrupts);
    const int status = batch.Run();
    // The table below takes the board's place on the same terminal.
    if (live && ::isatty(STDOUT_FILENO))
        board.Close();
    const auto terminal = TFlashBoard::TerminalSize(STDOUT_FILENO);
    const QByteArray table = TFlashBoard::Table(batch.Results(), terminal ? terminal->columns : 0);
    std::fwrite(table.constData(), 1, size_t(table.size()), stdout);
    std::fflush(stdout);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TSharedTexts texts;
    if (texts.Load())
        QCoreApplication::installTranslator(&texts);
    try {
        return Run(QCoreApplication::arguments());
    } catch (const std::exception& e) {
        Error(QString::fromLocal8Bit(e.what()));
        return ExitUnexpected;
    }
}
