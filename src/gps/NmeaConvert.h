#pragma once

#include <QString>

#include <QList>

#include <memory>

class TNmeaExport;

// The output formats of the NMEA converter.
enum class TExportFormat { MapPoint, Kartex, MagicMaps, Gpx };

// Everything about a format, one row each: what the window shows and writes,
// the name on the command line and the exporter that writes it. The panels'
// converter buttons, the converter's usage text and the tests follow the
// order of the rows.
struct TFormatInfo {
    TExportFormat format;
    QString title;      // title of the input file dialog
    QString filter;     // its filter, "description|pattern|..."
    QString extension;  // of the output file, without the dot
    QString name;       // on the command line: "mappoint", "kartex", ...
    std::unique_ptr<TNmeaExport> (*make)();
};
const TFormatInfo& FormatInfo(TExportFormat format);
// Every format, in the order of the rows.
const QList<TExportFormat>& ExportFormats();
// "mappoint|kartex|..." for usage texts.
QString FormatNames();
// The format of a command-line name; false when there is none.
bool FormatFromName(const QString& name, TExportFormat& format);

// True when the last component of path has a dot.
bool HasExtension(const QString& path);
// path with the extension of its last component (from its last dot)
// replaced by extension; a name without a dot gets "." + extension.
QString OutputFileName(const QString& input, const QString& extension);

class TLineReader;
class TLineWriter;

// The exporter that writes the given format.
std::unique_ptr<TNmeaExport> MakeExport(TExportFormat format);

// One conversion of an NMEA file: open the input, open the output, run.
// Streams line by line; memory does not depend on the file's size.
class TNmeaConversion {
public:
    // OpenOutput's answer when the output is the input file itself.
    static constexpr int kSameFile = -1;

    explicit TNmeaConversion(TExportFormat format);
    ~TNmeaConversion();

    // 0 or the error number.
    int OpenInput(const QString& fileName);
    // 0, kSameFile (nothing opened, the file untouched) or the error number.
    int OpenOutput(const QString& fileName);
    void UseStandardOutput();

    // Writes the output from the input and closes both. On a read or write
    // error the output file is removed and false returned; FailedFile() and
    // Error() tell which file and why.
    bool Run();
    // Closes both without writing more; a created output file is removed.
    void Abandon();

    QString FailedFile() const { return m_failedFile; }
    int Error() const { return m_error; }

private:
    bool Fail(const QString& fileName, int error);

    TExportFormat m_format;
    std::unique_ptr<TLineReader> m_reader;
    std::unique_ptr<TLineWriter> m_writer;
    std::unique_ptr<TNmeaExport> m_export;
    QString m_input, m_output;
    QString m_failedFile;
    int m_error = 0;
};

// The result of converting one file without a window.
struct TConvertResult {
    enum Status { Ok, InputFailed, OutputFailed, SameFile } status = Ok;
    QString fileName;  // the file that failed
    int error = 0;     // its error number (0 for SameFile)
};
// Converts input into output ("-": standard output).
TConvertResult ConvertNmeaFile(const QString& input, const QString& output, TExportFormat format);
