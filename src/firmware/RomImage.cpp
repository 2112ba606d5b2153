#include "firmware/RomImage.h"

#include <QFile>
#include <QIODevice>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 ReadChunk = 64 * 1024;
constexpr int MaxDigits = 8;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The value of a line's rest, fed one character at a time so that a line
// of any length costs no memory. Only the low 16 bits are kept; more than
// eight digits or any other character spoils the whole rest.
class THexWord {
public:
    void Add(char c)
    {
        if (m_bad)
            return;
        const int d = HexDigit(c);
        if (d < 0 || m_digits == MaxDigits) {
            m_bad = true;
            return;
        }
        m_value = quint16((m_value << 4) | d);
        ++m_digits;
    }
    bool Valid() const { return !m_bad && m_digits > 0; }
    quint16 Word() const { return Valid() ? m_value : 0; }
    void Reset() { *this = THexWord(); }

private:
    quint16 m_value = 0;
    int m_digits = 0;
    bool m_bad = false;
};

void ClearImage(TRomImage& image)
{
    image.bytes.fill(char(0xFF), RomImageSize);
    image.length = 0;
}

// A failed load leaves the image empty.
TRomResult Failed(TRomImage& image, TRomLoad status, int error = 0, const QString& text = {})
{
    ClearImage(image);
    TRomResult result;
    result.status = status;
    result.error = error;
    result.errorText = text;
    return result;
}

}  // namespace

quint16 RomLineWord(QByteArrayView afterColon)
{
    THexWord word;
    for (char c : afterColon)
        word.Add(c);
    return word.Word();
}

quint16 BlockCount(int length, int blockSize)
{
    if (blockSize < 1 || length < 1)
        return 0;
    return quint16(length / blockSize + (length % blockSize ? 1 : 0));
}

TRomResult LoadRom(QIODevice& in, TRomImage& image)
{
    ClearImage(image);
    char* out = image.bytes.data();
    int lines = 0;
    bool afterColon = false;
    THexWord word;
    TRomResult result;
    int fileLine = 1;
    bool afterCR = false;

    // Stores the word of the data line just ended; false once the image is full.
    auto endDataLine = [&]() {
        if (lines == RomMaxDataLines)
            return false;
        if (!word.Valid() && result.unreadWords++ == 0)
            result.firstUnreadLine = fileLine;
        const quint16 w = word.Word();
        out[2 * lines] = char(w & 0xFF);
        out[2 * lines + 1] = char(w >> 8);
        ++lines;
        return true;
    };

    QByteArray chunk(ReadChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(chunk.data(), ReadChunk);
        if (n < 0)
            return Failed(image, TRomLoad::ReadError, 0, in.errorString());
        if (n == 0)
            break;
        for (const char c : QByteArrayView(chunk.constData(), n)) {
            if (c == '\n' || c == '\r') {
                // CR LF yields an empty line in between, which has no colon.
                if (afterColon && !endDataLine())
                    return Failed(image, TRomLoad::TooManyLines);
                afterColon = false;
                word.Reset();
                if (c == '\r' || !afterCR)
                    ++fileLine;
                afterCR = c == '\r';
                continue;
            }
            afterCR = false;
            if (afterColon) {
                word.Add(c);
            } else if (c == ':') {
                afterColon = true;
            }
        }
    }
    if (afterColon && !endDataLine())
        return Failed(image, TRomLoad::TooManyLines);
    image.length = 2 * lines;
    return result;
}

TRomResult LoadRomFile(const QString& path, TRomImage& image)
{
    // Opened by hand: QFile keeps no error number, and the user is shown it.
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return Failed(image, TRomLoad::CannotOpen, errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Failed(image, TRomLoad::CannotOpen, EISDIR);
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Failed(image, TRomLoad::CannotOpen, EIO, file.errorString());
    }
    return LoadRom(file, image);
}
