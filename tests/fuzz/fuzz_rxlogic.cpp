// Received bytes through the line assembly, in two chunkings chosen by the
// input, and every completed line through the dispatch decisions
// (identification reply, reflected values).
#include "FuzzCheck.h"
#include "rx/RxLogic.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <vector>

namespace {

struct TAssembled {
    std::vector<QString> lines;
    std::vector<QChar> ends;
    QString pending;
    QChar lastChar;
    bool operator==(const TAssembled&) const = default;
};

// Feeds text in pieces of the given sizes (cycled), as the port hands them.
TAssembled Assemble(const QString& text, const std::vector<int>& pieces)
{
    TAssembled out;
    TRxLine line;  // pieces taken from it are collected in out.pending
    qsizetype pos = 0;
    size_t next = 0;
    while (pos < text.size()) {
        const qsizetype n = pieces.empty() ? text.size() : qMax(1, pieces[next++ % pieces.size()]);
        AssembleRx(
            QStringView(text).mid(pos, n), line, out.lastChar, 0,
            [&](QChar end) {
                out.lines.push_back(out.pending + line.Text());
                out.ends.push_back(end);
                out.pending.clear();
                line.clear();
            },
            [&] { out.pending += line.TakePiece(); });
        pos += n;
    }
    out.pending += line.Text();
    return out;
}

// The whole decimal number of text (blanks around allowed), computed apart.
std::optional<int> WholeNumber(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        negative = t[i++] == QLatin1Char('-');
    if (i == t.size())
        return std::nullopt;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < QLatin1Char('0') || t[i] > QLatin1Char('9'))
            return std::nullopt;
        v = v * 10 + (t[i].unicode() - '0');
        if (v > 100LL * INT_MAX)
            return std::nullopt;
    }
    v = negative ? -v : v;
    if (v < INT_MIN || v > INT_MAX)
        return std::nullopt;
    return int(v);
}

void CheckLine(const QString& line)
{
    for (QChar c : line)
        FUZZ_CHECK(c.unicode() >= 32 && c != QLatin1Char('/'), "a line holds no line end and no control character");

    const std::optional<QString> id = IdReplyOf(line);
    const qsizetype hash = line.indexOf(QLatin1Char('#'));
    FUZZ_CHECK(id.has_value() == (hash >= 0), "an identification reply is a line with '#'");
    if (id) {
        FUZZ_CHECK(id->size() <= kRxFieldLimit && id->startsWith(QLatin1Char('#')),
                   "the reply is cut and starts at '#'");
        FUZZ_CHECK(QStringView(line).mid(hash).startsWith(*id), "the reply is the line from its first '#'");
    }

    for (const TReflection& row : kReflections) {
        const QLatin1String key(row.key);
        const std::optional<int> value = ReflectedValue(line, key);
        const qsizetype at = line.indexOf(key);
        if (at < 0) {
            FUZZ_CHECK(!value, "no value without the key");
            continue;
        }
        const QString text = line.mid(at + key.size(), kRxFieldLimit);
        const std::optional<int> expected = WholeNumber(text);
        if (value != expected)
            std::fprintf(stderr, "key %s, text \"%s\": %s, expected %s\n", row.key, qPrintable(text),
                         value ? qPrintable(QString::number(*value)) : "none",
                         expected ? qPrintable(QString::number(*expected)) : "none");
        FUZZ_CHECK(value == expected, "the value is the whole number behind the key");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    std::vector<int> pieces;
    const int count = in.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < count; ++i)
        pieces.push_back(in.ConsumeIntegralInRange(1, 64));
    const std::string rest = in.ConsumeRemainingBytesAsString();
    // The port hands received bytes on as Latin-1 text.
    const QString text = QString::fromLatin1(rest.data(), qsizetype(rest.size()));

    const TAssembled whole = Assemble(text, {});
    const TAssembled chunked = Assemble(text, pieces);
    FUZZ_CHECK(whole == chunked, "the lines do not depend on how the bytes arrive");

    // Every end character is a line end, and there is one per CR or '/'.
    qsizetype endCount = 0;
    for (QChar c : text)
        endCount += c == QLatin1Char('\r') || c == QLatin1Char('/');
    FUZZ_CHECK(qsizetype(whole.lines.size()) == endCount, "one line per end character");
    for (QChar e : whole.ends)
        FUZZ_CHECK(e == QLatin1Char('\r') || e == QLatin1Char('/'), "lines end at CR or '/'");

    // No printable character is lost.
    qsizetype printable = 0;
    for (QChar c : text)
        printable += c.unicode() >= 32 && c != QLatin1Char('/');
    qsizetype kept = whole.pending.size();
    for (const QString& line : whole.lines)
        kept += line.size();
    FUZZ_CHECK(kept == printable, "every printable character is kept");

    for (const QString& line : whole.lines)
        CheckLine(line);
    CheckLine(whole.pending);
    return 0;
}
