// Arbitrary bytes as a firmware file, loaded from memory. The image is
// compared with an independent reading of the same bytes.
#include "FuzzCheck.h"
#include "firmware/RomImage.h"

#include <QBuffer>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct TExpectedLine {
    bool valid;
    quint16 word;
    int fileLine;
};

// Data lines of the file: one per line holding a colon; lines end at LF,
// CR LF or CR.
std::vector<TExpectedLine> DataLines(const uint8_t* data, size_t size)
{
    std::vector<TExpectedLine> out;
    size_t pos = 0;
    int fileLine = 1;
    while (pos <= size) {
        size_t end = pos;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        size_t colon = pos;
        while (colon < end && data[colon] != ':')
            ++colon;
        if (colon < end) {
            // One to eight hexadecimal digits and nothing else.
            const size_t digits = end - colon - 1;
            bool valid = digits >= 1 && digits <= 8;
            quint32 value = 0;
            for (size_t i = colon + 1; valid && i < end; ++i) {
                const char c = char(data[i]);
                int d = -1;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (c >= 'a' && c <= 'f')
                    d = c - 'a' + 10;
                else if (c >= 'A' && c <= 'F')
                    d = c - 'A' + 10;
                valid = d >= 0;
                value = value * 16 + quint32(d);
            }
            out.push_back({valid, valid ? quint16(value & 0xFFFF) : quint16(0), fileLine});
        }
        if (end >= size)
            break;
        pos = end + (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n' ? 2 : 1);
        ++fileLine;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // One image for all runs, as the program keeps it: what the previous
    // file left in it must go.
    static TRomImage image;
    static const QByteArray allFF(RomImageSize, char(0xFF));
    image.length = 12345;
    const TRomResult result = LoadRom(buffer, image);
    const char* const stored = image.bytes.constData();

    FUZZ_CHECK(image.bytes.size() == RomImageSize, "the image keeps its size");
    const std::vector<TExpectedLine> lines = DataLines(data, size);
    if (lines.size() > size_t(RomMaxDataLines)) {
        FUZZ_CHECK(result.status == TRomLoad::TooManyLines, "too many data lines are refused");
        FUZZ_CHECK(image.length == 0, "a refused file leaves the image empty");
    } else {
        FUZZ_CHECK(result.status == TRomLoad::Ok, "a file that fits loads");
        FUZZ_CHECK(image.length == int(2 * lines.size()), "two bytes per data line");
        int unread = 0;
        int firstUnread = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            const quint16 word = quint16(quint8(stored[2 * i]) | quint8(stored[2 * i + 1]) << 8);
            FUZZ_CHECK(word == lines[i].word, "each data line's word is stored low byte first, in file order");
            if (!lines[i].valid && unread++ == 0)
                firstUnread = lines[i].fileLine;
        }
        FUZZ_CHECK(result.unreadWords == unread, "unread words are counted");
        FUZZ_CHECK(result.firstUnreadLine == firstUnread, "the first unread line is named by its file line");
    }
    FUZZ_CHECK(image.length >= 0 && image.length <= RomImageSize, "the length lies within the image");
    FUZZ_CHECK(std::memcmp(stored + image.length, allFF.constData(), size_t(RomImageSize - image.length)) == 0,
               "the image is 0xFF behind the data");

    // The blocks cover the data exactly: none short, none to spare.
    for (const int blockSize : {1, 2, 3, 64, 128, 256, 1000, RomImageSize}) {
        const int blocks = BlockCount(image.length, blockSize);
        FUZZ_CHECK(qint64(blocks) * blockSize >= image.length, "the blocks hold the data");
        FUZZ_CHECK(blocks == 0 || qint64(blocks - 1) * blockSize < image.length, "no block is spare");
    }
    FUZZ_CHECK(BlockCount(image.length, 0) == 0, "no blocks of size 0");

    // The word of a line read on its own is the word the load stored.
    const qsizetype colon = bytes.indexOf(':');
    if (colon >= 0) {
        qsizetype end = colon + 1;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        const QByteArrayView rest(bytes.constData() + colon + 1, end - colon - 1);
        FUZZ_CHECK(lines.empty() || RomLineWord(rest) == lines[0].word, "RomLineWord agrees with the load");
    }
    return 0;
}
