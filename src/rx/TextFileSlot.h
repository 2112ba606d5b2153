#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>

// One text file slot of the main window: holds at most one open file, either
// for reading lines or for writing them. Files are 8-bit text in Latin-1, one
// byte per character; written lines end with CR LF.
class TTextFileSlot {
public:
    TTextFileSlot();
    // Closes an open file; buffered lines are written. A failure at this point
    // is not reported: the owner is going away and must not be called back.
    ~TTextFileSlot();

    TTextFileSlot(const TTextFileSlot&) = delete;
    TTextFileSlot& operator=(const TTextFileSlot&) = delete;

    // Both close what the slot held first, then open the named file: for
    // reading from its first line, or for writing (created, or emptied when it
    // exists). Return 0 or the error number of the failed open (ENOENT for a
    // missing file, EACCES for denied access, EISDIR for a directory); after a
    // failure the slot is closed.
    int OpenForReading(const QString& fileName);
    int OpenForWriting(const QString& fileName);
    // For writing behind what the file holds (created when missing).
    int OpenForAppending(const QString& fileName);

    // Closing a closed slot does nothing.
    void Close();

    bool IsOpen() const;
    bool IsWriting() const;
    // The open file's name; empty when the slot is closed.
    QString FileName() const;

    // Writes line and CR LF. Each character becomes one byte, its Latin-1 code;
    // a character above U+00FF becomes '?'. Line breaks inside line are written
    // as they are. Writing to a closed slot, or one open for reading, does
    // nothing and reports nothing.
    void WriteLine(const QString& line);
    // The same without the line end: a line written in parts.
    void Write(QStringView text);

    // Next line without its end (CR LF, LF or a lone CR each end a line),
    // Latin-1 decoded; "" at the end or when the slot is not open for reading.
    QString ReadLine();
    // True when no further line can be read; true for a closed slot and one
    // open for writing too.
    bool AtEnd() const;

    // true (the default): every written line is handed to the operating system
    // at once, so a days-long capture loses nothing when the program crashes or
    // is killed. false: lines are collected in memory and written in large
    // pieces, at the latest on close. Switching it on writes what is pending.
    void SetFlushEachLine(bool on);

    // Called once when writing, flushing, closing or reading the file fails
    // (disk full, I/O error), with the file's name. The slot is already closed
    // when it is called, and later writes do nothing until the next open. The
    // owner shows "Fehler bei Dateizugriff (" + name + ")".
    std::function<void(const QString& fileName)> OnError;

private:
    enum class Mode { Closed, Reading, Writing };

    int Open(const QString& fileName, Mode mode, bool append = false);
    void write(QStringView text, bool lineEnds);
    // Closes the file; returns false when pending lines could not be written
    // or the close itself failed.
    bool Release();
    void Fail();
    bool FlushPending();
    bool FillReadBuffer() const;
    void SkipLineFeedAfterCR() const;

    int fd_ = -1;
    Mode mode_ = Mode::Closed;
    QString fileName_;
    bool flushEachLine_ = true;
    QByteArray pending_;  // written lines not yet handed to the file

    // Reading state; AtEnd() has to look ahead, so it may fill the buffer.
    mutable QByteArray readBuffer_;
    mutable qsizetype readPos_ = 0;
    mutable bool eof_ = false;
    mutable bool readFailed_ = false;
    mutable bool skipLineFeed_ = false;  // last line ended with CR; a following LF belongs to it
};
