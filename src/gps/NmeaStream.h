#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

// Streaming line input and output of the converter: fixed buffers, so memory
// does not grow with the file.

// Reads a file line by line. A line ends with LF, CR LF, CR CR LF or a lone
// CR and is returned without its end. A line longer than kMaxLineBytes is
// returned cut to that length; the rest of it is skipped.
class TLineReader {
public:
    static constexpr size_t kMaxLineBytes = 1024 * 1024;
    // Bytes read from the file at a time.
    static constexpr size_t kBlockBytes = 64 * 1024;

    // blockBytes other than the default serve the tests of lines that span
    // reads.
    explicit TLineReader(size_t blockBytes = kBlockBytes);
    ~TLineReader();
    TLineReader(const TLineReader&) = delete;
    TLineReader& operator=(const TLineReader&) = delete;

    // 0 or the error number of the failed open (EISDIR for a directory).
    int Open(const QString& fileName);
    // Starts again at the first line; false (and Error() set) when the file
    // cannot be positioned.
    bool Rewind();
    void Close();

    // The next line; false at the end of the file or after a read error.
    // The view stays valid until the next call.
    bool Next(std::string_view& line);
    // 0, or the error number of a failed read or rewind.
    int Error() const { return m_error; }
    // The device and inode of the open file (for the same-file test).
    bool Identity(unsigned long long& device, unsigned long long& inode) const;

private:
    bool Fill();

    int m_fd = -1;
    std::vector<char> m_buffer;
    size_t m_pos = 0;
    size_t m_end = 0;
    std::string m_line;  // a line that spans buffer fills
    bool m_eof = false;
    bool m_skipLineFeed = false;  // the last line ended with CR; an LF after it belongs to it
    int m_error = 0;
};

// Writes lines of bytes, each ended with CR LF, through a fixed buffer.
class TLineWriter {
public:
    TLineWriter();
    ~TLineWriter();
    TLineWriter(const TLineWriter&) = delete;
    TLineWriter& operator=(const TLineWriter&) = delete;

    // Creates the file or empties it; 0 or the error number.
    int Open(const QString& fileName);
    // Writes to standard output instead of a file.
    void OpenStandardOutput();

    void Line(std::string_view bytes);
    // Writes what is buffered and closes; false when any write since the
    // open failed (Error() holds its number).
    bool Close();
    // Closes without writing what is pending and removes the file when it is
    // a regular file this writer created or emptied.
    void Discard();
    int Error() const { return m_error; }

private:
    bool Flush();

    int m_fd = -1;
    bool m_ownsFd = false;
    bool m_regular = false;
    QString m_fileName;
    std::string m_buffer;
    int m_error = 0;
};
