// velmor-convert: converts a recorded NMEA file into MapPoint, Kartex,
// MagicMaps or GPX, exactly as the program's converter buttons do, or prints
// the summary the track view shows.
#include "app/ProgramInfo.h"
#include "gps/NmeaConvert.h"
#include "gps/TrackSummary.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTranslator>

#include <cstdio>
#include <cstring>

namespace {

// The usage text; the formats and their extensions come from the format
// rows, so that a new format shows here by itself.
QByteArray Usage()
{
    QStringList extensions, names;
    for (TExportFormat f : ExportFormats()) {
        extensions << FormatInfo(f).extension;
        names << FormatInfo(f).name;
    }
    const QString lastName = names.takeLast();
    return QStringLiteral("Usage: velmor-convert --format %1 INPUT [OUTPUT]\n"
                          "       velmor-convert --summary [--json] INPUT\n"
                          "\n"
                          "Converts the NMEA file INPUT. OUTPUT defaults to INPUT with its extension\n"
                          "replaced by that of the format (%2); \"-\" writes to standard\n"
                          "output. --summary prints the numbers of the recording instead (fixes, lines\n"
                          "skipped, times, distance, speeds, ranges, gaps), --json as a JSON object.\n"
                          "Exit status 0 on success, 1 when a file cannot be read or written,\n"
                          "2 for a wrong command line.\n"
                          "\n"
                          "Options:\n"
                          "  --format NAME  output format: %3 or %4\n"
                          "  --summary      print the summary of the recording instead of converting\n"
                          "  --json         with --summary: the summary as a JSON object\n"
                          "  -h, --help     this text\n"
                          "  --version      the program's version\n")
        .arg(FormatNames(), extensions.join(QStringLiteral(", ")), names.join(QStringLiteral(", ")), lastName)
        .toUtf8();
}

int UsageError(const char* message)
{
    std::fprintf(stderr, "velmor-convert: %s (try --help)\n", message);
    return 2;
}

QString Argument(const char* text) { return QFile::decodeName(QByteArray(text)); }

int PrintSummary(const QString& input, bool json)
{
    TTrack track;
    if (const int error = LoadTrack(input, track, false)) {
        std::fprintf(stderr, "velmor-convert: %s: cannot read: %s\n", QFile::encodeName(input).constData(),
                     std::strerror(error));
        return 1;
    }
    const QByteArray text =
        json ? SummaryJson(track.summary) : SummaryLines(track.summary).join(QLatin1Char('\n')).toUtf8() + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

// The summary's texts are the window's, German in the sources: the tool
// prints them in English, from the program's catalogue.
static void UseEnglishTexts(QTranslator& english)
{
    Q_INIT_RESOURCE(velmor_i18n);
    if (english.load(QStringLiteral("velmor_en"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&english);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTranslator english;
    UseEnglishTexts(english);
    const char* formatName = nullptr;
    bool summary = false, json = false;
    QStringList files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (optionsEnded || a[0] != '-' || a[1] == '\0') {
            files << Argument(a);
        } else if (std::strcmp(a, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            std::fputs(Usage().constData(), stdout);
            return 0;
        } else if (std::strcmp(a, "--version") == 0) {
            std::fputs(VersionAnswer("velmor-convert").constData(), stdout);
            return 0;
        } else if (std::strcmp(a, "--format") == 0) {
            if (++i >= argc)
                return UsageError("--format needs a value");
            formatName = argv[i];
        } else if (std::strncmp(a, "--format=", 9) == 0) {
            formatName = a + 9;
        } else if (std::strcmp(a, "--summary") == 0) {
            summary = true;
        } else if (std::strcmp(a, "--json") == 0) {
            json = true;
        } else {
            std::fprintf(stderr, "velmor-convert: unknown option %s (try --help)\n", a);
            return 2;
        }
    }
    if (json && !summary)
        return UsageError("--json goes with --summary");
    if (summary) {
        if (formatName)
            return UsageError("--summary and --format exclude each other");
        if (files.isEmpty())
            return UsageError("no input file given");
        if (files.size() > 1)
            return UsageError("too many file names");
        return PrintSummary(files[0], json);
    }
    if (!formatName)
        return UsageError("no --format given");
    TExportFormat format;
    if (!FormatFromName(QString::fromLatin1(formatName), format)) {
        std::fprintf(stderr, "velmor-convert: unknown format %s (try --help)\n", formatName);
        return 2;
    }
    if (files.isEmpty())
        return UsageError("no input file given");
    if (files.size() > 2)
        return UsageError("too many file names");

    const QString input = files[0];
    const QString output = files.size() > 1 ? files[1] : OutputFileName(input, FormatInfo(format).extension);
    const TConvertResult result = ConvertNmeaFile(input, output, format);
    const QByteArray name = QFile::encodeName(result.fileName);
    switch (result.status) {
    case TConvertResult::Ok:
        return 0;
    case TConvertResult::SameFile:
        std::fprintf(stderr, "velmor-convert: %s: output would overwrite the input file\n", name.constData());
        return 1;
    case TConvertResult::InputFailed:
        std::fprintf(stderr, "velmor-convert: %s: cannot read: %s\n", name.constData(), std::strerror(result.error));
        return 1;
    case TConvertResult::OutputFailed:
        std::fprintf(stderr, "velmor-convert: %s: cannot write: %s\n", name.constData(), std::strerror(result.error));
        return 1;
    }
    return 1;
}
