// Arbitrary bytes as a settings file, then one write of a key derived from
// the input, done in memory. What is written must read back, and every line
// the write does not touch must stay byte for byte.
#include "FuzzCheck.h"
#include "app/IniFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

namespace {

struct TLine {
    QByteArray text;  // without its end
    QByteArray end;   // "", "\n", "\r\n" or "\r"
    bool operator==(const TLine&) const = default;
};

std::vector<TLine> SplitLines(const QByteArray& data)
{
    std::vector<TLine> lines;
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype e = pos;
        while (e < data.size() && data[e] != '\n' && data[e] != '\r')
            ++e;
        qsizetype next = e;
        if (e < data.size())
            next += data[e] == '\r' && e + 1 < data.size() && data[e + 1] == '\n' ? 2 : 1;
        lines.push_back({data.mid(pos, e - pos), data.mid(e, next - e)});
        pos = next;
    }
    return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray TrimBlanks(const QByteArray& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// A line written for the entry: its section header or its key line.
bool IsWrittenLine(const TLine& line, const QByteArray& section, const QByteArray& keyLine)
{
    return line.text == '[' + section + ']' || line.text == keyLine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString section = QString::fromUtf8(in.ConsumeRandomLengthString(24));
    const QString key = QString::fromUtf8(in.ConsumeRandomLengthString(24));
    const QString value = QString::fromUtf8(in.ConsumeRandomLengthString(48));
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray before(rest.data(), qsizetype(rest.size()));

    // Reading never fails on any bytes; a value never spans lines.
    const std::optional<QByteArray> old = IniRawValue(before, section, key);
    if (old)
        FUZZ_CHECK(!old->contains('\n') && !old->contains('\r'), "a value is one line");

    const std::optional<QByteArray> written = IniWithEntries(before, {{section, key, value}});
    const bool representable = !section.isEmpty() && !key.isEmpty() && !section.contains(QLatin1Char('\n'))
                               && !section.contains(QLatin1Char('\r')) && !key.contains(QLatin1Char('\n'))
                               && !key.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n'))
                               && !value.contains(QLatin1Char('\r'));
    if (!written) {
        FUZZ_CHECK(!representable || section.contains(QLatin1Char(']')) || key.contains(QLatin1Char('='))
                       || TrimBlanks(section.toUtf8()) != section.toUtf8() || TrimBlanks(key.toUtf8()) != key.toUtf8()
                       || key.startsWith(QLatin1Char('[')) || key.startsWith(QLatin1Char(';'))
                       || key.startsWith(QLatin1Char('#')) || section.startsWith(QChar(0xFEFF))
                       || key.startsWith(QChar(0xFEFF)),
                   "only entries the file cannot hold are refused");
        return 0;
    }
    FUZZ_CHECK(representable, "an entry with a line break is refused");

    // What was written reads back (values are read with blanks trimmed).
    const std::optional<QByteArray> back = IniRawValue(*written, section, key);
    FUZZ_CHECK(back.has_value(), "the written key is found");
    FUZZ_CHECK(*back == TrimBlanks(value.toUtf8()), "the written value reads back");

    // Writing the same again changes nothing.
    const std::optional<QByteArray> again = IniWithEntries(*written, {{section, key, value}});
    FUZZ_CHECK(again && *again == *written, "a second identical write changes nothing");

    // Every line of the original stays, byte for byte, in its order. The
    // lines between the common head and the common tail are the written ones:
    // at most one original line is changed (the key's value replaced, or the
    // last line given a line end), and what is new is the section header
    // and the key line.
    const std::vector<TLine> a = SplitLines(before);
    const std::vector<TLine> b = SplitLines(*written);
    size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const size_t changed = a.size() - head - tail;
    const size_t added = b.size() - head - tail;
    FUZZ_CHECK(changed <= 1, "at most one line of the original changes");
    FUZZ_CHECK(added <= 3, "at most the header and the key line are added");

    const QByteArray keyLine = key.toUtf8() + '=' + TrimBlanks(value.toUtf8());
    size_t j = head;
    if (changed == 1) {
        const TLine& was = a[head];
        const TLine& now = b[head];
        if (now.text == was.text) {
            // The last line of the file, which had no line end, gets one.
            FUZZ_CHECK(was.end.isEmpty() && !now.end.isEmpty() && head + 1 == a.size(),
                       "only the last line gains a line end");
        } else {
            // The key's own line: everything before the value stays.
            const qsizetype eq = was.text.indexOf('=');
            FUZZ_CHECK(eq >= 0 && now.end == was.end, "a replaced line is a key line and keeps its end");
            qsizetype valueAt = eq + 1;
            while (valueAt < was.text.size() && IsBlank(was.text[valueAt]))
                ++valueAt;
            FUZZ_CHECK(now.text == was.text.left(valueAt) + TrimBlanks(value.toUtf8()),
                       "only the value of the key line changes");
            FUZZ_CHECK(added == 1, "a replaced value adds no line");
        }
        ++j;
    }
    for (; j < head + added; ++j)
        FUZZ_CHECK(IsWrittenLine(b[j], section.toUtf8(), keyLine), "an added line is the header or the key line");
    return 0;
}
