#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Every line of the message log since the last clear, kept compactly so that
// a day's log can be scrolled through and searched in the window.
//
// The lines' text (UTF-8, each ended by LF) lives in a spool file, written in
// chunks; the latest chunk and anything the spool did not take (disk full,
// folder gone) stays in memory until a later write succeeds. Memory holds an
// offset index of four bytes a line besides that. The spool is created in
// the given folder readable by its owner only and unlinked at once: it
// vanishes with the process however the process ends, and nobody else can
// open it. Reading any range of lines costs one read of the spool.
class TLogLines {
public:
    // Position in the log: line number from 0, column in UTF-16 units.
    struct TPos {
        qint64 line = 0;
        qsizetype column = 0;
        friend bool operator==(const TPos&, const TPos&) = default;
        friend auto operator<=>(const TPos&, const TPos&) = default;
    };
    struct TMatch {
        bool found = false;
        TPos at;
        // The search ran past the end (or the start, backwards) and went on
        // from the other end.
        bool wrapped = false;
    };

    // chunkBytes: how much text collects in memory before it goes to the
    // spool.
    explicit TLogLines(const QString& spoolDir = DefaultSpoolDir(), qsizetype chunkBytes = 64 * 1024);
    ~TLogLines();
    TLogLines(const TLogLines&) = delete;
    TLogLines& operator=(const TLogLines&) = delete;

    void Append(QStringView line);
    qint64 Count() const { return m_count; }
    QString Line(qint64 index) const;
    // Lines [first, first + count) clipped to the log.
    QStringList Lines(qint64 first, qint64 count) const;
    // Bytes of the longest line since the clear: an upper bound of its length.
    qint64 LongestLine() const { return m_longest; }
    // Empties the log and gives its memory back.
    void Clear();

    // Finds text (no line break in it) case-insensitively. Forwards from
    // from (a match starting there counts), backwards before it; once more
    // from the other end when nothing is found.
    TMatch Find(const QString& text, TPos from, bool backwards) const;

    // Writes every line to path, Latin-1 ('?' for what it cannot hold), CR
    // LF after each; 0 or the error number. Nothing is missing from it even
    // while the spool fails: what the spool lacks comes from memory.
    int SaveAs(const QString& path) const;

    // Hands what is in memory to the spool; false when that failed (the text
    // stays in memory).
    bool Flush();
    bool SpoolFailing() const { return m_failing; }
    // Text waiting in memory for the spool.
    qsizetype PendingBytes() const { return m_tail.size(); }
    // Told once when the spool stops taking lines (with the error number),
    // and once when it takes them again.
    std::function<void(int error)> OnSpoolError;
    std::function<void()> OnSpoolRecovered;

    // $XDG_RUNTIME_DIR, else the user's cache folder.
    static QString DefaultSpoolDir();
    // Removes spools in dir left by runs that no longer exist; returns how
    // many.
    static int RemoveOrphans(const QString& dir);

private:
    qint64 start(qint64 index) const;
    qint64 end(qint64 index) const { return index + 1 < m_count ? start(index + 1) : m_total; }
    // Bytes [from, to) of the text, from the spool and memory; empty on a
    // failed read.
    QByteArray bytes(qint64 from, qint64 to) const;
    bool openSpool();
    void fail(int error);

    QString m_dir;
    qsizetype m_chunk;
    int m_fd = -1;
    // Line starts: a 64-bit base per kBlock lines and 32-bit offsets from it.
    static constexpr int kBlockShift = 10;
    std::vector<qint64> m_bases;
    std::vector<quint32> m_offsets;
    qint64 m_count = 0;
    qint64 m_total = 0;    // bytes of text
    qint64 m_spooled = 0;  // bytes of it in the spool; the rest is m_tail
    QByteArray m_tail;
    qint64 m_longest = 0;
    bool m_failing = false;
    qsizetype m_retryAt = 0;
};
