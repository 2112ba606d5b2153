#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The program's settings file: a plain INI text file read and written with
// the semantics of the Windows private-profile functions. Values carry no
// quotes, and a write touches only the lines it has to change; every other
// byte of the file stays as it was (unlike QSettings, which quotes values and
// rewrites the whole file).
//
// Every call opens, reads and closes the file again; nothing is cached, so
// changes made by hand between two calls are seen.
class TIniFile {
public:
    explicit TIniFile(QString path);

    const QString& Path() const;

    // Value of key in section, or def when the file, section or key is missing
    // or the file cannot be read. Sections and keys match without regard to
    // case; only the first section of a name counts. The value is the raw text
    // after the first '=' of the line with blanks (spaces, tabs) around it
    // trimmed, decoded as UTF-8: no quote processing, a ';' is part of the
    // value. A key present with an empty value reads as "".
    QString ReadString(const QString& section, const QString& key, const QString& def) const;

    // Decimal integer (optional sign, blanks trimmed); def when the key is
    // missing, empty, not a number or out of the int range.
    int ReadInteger(const QString& section, const QString& key, int def) const;

    struct Entry {
        QString section, key, value;
    };

    // Writes the entries in the given order in one read-modify-write of the
    // file. An existing key's value is replaced in place (first occurrence in
    // the first matching section, the key's spelling in the file is kept); a
    // missing key is added after the last key line of its section; a missing
    // section is appended at the end of the file. The file is created when
    // missing. Blanks around a value are not written (they would not read
    // back).
    //
    // Returns false and leaves the file as it was when the file cannot be
    // written (no write permission, not a regular file, missing directory,
    // disk full) or when an entry cannot be represented in the file: empty
    // section or key, a line break anywhere, ']' in a section name, '=' in a
    // key, blanks around a section or key name, or a key starting with '[',
    // ';' or '#'. Never throws, never shows anything.
    bool WriteStrings(const QList<Entry>& entries);
    bool WriteString(const QString& section, const QString& key, const QString& value);

    // Removes the key's line (the first of that name in the first section of
    // that name) with its line end; every other byte stays. True when the
    // key is gone afterwards (also when it was never there); false when the
    // file cannot be written.
    bool DeleteKey(const QString& section, const QString& key);

private:
    // One read-modify-write of the file with change (nullopt: refused).
    bool rewrite(const std::function<std::optional<QByteArray>(const QByteArray&)>& change, bool create);

    QString path_;
};

// The same rules on the bytes of a settings file held in memory (what the
// class does between its read and its write): the raw value ReadString
// decodes, or nothing; and the file's bytes with entries written, or nothing
// when an entry cannot be represented.
std::optional<QByteArray> IniRawValue(const QByteArray& data, const QString& section, const QString& key);
std::optional<QByteArray> IniWithEntries(const QByteArray& data, const QList<TIniFile::Entry>& entries);
QByteArray IniWithoutKey(const QByteArray& data, const QString& section, const QString& key);

// The settings file beside the program: the executable's path with the
// program's own extension ".exe" (any case) replaced by ".ini"; when the file
// name has no such extension (Linux), ".ini" is appended. Dots in directory
// names or elsewhere in the file name stay untouched.
QString SettingsFilePathFor(const QString& executablePath);
