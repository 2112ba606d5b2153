// Arbitrary bytes as an NMEA file through the converter into one output
// format (VELMOR_FUZZ_FORMAT names it). The output is checked against the
// rules of its format, and against a second conversion that reads the input
// in small blocks chosen by the input itself.
#include "FuzzCheck.h"
#include "gps/NmeaConvert.h"
#include "gps/NmeaExport.h"
#include "gps/NmeaStream.h"

#include <QXmlStreamReader>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#ifndef VELMOR_FUZZ_FORMAT
#error "VELMOR_FUZZ_FORMAT names the output format"
#endif

namespace {

constexpr TExportFormat kFormat = TExportFormat::VELMOR_FUZZ_FORMAT;

// Files in memory, opened by their names under /proc like any file.
struct TMemoryFile {
    int fd;
    QString name;
    explicit TMemoryFile(const char* label) : fd(memfd_create(label, 0))
    {
        FUZZ_CHECK(fd >= 0, "a memory file can be made");
        name = QStringLiteral("/proc/self/fd/%1").arg(fd);
    }
    void Set(std::string_view bytes) const
    {
        FUZZ_CHECK(ftruncate(fd, 0) == 0, "the memory file empties");
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t put = pwrite(fd, bytes.data() + done, bytes.size() - done, off_t(done));
            FUZZ_CHECK(put > 0, "the memory file takes the input");
            done += size_t(put);
        }
    }
    std::string Get() const
    {
        std::string out;
        char buffer[4096];
        off_t at = 0;
        for (;;) {
            const ssize_t got = pread(fd, buffer, sizeof buffer, at);
            FUZZ_CHECK(got >= 0, "the memory file reads");
            if (got == 0)
                return out;
            out.append(buffer, size_t(got));
            at += got;
        }
    }
};

// The input's lines, split apart from the reader: LF, CR LF, CR CR LF or a
// lone CR.
std::vector<std::string_view> InputLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        lines.push_back(text.substr(pos, std::min(end - pos, TLineReader::kMaxLineBytes)));
        if (end == text.size())
            break;
        if (text.substr(end, 3) == "\r\r\n")
            pos = end + 3;
        else
            pos = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

// The output's lines; every one must end with CR LF and hold no other
// line break.
std::vector<std::string_view> OutputLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t crlf = text.find("\r\n", pos);
        FUZZ_CHECK(crlf != std::string_view::npos, "every output line ends with CR LF");
        const std::string_view line = text.substr(pos, crlf - pos);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos, "no stray line break in the output");
        lines.push_back(line);
        pos = crlf + 2;
    }
    return lines;
}

bool IsDigits(std::string_view s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos; }

bool IsInteger(std::string_view s) { return IsDigits(s.substr(!s.empty() && s[0] == '-' ? 1 : 0)); }

// printf("%<width>.<precision>f") with sep as the decimal separator: blanks,
// an optional sign, digits, sep, precision digits.
bool IsFixed(std::string_view s, size_t width, size_t precision, char sep)
{
    if (s.size() < width)
        return false;
    const size_t firstNonBlank = s.find_first_not_of(' ');
    if (firstNonBlank == std::string_view::npos)
        return false;
    if (firstNonBlank > 0 && s.size() != width)
        return false;
    std::string_view n = s.substr(firstNonBlank);
    if (!n.empty() && n[0] == '-')
        n.remove_prefix(1);
    const size_t dot = n.find(sep);
    return dot != std::string_view::npos && IsDigits(n.substr(0, dot)) && n.size() - dot - 1 == precision
           && IsDigits(n.substr(dot + 1));
}

std::vector<std::string_view> Split(std::string_view s, char sep)
{
    std::vector<std::string_view> parts;
    size_t pos = 0;
    for (;;) {
        const size_t at = s.find(sep, pos);
        parts.push_back(s.substr(pos, at == std::string_view::npos ? std::string_view::npos : at - pos));
        if (at == std::string_view::npos)
            return parts;
        pos = at + 1;
    }
}

bool IsPositionLine(std::string_view line) { return line.substr(0, 7) == "$GPGGA," || line == "$GPGGA"; }

size_t PositionLines(const std::vector<std::string_view>& input)
{
    size_t n = 0;
    for (std::string_view line : input)
        n += IsPositionLine(line);
    return n;
}

// The GPX export reads the GGA of any talker, wherever on its line the
// sentence starts.
bool IsAnyTalkerPositionLine(std::string_view line) { return line.find("GGA") != std::string_view::npos; }

size_t AnyTalkerPositionLines(const std::vector<std::string_view>& input)
{
    size_t n = 0;
    for (std::string_view line : input)
        n += IsAnyTalkerPositionLine(line);
    return n;
}

void CheckMapPoint(const std::vector<std::string_view>& out, const std::vector<std::string_view>& input)
{
    FUZZ_CHECK(!out.empty() && out[0] == "Datum;Breitengrad;L\xE4ngengrad;H\xF6he;AnzSat", "the header comes first");
    FUZZ_CHECK(out.size() - 1 <= input.size(), "at most one record per input line");
    for (size_t i = 1; i < out.size(); ++i) {
        const std::vector<std::string_view> f = Split(out[i], ';');
        FUZZ_CHECK(f.size() >= 5, "a record has its five fields");
        const size_t n = f.size();
        FUZZ_CHECK(IsFixed(f[n - 4], 7, 7, ',') && IsFixed(f[n - 3], 7, 7, ','), "latitude and longitude as 7.7f");
        FUZZ_CHECK(IsInteger(f[n - 2]) && IsInteger(f[n - 1]), "height and satellites are whole numbers");
    }
}

void CheckKartex(const std::vector<std::string_view>& out, const std::vector<std::string_view>& input)
{
    FUZZ_CHECK(!out.empty() && out[0] == "ID,Format,Zeit,XCoord,YCoord,DOP,NSat,Prec,Hoehe,M,Hoehe1,M,Datum",
               "the header comes first");
    FUZZ_CHECK(out.size() - 1 <= PositionLines(input), "at most one record per position line");
    for (size_t i = 1; i < out.size(); ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "%05d,$GPGGA,", int(i % 100000));
        FUZZ_CHECK(out[i].substr(0, std::strlen(id)) == id, "records are numbered from 1 without a gap");
        const std::vector<std::string_view> f = Split(out[i], ',');
        FUZZ_CHECK(f.size() >= 13, "a record has its thirteen fields");
        FUZZ_CHECK(IsFixed(f[3], 4, 4, '.') && IsFixed(f[4], 4, 4, '.'), "coordinates as 4.4f");
        FUZZ_CHECK(IsInteger(f[5]) && IsInteger(f[6]), "fix and satellites are whole numbers");
    }
}

void CheckMagicMaps(const std::vector<std::string_view>& out, const std::vector<std::string_view>& input)
{
    // The declared size counts every line with "$GP" in it.
    long long declared = 0;
    for (std::string_view line : input)
        declared += line.find("$GP") != std::string_view::npos;
    FUZZ_CHECK(out.size() >= 3 && out[0] == "# Path2D file format V1.0 - MagicMaps", "the header comes first");
    FUZZ_CHECK(out[1] == "Pathsize: " + std::to_string(declared), "the path size counts the \"$GP\" lines");
    FUZZ_CHECK(out[2] == "selectedPoint: " + std::to_string(declared - 1), "the last point is selected");
    FUZZ_CHECK(out.size() - 3 == PositionLines(input), "one point per position line");
    FUZZ_CHECK(out.size() - 3 <= size_t(declared), "no more points than declared");
    for (size_t i = 3; i < out.size(); ++i) {
        const size_t tab = out[i].find(" \t ");
        FUZZ_CHECK(tab != std::string_view::npos, "a point is two values");
        FUZZ_CHECK(IsFixed(out[i].substr(0, tab), 10, 2, '.') && IsFixed(out[i].substr(tab + 3), 10, 2, '.'),
                   "point values as 10.2f");
    }
}

void CheckGpx(const std::string& text, const std::vector<std::string_view>& out,
              const std::vector<std::string_view>& input)
{
    FUZZ_CHECK(out.size() >= 7 && out[0] == "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
               "the declaration comes first");
    FUZZ_CHECK(out.back() == "</gpx>", "the file is closed");
    size_t written = 0;
    for (std::string_view line : out)
        written += line.substr(0, 12) == "      <trkpt";
    FUZZ_CHECK(written <= AnyTalkerPositionLines(input), "at most one point per position line");

    QXmlStreamReader xml(QByteArray::fromRawData(text.data(), qsizetype(text.size())));
    size_t points = 0;
    int depth = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 1)
                FUZZ_CHECK(xml.name() == QLatin1String("gpx"), "the root is gpx");
            if (xml.name() != QLatin1String("trkpt"))
                continue;
            ++points;
            bool latOk = false, lonOk = false;
            const double lat = xml.attributes().value(QLatin1String("lat")).toDouble(&latOk);
            const double lon = xml.attributes().value(QLatin1String("lon")).toDouble(&lonOk);
            FUZZ_CHECK(latOk && lonOk && lat >= -90 && lat <= 90 && lon >= -180 && lon < 180,
                       "a point lies on the map");
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    FUZZ_CHECK(!xml.hasError(), "the output is well-formed XML");
    FUZZ_CHECK(points == written, "as many points as written");
}

// The conversion done with a reader and a writer kept from run to run (the
// fresh ones of a conversion allocate large buffers, which makes runs slow),
// the input read in blocks of one of several sizes.
std::string ConvertInBlocks(const TMemoryFile& in, const TMemoryFile& out, unsigned choice)
{
    static const size_t kBlocks[] = {7, 16, 61, 128, TLineReader::kBlockBytes};
    static std::unique_ptr<TLineReader> readers[std::size(kBlocks)];
    static TLineWriter writer;
    const size_t which = choice % std::size(kBlocks);
    if (!readers[which])
        readers[which] = std::make_unique<TLineReader>(kBlocks[which]);
    TLineReader& reader = *readers[which];
    FUZZ_CHECK(reader.Open(in.name) == 0 && writer.Open(out.name) == 0, "the memory files open");
    std::unique_ptr<TNmeaExport> exporter = MakeExport(kFormat);
    std::string_view line;
    if (exporter->CountsFirst()) {
        while (reader.Next(line))
            exporter->Count(line);
        FUZZ_CHECK(reader.Rewind(), "the input rewinds");
    }
    exporter->Header(writer);
    TFields fields;
    while (reader.Next(line)) {
        SplitFields(line, kFieldSeparator, kMaxFields, fields);
        exporter->Record(line, fields, writer);
    }
    exporter->Footer(writer);
    FUZZ_CHECK(reader.Error() == 0 && writer.Close(), "nothing fails in memory");
    reader.Close();
    return out.Get();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TMemoryFile in("fuzz-in"), out("fuzz-out");
    if (size == 0)
        return 0;
    // The first byte picks the block size of the reading, and for one input
    // in 32 runs the program's own conversion as well, which has to give
    // the same output.
    const unsigned choice = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    in.Set(text);

    const std::string converted = ConvertInBlocks(in, out, choice);
    if (choice % 32 == 0) {
        const TConvertResult result = ConvertNmeaFile(in.name, out.name, kFormat);
        FUZZ_CHECK(result.status == TConvertResult::Ok, "the conversion succeeds");
        FUZZ_CHECK(out.Get() == converted, "the output does not depend on the read blocks");
    }

    const std::vector<std::string_view> input = InputLines(text);
    const std::vector<std::string_view> lines = OutputLines(converted);
    switch (kFormat) {
    case TExportFormat::MapPoint:
        CheckMapPoint(lines, input);
        break;
    case TExportFormat::Kartex:
        CheckKartex(lines, input);
        break;
    case TExportFormat::MagicMaps:
        CheckMagicMaps(lines, input);
        break;
    case TExportFormat::Gpx:
        CheckGpx(converted, lines, input);
        break;
    }
    return 0;
}
