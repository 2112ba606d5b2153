#include "app/IniFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The file is handled as bytes throughout: lines are located and classified
// on the raw data, and only the byte ranges of section names, keys and values
// are decoded (UTF-8) for comparing and returning. Lines the program does not
// change are therefore written back exactly as they were read, whatever they
// contain.

namespace {

const QByteArray kDefaultLineEnd = QByteArrayLiteral("\r\n");
const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Span {
    qsizetype begin = 0;
    qsizetype end = 0;
};

Span Trimmed(const QByteArray& data, qsizetype begin, qsizetype end)
{
    while (begin < end && IsBlank(data[begin]))
        ++begin;
    while (end > begin && IsBlank(data[end - 1]))
        --end;
    return {begin, end};
}

qsizetype FindIn(const QByteArray& data, qsizetype begin, qsizetype end, char c)
{
    for (qsizetype i = begin; i < end; ++i)
        if (data[i] == c)
            return i;
    return -1;
}

enum class LineKind { Other, Section, Key };

struct Line {
    qsizetype begin = 0;    // first byte of the line
    qsizetype textEnd = 0;  // first byte of its line end
    qsizetype end = 0;      // first byte after its line end
    LineKind kind = LineKind::Other;
    Span name;                 // section name or key, blanks trimmed
    qsizetype valueBegin = 0;  // key lines: value after '=' and leading blanks
    qsizetype valueEnd = 0;    // key lines: end of the value, trailing blanks cut
    bool HasLineEnd() const { return end > textEnd; }
};

void Classify(const QByteArray& data, Line& line, bool& inSection)
{
    qsizetype textBegin = line.begin;
    if (textBegin == 0 && data.startsWith(kUtf8Bom))
        textBegin = kUtf8Bom.size();
    const Span text = Trimmed(data, textBegin, line.textEnd);
    if (text.begin == text.end)
        return;
    const char first = data[text.begin];
    if (first == ';' || first == '#')
        return;
    if (first == '[') {
        const qsizetype close = FindIn(data, text.begin + 1, text.end, ']');
        if (close < 0)
            return;  // "[abc" without the bracket: neither header nor key
        line.kind = LineKind::Section;
        line.name = Trimmed(data, text.begin + 1, close);
        inSection = true;
        return;
    }
    if (!inSection)
        return;  // lines before the first section belong to none
    const qsizetype eq = FindIn(data, text.begin, text.end, '=');
    if (eq < 0)
        return;
    line.kind = LineKind::Key;
    line.name = Trimmed(data, text.begin, eq);
    // The blanks after '=' belong to the line, not to the value, also when
    // the value is empty and they run to the end of the line.
    qsizetype valueBegin = eq + 1;
    while (valueBegin < line.textEnd && IsBlank(data[valueBegin]))
        ++valueBegin;
    line.valueBegin = valueBegin;
    line.valueEnd = std::max(text.end, valueBegin);
}

// Splits at LF, CR LF or a lone CR; the last line may lack a line end.
QList<Line> Parse(const QByteArray& data)
{
    QList<Line> lines;
    bool inSection = false;
    const qsizetype n = data.size();
    qsizetype pos = 0;
    while (pos < n) {
        Line line;
        line.begin = pos;
        qsizetype e = pos;
        while (e < n && data[e] != '\n' && data[e] != '\r')
            ++e;
        line.textEnd = e;
        if (e < n)
            e += (data[e] == '\r' && e + 1 < n && data[e + 1] == '\n') ? 2 : 1;
        line.end = e;
        Classify(data, line, inSection);
        lines.append(line);
        pos = e;
    }
    return lines;
}

bool NameMatches(const QByteArray& data, Span span, const QString& name)
{
    const QString text = QString::fromUtf8(data.constData() + span.begin, span.end - span.begin);
    return text.compare(name, Qt::CaseInsensitive) == 0;
}

qsizetype FindSection(const QByteArray& data, const QList<Line>& lines, const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].kind == LineKind::Section && NameMatches(data, lines[i].name, section))
            return i;
    return -1;
}

// Looks for key in the section whose header is line sectionIndex. Returns the
// key's line or -1; lastKeyLine receives the section's last key line (or the
// header when the section holds no keys).
qsizetype FindKey(const QByteArray& data, const QList<Line>& lines, qsizetype sectionIndex, const QString& key,
                  qsizetype* lastKeyLine = nullptr)
{
    qsizetype last = sectionIndex;
    for (qsizetype i = sectionIndex + 1; i < lines.size() && lines[i].kind != LineKind::Section; ++i) {
        if (lines[i].kind != LineKind::Key)
            continue;
        if (NameMatches(data, lines[i].name, key))
            return i;
        last = i;
    }
    if (lastKeyLine)
        *lastKeyLine = last;
    return -1;
}

bool ReadAll(int fd, QByteArray& out, qsizetype sizeHint)
{
    out.clear();
    out.reserve(sizeHint > 0 ? sizeHint + 1 : 4096);
    char chunk[16384];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        out.append(chunk, got);
    }
}

// The whole file, or nothing when it is missing, not a regular file (a
// directory, a device) or cannot be read.
std::optional<QByteArray> ReadFileBytes(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty())
        return std::nullopt;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    QByteArray data;
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAll(fd, data, st.st_size);
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return data;
}

bool WriteAllAt(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t put = ::pwrite(fd, data.constData() + done, data.size() - done, done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (put == 0)
            return false;
        done += put;
    }
    return true;
}

// Puts the new content into the open file. On failure the original content
// is written back (into blocks the file already had, so this works even on a
// full disk) and false is returned.
bool ReplaceContent(int fd, const QByteArray& before, const QByteArray& after)
{
    bool ok = WriteAllAt(fd, after);
    if (ok && after.size() < before.size())
        ok = ::ftruncate(fd, after.size()) == 0;
    if (!ok) {
        WriteAllAt(fd, before);
        (void)::ftruncate(fd, before.size());
    }
    return ok;
}

bool HasLineBreak(const QString& s) { return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r')); }

bool HasOuterBlanks(const QString& s)
{
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    return !s.isEmpty() && (blank(s.front()) || blank(s.back()));
}

// Only entries that read back as written are accepted.
bool IsWritable(const TIniFile::Entry& e)
{
    if (e.section.isEmpty() || HasLineBreak(e.section) || HasOuterBlanks(e.section)
        || e.section.contains(QLatin1Char(']')))
        return false;
    if (e.key.isEmpty() || HasLineBreak(e.key) || HasOuterBlanks(e.key) || e.key.contains(QLatin1Char('=')))
        return false;
    const QChar first = e.key.front();
    if (first == QLatin1Char('[') || first == QLatin1Char(';') || first == QLatin1Char('#'))
        return false;
    // A name read back from the file loses a leading byte order mark, so
    // one written with it could not be found again.
    constexpr QChar kBom(0xFEFF);
    if (e.section.front() == kBom || first == kBom)
        return false;
    return !HasLineBreak(e.value);
}

void Apply(QByteArray& data, const QByteArray& lineEnd, const TIniFile::Entry& e)
{
    const QList<Line> lines = Parse(data);
    // Blanks around a value do not read back; written, they would pile up
    // behind the '=' with every write of the same value.
    const QByteArray rawValue = e.value.toUtf8();
    const Span trimmed = Trimmed(rawValue, 0, rawValue.size());
    const QByteArray value = rawValue.mid(trimmed.begin, trimmed.end - trimmed.begin);
    const QByteArray keyLine = e.key.toUtf8() + '=' + value;

    const qsizetype section = FindSection(data, lines, e.section);
    if (section < 0) {
        if (!lines.isEmpty() && !lines.last().HasLineEnd())
            data += lineEnd;
        data += '[' + e.section.toUtf8() + ']' + lineEnd + keyLine + lineEnd;
        return;
    }

    qsizetype lastKey = section;
    const qsizetype found = FindKey(data, lines, section, e.key, &lastKey);
    if (found >= 0) {
        // Everything up to the value (indentation, the key as spelled in the
        // file, '=', blanks after it) and the line's own end stay.
        const Line& line = lines[found];
        data.replace(line.valueBegin, line.textEnd - line.valueBegin, value);
        return;
    }

    const Line& after = lines[lastKey];
    QByteArray insert;
    if (!after.HasLineEnd())
        insert += lineEnd;  // the file's last line had no line end
    // A lone CR put before a line that starts with LF would join the two into
    // one CR LF and swallow that (empty) line; such a place takes the line
    // end of the line before it.
    const bool joins = lineEnd == "\r" && after.end < data.size() && data[after.end] == '\n';
    insert += keyLine + (joins ? data.mid(after.textEnd, after.end - after.textEnd) : lineEnd);
    data.insert(after.end, insert);
}

QByteArray LineEndOf(const QByteArray& data)
{
    const QList<Line> lines = Parse(data);
    if (lines.isEmpty() || !lines.first().HasLineEnd())
        return kDefaultLineEnd;
    return data.mid(lines.first().textEnd, lines.first().end - lines.first().textEnd);
}

std::optional<QByteArray> Lookup(const QString& path, const QString& section, const QString& key)
{
    if (section.isEmpty() || key.isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> data = ReadFileBytes(path);
    if (!data)
        return std::nullopt;
    return IniRawValue(*data, section, key);
}

std::optional<int> ParseDecimal(const QByteArray& text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace

std::optional<QByteArray> IniRawValue(const QByteArray& data, const QString& section, const QString& key)
{
    if (section.isEmpty() || key.isEmpty())
        return std::nullopt;
    const QList<Line> lines = Parse(data);
    const qsizetype s = FindSection(data, lines, section);
    if (s < 0)
        return std::nullopt;
    const qsizetype k = FindKey(data, lines, s, key);
    if (k < 0)
        return std::nullopt;
    return data.mid(lines[k].valueBegin, lines[k].valueEnd - lines[k].valueBegin);
}

std::optional<QByteArray> IniWithEntries(const QByteArray& data, const QList<TIniFile::Entry>& entries)
{
    for (const TIniFile::Entry& e : entries)
        if (!IsWritable(e))
            return std::nullopt;
    const QByteArray lineEnd = LineEndOf(data);
    QByteArray after = data;
    for (const TIniFile::Entry& e : entries)
        Apply(after, lineEnd, e);
    return after;
}

QByteArray IniWithoutKey(const QByteArray& data, const QString& section, const QString& key)
{
    if (section.isEmpty() || key.isEmpty())
        return data;
    const QList<Line> lines = Parse(data);
    const qsizetype s = FindSection(data, lines, section);
    if (s < 0)
        return data;
    const qsizetype k = FindKey(data, lines, s, key);
    if (k < 0)
        return data;
    QByteArray after = data;
    after.remove(lines[k].begin, lines[k].end - lines[k].begin);
    return after;
}

TIniFile::TIniFile(QString path) : path_(std::move(path)) {}

const QString& TIniFile::Path() const { return path_; }

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const std::optional<QByteArray> value = Lookup(path_, section, key);
    return value ? QString::fromUtf8(*value) : def;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    const std::optional<QByteArray> value = Lookup(path_, section, key);
    if (!value)
        return def;
    return ParseDecimal(*value).value_or(def);
}

// The file is changed in place (opened read-write, new content written over
// the old, the rest cut off) rather than through a temporary file and a
// rename. That keeps the file's inode and with it its owner, permissions,
// ACLs, hard links and a symbolic link pointing at it; it works in a
// directory the user may not write to as long as the file itself is
// writable; and it can never replace a device or other special file. The
// settings file is a few hundred bytes written in one call, so the window in
// which a crash could leave it half-written is tiny, and a failed write is
// undone by writing the original bytes back.
bool TIniFile::WriteStrings(const QList<Entry>& entries)
{
    for (const Entry& e : entries)
        if (!IsWritable(e))
            return false;
    if (entries.isEmpty())
        return true;
    return rewrite([&entries](const QByteArray& before) { return IniWithEntries(before, entries); }, true);
}

bool TIniFile::DeleteKey(const QString& section, const QString& key)
{
    if (!QFile::exists(path_))
        return true;
    return rewrite(
        [&](const QByteArray& before) { return std::optional<QByteArray>(IniWithoutKey(before, section, key)); },
        false);
}

bool TIniFile::rewrite(const std::function<std::optional<QByteArray>(const QByteArray&)>& change, bool create)
{
    const QByteArray name = QFile::encodeName(path_);
    if (name.isEmpty())
        return false;

    bool created = false;
    int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && create) {
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        created = fd >= 0;
    }
    if (fd < 0)
        return false;

    // A file without any write permission bit is read-only for this program
    // even when running with privileges that could override it, as the
    // read-only attribute is on Windows.
    struct stat st {};
    QByteArray before;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)
              && (created || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0) && ReadAll(fd, before, st.st_size);

    if (ok) {
        const std::optional<QByteArray> after = change(before);
        ok = after.has_value();
        if (ok && *after != before)
            ok = ReplaceContent(fd, before, *after);
    }
    if (::close(fd) != 0)
        ok = false;
    if (!ok && created)
        ::unlink(name.constData());
    return ok;
}

bool TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    return WriteStrings({Entry{section, key, value}});
}

QString SettingsFilePathFor(const QString& executablePath)
{
    const qsizetype separator =
        qMax(executablePath.lastIndexOf(QLatin1Char('/')), executablePath.lastIndexOf(QLatin1Char('\\')));
    const QStringView fileName = QStringView(executablePath).mid(separator + 1);
    const QLatin1String exe(".exe");
    if (fileName.size() > exe.size() && fileName.endsWith(exe, Qt::CaseInsensitive))
        return executablePath.left(executablePath.size() - exe.size()) + QLatin1String(".ini");
    return executablePath + QLatin1String(".ini");
}
