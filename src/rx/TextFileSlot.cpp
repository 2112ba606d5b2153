#include "rx/TextFileSlot.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Plain POSIX calls so that a failed open reports the real errno and every
// write failure (ENOSPC, EIO) is seen at the call that caused it. Reading and
// buffered writing go through blocks of kBlockSize bytes.

namespace {

constexpr qsizetype kBlockSize = 64 * 1024;

// One byte per character; a character outside Latin-1 (a surrogate pair
// counts as one character) becomes '?'.
void AppendLatin1(QByteArray& out, QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c <= 0xFF) {
            out += static_cast<char>(c);
            continue;
        }
        out += '?';
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode()))
            ++i;
    }
}

}  // namespace

TTextFileSlot::TTextFileSlot() = default;

TTextFileSlot::~TTextFileSlot() { Release(); }

int TTextFileSlot::OpenForReading(const QString& fileName) { return Open(fileName, Mode::Reading); }

int TTextFileSlot::OpenForWriting(const QString& fileName) { return Open(fileName, Mode::Writing); }
int TTextFileSlot::OpenForAppending(const QString& fileName) { return Open(fileName, Mode::Writing, true); }

int TTextFileSlot::Open(const QString& fileName, Mode mode, bool append)
{
    Close();
    // The error handler called by Close() may itself have opened a file; the
    // open asked for here wins.
    Release();

    const QByteArray path = QFile::encodeName(fileName);
    int fd;
    do {
        fd = mode == Mode::Reading
                 ? ::open(path.constData(), O_RDONLY | O_CLOEXEC)
                 : ::open(path.constData(), O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC) | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno != 0 ? errno : EIO;

    // Linux lets a directory be opened for reading; the read would fail later.
    struct stat st {};
    if (mode == Mode::Reading && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }

    fd_ = fd;
    mode_ = mode;
    fileName_ = fileName;
    return 0;
}

bool TTextFileSlot::Release()
{
    if (fd_ < 0)
        return true;
    bool ok = true;
    if (mode_ == Mode::Writing)
        ok = FlushPending();
    else if (readFailed_)
        ok = false;
    // On Linux the descriptor is gone even when close() reports EINTR.
    if (::close(fd_) != 0 && errno != EINTR)
        ok = false;

    fd_ = -1;
    mode_ = Mode::Closed;
    fileName_.clear();
    pending_.clear();
    readBuffer_.clear();
    readPos_ = 0;
    eof_ = false;
    readFailed_ = false;
    skipLineFeed_ = false;
    return ok;
}

void TTextFileSlot::Fail()
{
    const QString name = fileName_;
    pending_.clear();  // nothing more is tried on the broken file
    Release();
    // A copy, in case the handler replaces OnError while it runs.
    const auto handler = OnError;
    if (handler)
        handler(name);
}

void TTextFileSlot::Close()
{
    if (fd_ < 0)
        return;
    const QString name = fileName_;
    if (!Release()) {
        const auto handler = OnError;
        if (handler)
            handler(name);
    }
}

bool TTextFileSlot::IsOpen() const { return mode_ != Mode::Closed; }

bool TTextFileSlot::IsWriting() const { return mode_ == Mode::Writing; }

QString TTextFileSlot::FileName() const { return fileName_; }

bool TTextFileSlot::FlushPending()
{
    qsizetype done = 0;
    while (done < pending_.size()) {
        const ssize_t put = ::write(fd_, pending_.constData() + done, pending_.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (put == 0)
            return false;
        done += put;
    }
    pending_.clear();
    return true;
}

void TTextFileSlot::WriteLine(const QString& line) { write(line, true); }

void TTextFileSlot::Write(QStringView text) { write(text, false); }

void TTextFileSlot::write(QStringView text, bool lineEnds)
{
    if (mode_ != Mode::Writing)
        return;
    AppendLatin1(pending_, text);
    if (lineEnds)
        pending_ += "\r\n";
    if ((flushEachLine_ || pending_.size() >= kBlockSize) && !FlushPending())
        Fail();
}

void TTextFileSlot::SetFlushEachLine(bool on)
{
    flushEachLine_ = on;
    if (on && mode_ == Mode::Writing && !pending_.isEmpty() && !FlushPending())
        Fail();
}

bool TTextFileSlot::FillReadBuffer() const
{
    if (eof_ || readFailed_)
        return false;
    readBuffer_.resize(kBlockSize);
    ssize_t got;
    do {
        got = ::read(fd_, readBuffer_.data(), kBlockSize);
    } while (got < 0 && errno == EINTR);
    readPos_ = 0;
    if (got <= 0) {
        readBuffer_.clear();
        (got == 0 ? eof_ : readFailed_) = true;
        return false;
    }
    readBuffer_.resize(got);
    return true;
}

void TTextFileSlot::SkipLineFeedAfterCR() const
{
    if (!skipLineFeed_)
        return;
    skipLineFeed_ = false;
    if (readPos_ >= readBuffer_.size() && !FillReadBuffer())
        return;
    if (readBuffer_[readPos_] == '\n')
        ++readPos_;
}

QString TTextFileSlot::ReadLine()
{
    if (mode_ != Mode::Reading)
        return QString();
    SkipLineFeedAfterCR();
    QByteArray line;
    for (;;) {
        if (readPos_ >= readBuffer_.size() && !FillReadBuffer())
            break;
        const char* begin = readBuffer_.constData() + readPos_;
        const qsizetype available = readBuffer_.size() - readPos_;
        qsizetype i = 0;
        while (i < available && begin[i] != '\n' && begin[i] != '\r')
            ++i;
        line.append(begin, i);
        if (i < available) {
            skipLineFeed_ = begin[i] == '\r';
            readPos_ += i + 1;
            break;
        }
        readPos_ += available;
    }
    if (readFailed_) {
        Fail();
        return QString();
    }
    return QString::fromLatin1(line);
}

bool TTextFileSlot::AtEnd() const
{
    if (mode_ != Mode::Reading)
        return true;
    SkipLineFeedAfterCR();
    if (readPos_ < readBuffer_.size())
        return false;
    return !FillReadBuffer();
}
