#include "gps/NmeaConvert.h"

#include "gps/NmeaExport.h"
#include "gps/NmeaStream.h"

#include <QCoreApplication>
#include <QFile>

#include <sys/stat.h>

namespace {

const TFormatInfo kFormats[] = {
    {TExportFormat::MapPoint,
     QStringLiteral(QT_TRANSLATE_NOOP("NmeaConvert", "Formatkonvertierung: NMEA ---> MS-MapPoint - Format")),
     QStringLiteral(QT_TRANSLATE_NOOP("NmeaConvert", "GPS-Datei(*.txt)|*.txt|List-Datei (*.lst)|*.lst")),
     QStringLiteral("CSV"), QStringLiteral("mappoint"), MakeMapPointExport},
    {TExportFormat::Kartex,
     QStringLiteral(QT_TRANSLATE_NOOP("NmeaConvert", "Formatkonvertierung: NMEA ---> Kartex-Format")),
     QStringLiteral(QT_TRANSLATE_NOOP("NmeaConvert", "GPS-Datei(*.txt;*.lst;*.gps)|*.txt;*.lst;*.gps|alle (*.*)|*.*")),
     QStringLiteral("KTX"), QStringLiteral("kartex"), MakeKartexExport},
    {TExportFormat::MagicMaps,
     QStringLiteral(QT_TRANSLATE_NOOP("NmeaConvert", "Formatkonvertierung: NMEA ---> MagicMaps (z.B. NRW 3D)")),
     QStringLiteral(QT_TRANSLATE_NOOP("NmeaConvert", "GPS-Datei(*.txt)|*.txt|List-Datei (*.lst)|*.lst")),
     QStringLiteral("PTH"), QStringLiteral("magicmaps"), MakeMagicMapsExport},
    {TExportFormat::Gpx, QStringLiteral(QT_TRANSLATE_NOOP("NmeaConvert", "Formatkonvertierung: NMEA ---> GPX")),
     QStringLiteral(QT_TRANSLATE_NOOP("NmeaConvert", "GPS-Datei(*.txt)|*.txt|List-Datei (*.lst)|*.lst")),
     QStringLiteral("gpx"), QStringLiteral("gpx"), MakeGpxExport},
};

// Index of the first character of the last path component.
qsizetype LastComponentStart(const QString& path) { return path.lastIndexOf(QLatin1Char('/')) + 1; }

}  // namespace

std::unique_ptr<TNmeaExport> MakeExport(TExportFormat format) { return FormatInfo(format).make(); }

// --- date texts -------------------------------------------------------------

bool TDateTexts::TakeZda(const TFields& fields)
{
    if (fields[0] != "$GPZDA")
        return false;
    day = fields[2];
    month = fields[3];
    year = fields[4];
    return true;
}

void TDateTexts::AppendDotted(std::string& out) const
{
    out.append(day).append(".").append(month).append(".").append(year);
}

// --- formats and names ------------------------------------------------------

const TFormatInfo& FormatInfo(TExportFormat format)
{
    for (const TFormatInfo& row : kFormats)
        if (row.format == format)
            return row;
    return kFormats[0];
}

const QList<TExportFormat>& ExportFormats()
{
    static const QList<TExportFormat> formats = [] {
        QList<TExportFormat> all;
        for (const TFormatInfo& row : kFormats)
            all.append(row.format);
        return all;
    }();
    return formats;
}

QString FormatNames()
{
    QStringList names;
    for (const TFormatInfo& row : kFormats)
        names << row.name;
    return names.join(QLatin1Char('|'));
}

bool FormatFromName(const QString& name, TExportFormat& format)
{
    for (const TFormatInfo& row : kFormats)
        if (row.name == name) {
            format = row.format;
            return true;
        }
    return false;
}

bool HasExtension(const QString& path) { return path.indexOf(QLatin1Char('.'), LastComponentStart(path)) >= 0; }

QString OutputFileName(const QString& input, const QString& extension)
{
    const qsizetype dot = input.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot >= LastComponentStart(input) ? input.left(dot) : input;
    return stem + QLatin1Char('.') + extension;
}

// --- conversion ---------------------------------------------------------------

TNmeaConversion::TNmeaConversion(TExportFormat format)
    : m_format(format), m_reader(std::make_unique<TLineReader>()), m_writer(std::make_unique<TLineWriter>())
{}

TNmeaConversion::~TNmeaConversion() { Abandon(); }

int TNmeaConversion::OpenInput(const QString& fileName)
{
    m_input = fileName;
    return m_reader->Open(fileName);
}

int TNmeaConversion::OpenOutput(const QString& fileName)
{
    // The input is tested before the output is created or emptied.
    unsigned long long device = 0, inode = 0;
    struct stat st {};
    if (m_reader->Identity(device, inode) && ::stat(QFile::encodeName(fileName).constData(), &st) == 0
        && st.st_dev == device && st.st_ino == inode)
        return kSameFile;
    m_output = fileName;
    return m_writer->Open(fileName);
}

void TNmeaConversion::UseStandardOutput()
{
    m_output = QStringLiteral("-");
    m_writer->OpenStandardOutput();
}

bool TNmeaConversion::Fail(const QString& fileName, int error)
{
    m_failedFile = fileName;
    m_error = error;
    Abandon();
    return false;
}

bool TNmeaConversion::Run()
{
    m_export = MakeExport(m_format);
    std::string_view line;
    if (m_export->CountsFirst()) {
        while (m_reader->Next(line))
            m_export->Count(line);
        if (m_reader->Error() != 0 || !m_reader->Rewind())
            return Fail(m_input, m_reader->Error());
    }
    m_export->Header(*m_writer);
    TFields fields;
    while (m_reader->Next(line)) {
        SplitFields(line, kFieldSeparator, kMaxFields, fields);
        m_export->Record(line, fields, *m_writer);
        if (m_writer->Error() != 0)
            return Fail(m_output, m_writer->Error());
    }
    if (m_reader->Error() != 0)
        return Fail(m_input, m_reader->Error());
    m_export->Footer(*m_writer);
    m_reader->Close();
    if (!m_writer->Close())
        return Fail(m_output, m_writer->Error());
    return true;
}

void TNmeaConversion::Abandon()
{
    m_reader->Close();
    m_writer->Discard();
}

TConvertResult ConvertNmeaFile(const QString& input, const QString& output, TExportFormat format)
{
    TNmeaConversion conversion(format);
    if (const int error = conversion.OpenInput(input))
        return {TConvertResult::InputFailed, input, error};
    if (output == QLatin1String("-")) {
        conversion.UseStandardOutput();
    } else {
        const int error = conversion.OpenOutput(output);
        if (error == TNmeaConversion::kSameFile)
            return {TConvertResult::SameFile, output, 0};
        if (error != 0)
            return {TConvertResult::OutputFailed, output, error};
    }
    if (!conversion.Run())
        return {conversion.FailedFile() == input ? TConvertResult::InputFailed : TConvertResult::OutputFailed,
                conversion.FailedFile(), conversion.Error()};
    return {};
}
