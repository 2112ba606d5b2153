#include "gps/NmeaStream.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kBlockSize = 64 * 1024;

int OpenRetrying(const QString& fileName, int flags)
{
    const QByteArray path = QFile::encodeName(fileName);
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

// ---------------------------------------------------------------------------

TLineReader::TLineReader(size_t blockBytes) : m_buffer(std::max<size_t>(blockBytes, 1)) {}

TLineReader::~TLineReader() { Close(); }

int TLineReader::Open(const QString& fileName)
{
    Close();
    const int fd = OpenRetrying(fileName, O_RDONLY);
    if (fd < 0)
        return errno != 0 ? errno : EIO;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    m_fd = fd;
    return 0;
}

bool TLineReader::Rewind()
{
    m_pos = m_end = 0;
    m_line.clear();
    m_eof = false;
    m_skipLineFeed = false;
    if (m_fd < 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) {
        m_error = m_fd < 0 ? EBADF : errno;
        return false;
    }
    return m_error == 0;
}

void TLineReader::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_pos = m_end = 0;
    m_line.clear();
    m_line.shrink_to_fit();
    m_eof = false;
    m_skipLineFeed = false;
    m_error = 0;
}

bool TLineReader::Identity(unsigned long long& device, unsigned long long& inode) const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return false;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
}

bool TLineReader::Fill()
{
    m_pos = m_end = 0;
    if (m_eof || m_error != 0 || m_fd < 0)
        return false;
    ssize_t got;
    do {
        got = ::read(m_fd, m_buffer.data(), m_buffer.size());
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        m_error = errno;
        return false;
    }
    if (got == 0) {
        m_eof = true;
        return false;
    }
    m_end = static_cast<size_t>(got);
    return true;
}

bool TLineReader::Next(std::string_view& line)
{
    if (m_pos >= m_end && !Fill())
        return false;
    if (m_skipLineFeed) {
        // The line before ended with CR: an LF, or CR LF, after it belong to
        // that end (CR CR LF is how some loggers end their lines).
        m_skipLineFeed = false;
        if (m_buffer[m_pos] == '\n') {
            if (++m_pos >= m_end && !Fill())
                return false;
        } else if (m_buffer[m_pos] == '\r') {
            if (m_pos + 1 < m_end) {
                if (m_buffer[m_pos + 1] == '\n' && (m_pos += 2) >= m_end && !Fill())
                    return false;
            } else {
                // The second CR is the last byte of the block.
                ++m_pos;
                if (!Fill() || m_buffer[m_pos] != '\n') {
                    // It ended an empty line of its own.
                    if (m_error != 0)
                        return false;
                    line = std::string_view();
                    return true;
                }
                if (++m_pos >= m_end && !Fill())
                    return false;
            }
        }
    }
    m_line.clear();
    bool spans = false;
    for (;;) {
        const char* begin = m_buffer.data() + m_pos;
        const size_t available = m_end - m_pos;
        const char* lf = static_cast<const char*>(std::memchr(begin, '\n', available));
        const size_t upTo = lf ? static_cast<size_t>(lf - begin) : available;
        const char* cr = static_cast<const char*>(std::memchr(begin, '\r', upTo));
        const char* stop = cr ? cr : lf;
        if (stop) {
            const size_t length = static_cast<size_t>(stop - begin);
            m_skipLineFeed = stop == cr;
            m_pos += length + 1;
            if (!spans) {
                line = std::string_view(begin, std::min(length, kMaxLineBytes));
                return true;
            }
            m_line.append(begin, std::min(length, kMaxLineBytes - m_line.size()));
            break;
        }
        spans = true;
        m_line.append(begin, std::min(available, kMaxLineBytes - m_line.size()));
        m_pos = m_end;
        if (!Fill())
            break;
    }
    if (m_error != 0)
        return false;
    line = m_line;
    return true;
}

// ---------------------------------------------------------------------------

TLineWriter::TLineWriter() { m_buffer.reserve(kBlockSize + 1024); }

TLineWriter::~TLineWriter() { Close(); }

int TLineWriter::Open(const QString& fileName)
{
    Close();
    const int fd = OpenRetrying(fileName, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0)
        return errno != 0 ? errno : EIO;
    struct stat st {};
    m_regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    m_fd = fd;
    m_ownsFd = true;
    m_fileName = fileName;
    m_error = 0;
    return 0;
}

void TLineWriter::OpenStandardOutput()
{
    Close();
    m_fd = STDOUT_FILENO;
    m_ownsFd = false;
    m_regular = false;
    m_fileName.clear();
    m_error = 0;
}

void TLineWriter::Line(std::string_view bytes)
{
    if (m_fd < 0 || m_error != 0)
        return;
    m_buffer.append(bytes);
    m_buffer.append("\r\n", 2);
    if (m_buffer.size() >= kBlockSize)
        Flush();
}

bool TLineWriter::Flush()
{
    size_t done = 0;
    while (done < m_buffer.size() && m_error == 0) {
        const ssize_t put = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (put < 0) {
            if (errno != EINTR)
                m_error = errno;
        } else if (put == 0) {
            m_error = EIO;
        } else {
            done += static_cast<size_t>(put);
        }
    }
    m_buffer.clear();
    return m_error == 0;
}

bool TLineWriter::Close()
{
    if (m_fd < 0)
        return m_error == 0;
    Flush();
    if (m_ownsFd) {
        // On Linux the descriptor is gone even when close() reports EINTR.
        if (::close(m_fd) != 0 && errno != EINTR && m_error == 0)
            m_error = errno;
    }
    m_fd = -1;
    // A complete file is never removed by a later Discard().
    if (m_error == 0)
        m_fileName.clear();
    return m_error == 0;
}

void TLineWriter::Discard()
{
    m_buffer.clear();
    if (m_fd >= 0 && m_ownsFd)
        ::close(m_fd);
    if (m_regular && !m_fileName.isEmpty())
        ::unlink(QFile::encodeName(m_fileName).constData());
    m_fd = -1;
    m_fileName.clear();
}
