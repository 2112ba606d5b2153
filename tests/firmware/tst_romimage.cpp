#include "firmware/RomImage.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <unistd.h>

Q_DECLARE_METATYPE(TRomLoad)

namespace {

// Hands out at most a few bytes per read, so that every line crosses
// reads; optionally fails once a number of bytes has been delivered.
class TDribble : public QIODevice {
public:
    TDribble(QByteArray data, qint64 failAt = -1) : m_data(std::move(data)), m_failAt(failAt)
    {
        open(QIODevice::ReadOnly);
    }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        if (m_failAt >= 0 && m_pos >= m_failAt) {
            setErrorString(QStringLiteral("device gone"));
            return -1;
        }
        const qint64 n = std::min({max, qint64(3), qint64(m_data.size() - m_pos)});
        memcpy(out, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }
    bool isSequential() const override { return true; }

private:
    QByteArray m_data;
    qint64 m_failAt;
    qint64 m_pos = 0;
};

// A large file made up on the fly: head, then pattern repeated up to size
// bytes in all; counts the bytes handed out.
class TGenerated : public QIODevice {
public:
    TGenerated(QByteArray head, QByteArray pattern, qint64 size)
        : m_head(std::move(head)), m_pattern(std::move(pattern)), m_size(size)
    {
        open(QIODevice::ReadOnly);
    }
    qint64 Delivered() const { return m_pos; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min(max, m_size - m_pos);
        for (qint64 i = 0; i < n; ++i, ++m_pos)
            out[i] = m_pos < m_head.size() ? m_head[m_pos] : m_pattern[(m_pos - m_head.size()) % m_pattern.size()];
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }
    bool isSequential() const override { return true; }

private:
    QByteArray m_head, m_pattern;
    qint64 m_size;
    qint64 m_pos = 0;
};

TRomResult LoadText(const QByteArray& text, TRomImage& image)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return LoadRom(buffer, image);
}

bool RestIsFill(const TRomImage& image, int from)
{
    for (qsizetype i = from; i < image.bytes.size(); ++i)
        if (quint8(image.bytes[i]) != 0xFF)
            return false;
    return true;
}

}  // namespace

class TstRomImage : public QObject {
    Q_OBJECT

private slots:
    void lineWord_data();
    void lineWord();
    void files_data();
    void files();
    void readsAcrossShortReads();
    void dataLineLimit();
    void binaryGarbage();
    void longLines();
    void hugeFiles_data();
    void hugeFiles();
    void readError();
    void onDisk();
    void unreadableFile();
    void blockCount_data();
    void blockCount();
};

void TstRomImage::lineWord_data()
{
    QTest::addColumn<QByteArray>("rest");
    QTest::addColumn<int>("word");
    QTest::newRow("four digits") << QByteArray("3FA5") << 0x3FA5;
    QTest::newRow("lower case") << QByteArray("3fa5") << 0x3FA5;
    QTest::newRow("one digit") << QByteArray("7") << 7;
    QTest::newRow("nine digits") << QByteArray("000001234") << 0;
    QTest::newRow("blank between") << QByteArray("3F A5") << 0;
    QTest::newRow("tab") << QByteArray("\t3FA5") << 0;
    QTest::newRow("sign") << QByteArray("+12") << 0;
    QTest::newRow("0x prefix") << QByteArray("0x12") << 0;
    QTest::newRow("letter beyond f") << QByteArray("12G4") << 0;
    QTest::newRow("NUL") << QByteArray("12\0"
                                       "4",
                                       4)
                         << 0;
    QTest::newRow("high bit byte") << QByteArray("1\xC3\xA4") << 0;
}

void TstRomImage::lineWord()
{
    QFETCH(QByteArray, rest);
    QFETCH(int, word);
    QCOMPARE(int(RomLineWord(rest)), word);
}

void TstRomImage::files_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("stored");  // the data bytes expected at offset 0
    QTest::addColumn<int>("unread");         // data lines that did not read as a number
    QTest::addColumn<int>("firstUnread");    // file line of the first of them
    QTest::newRow("address and word") << QByteArray("0010:3FA5\n") << QByteArray("\xA5\x3F") << 0 << 0;
    QTest::newRow("five digits") << QByteArray("x:12345\n") << QByteArray("\x45\x23") << 0 << 0;
    QTest::newRow("eight digits") << QByteArray("0:FFFF1234\n") << QByteArray("\x34\x12") << 0 << 0;
    QTest::newRow("blank after colon") << QByteArray("0012: 3FA5\n") << QByteArray(2, '\0') << 1 << 1;
    QTest::newRow("blank after digits") << QByteArray("0012:3FA5 \n") << QByteArray(2, '\0') << 1 << 1;
    QTest::newRow("nine digits") << QByteArray("0:123456789\n") << QByteArray(2, '\0') << 1 << 1;
    QTest::newRow("empty rest") << QByteArray(":\n0:1\n") << QByteArray("\0\0\x01\0", 4) << 1 << 1;
    QTest::newRow("no colon skipped") << QByteArray("header\n0:0102\n\nremark 12\n0:0304\n")
                                      << QByteArray("\x02\x01\x04\x03") << 0 << 0;
    QTest::newRow("file order, address ignored")
        << QByteArray("0100:1111\n0000:2222\n") << QByteArray("\x11\x11\x22\x22") << 0 << 0;
    QTest::newRow("first colon counts") << QByteArray("a:b:c\n1:2\n") << QByteArray("\0\0\x02\0", 4) << 1 << 1;
    QTest::newRow("CR only") << QByteArray("0:1\r0:2\r0:3") << QByteArray("\x01\0\x02\0\x03\0", 6) << 0 << 0;
    QTest::newRow("CR LF") << QByteArray("0:1\r\n0:2\r\n") << QByteArray("\x01\0\x02\0", 4) << 0 << 0;
    QTest::newRow("mixed endings") << QByteArray("0:1\n0:2\r\n0:3\r0:4") << QByteArray("\x01\0\x02\0\x03\0\x04\0", 8)
                                   << 0 << 0;
    QTest::newRow("last line unterminated") << QByteArray("0:AB") << QByteArray("\xAB\0", 2) << 0 << 0;
    QTest::newRow("empty file") << QByteArray() << QByteArray() << 0 << 0;
    QTest::newRow("line numbers across endings")
        << QByteArray("h\r\n0:1\r\n\r\n0:zz\n0:2\r0:?\r\n") << QByteArray("\x01\0\0\0\x02\0\0\0", 8) << 2 << 4;
    QTest::newRow("no colon anywhere") << QByteArray("just text\r\nmore\n") << QByteArray() << 0 << 0;
}

void TstRomImage::files()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, stored);
    QFETCH(int, unread);
    QFETCH(int, firstUnread);
    TRomImage image;
    image.bytes.fill('\x55');  // stale content from an earlier load
    image.length = 99;
    const TRomResult result = LoadText(text, image);
    QCOMPARE(result.status, TRomLoad::Ok);
    QCOMPARE(result.unreadWords, unread);
    QCOMPARE(result.firstUnreadLine, firstUnread);
    QCOMPARE(image.bytes.size(), RomImageSize);
    QCOMPARE(image.length, stored.size());
    QCOMPARE(image.bytes.left(stored.size()), stored);
    QVERIFY(RestIsFill(image, image.length));
}

void TstRomImage::readsAcrossShortReads()
{
    TDribble in("12:ABCD\r\nskip\r\n:5\r\n99:123456789\r:00FF\r\n");
    TRomImage image;
    const TRomResult result = LoadRom(in, image);
    QCOMPARE(result.status, TRomLoad::Ok);
    QCOMPARE(result.unreadWords, 1);
    QCOMPARE(result.firstUnreadLine, 4);
    QCOMPARE(image.length, 8);
    QCOMPARE(image.bytes.left(8), QByteArray("\xCD\xAB\x05\0\0\0\xFF\0", 8));
}

void TstRomImage::dataLineLimit()
{
    QByteArray text;
    text.reserve(RomMaxDataLines * 7 + 8);
    for (int i = 0; i < RomMaxDataLines; ++i)
        text += ':' + QByteArray::number(i, 16) + '\n';

    TRomImage image;
    QCOMPARE(LoadText(text, image).status, TRomLoad::Ok);
    QCOMPARE(image.length, 2 * RomMaxDataLines);
    QCOMPARE(quint8(image.bytes[131070]), quint8(0xFF));  // word 0xFFFF
    QCOMPARE(quint8(image.bytes[131069]), quint8(0xFF));  // word 0xFFFE
    QCOMPARE(quint8(image.bytes[131068]), quint8(0xFE));
    QCOMPARE(quint8(image.bytes[2]), quint8(0x01));
    QVERIFY(RestIsFill(image, image.length));

    // Lines without a colon after the last data line do not count.
    QCOMPARE(LoadText(text + "end\n\n", image).status, TRomLoad::Ok);
    QCOMPARE(image.length, 2 * RomMaxDataLines);

    // One more data line, even an empty one and even unterminated, is refused.
    for (const QByteArray& extra : {QByteArray(":0\n"), QByteArray(":"), QByteArray("x:zz")}) {
        const TRomResult result = LoadText(text + extra, image);
        QCOMPARE(result.status, TRomLoad::TooManyLines);
        QCOMPARE(image.length, 0);
        QCOMPARE(image.bytes.size(), RomImageSize);
        QVERIFY(RestIsFill(image, 0));
    }
}

void TstRomImage::binaryGarbage()
{
    // Every byte value, colons and line ends among them, in a fixed sequence.
    QByteArray garbage;
    quint32 x = 12345;
    for (int i = 0; i < 300000; ++i) {
        x = x * 1103515245u + 12345u;
        garbage += char(x >> 23);
    }
    TRomImage image;
    QCOMPARE(LoadText(garbage, image).status, TRomLoad::Ok);

    // Independent count: segments between line ends that hold a colon.
    QByteArray normalised = garbage;
    normalised.replace('\r', '\n');
    int dataLines = 0;
    QByteArray expected;
    for (const QByteArray& line : normalised.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        ++dataLines;
        const quint16 w = RomLineWord(QByteArrayView(line).sliced(colon + 1));
        expected += char(w & 0xFF);
        expected += char(w >> 8);
    }
    QVERIFY(dataLines > 100);
    QCOMPARE(image.length, 2 * dataLines);
    QCOMPARE(image.bytes.left(image.length), expected);
}

void TstRomImage::longLines()
{
    TRomImage image;
    // 8 MB without a line end or colon, then a data line.
    QByteArray text(8 * 1024 * 1024, 'A');
    text += "\n0:BEEF\n";
    QCOMPARE(LoadText(text, image).status, TRomLoad::Ok);
    QCOMPARE(image.length, 2);
    QCOMPARE(image.bytes.left(2), QByteArray("\xEF\xBE"));

    // 8 MB of digits after a colon: one data line worth 0.
    QByteArray digits = "0:" + QByteArray(8 * 1024 * 1024, '1') + "\n:2";
    QCOMPARE(LoadText(digits, image).status, TRomLoad::Ok);
    QCOMPARE(image.length, 4);
    QCOMPARE(image.bytes.left(4), QByteArray("\0\0\x02\0", 4));
}

void TstRomImage::hugeFiles_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<TRomLoad>("status");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("unread");
    QTest::addColumn<qint64>("readAtMost");

    constexpr qint64 k100MB = 100 * 1024 * 1024;
    // Refused as soon as the data line over the limit ends, not at the end of
    // the file.
    QTest::newRow("100 MB of data lines") << QByteArray() << QByteArray(":1234\n") << TRomLoad::TooManyLines << 0 << 0
                                          << qint64(RomMaxDataLines + 1) * 6 + 64 * 1024;
    QTest::newRow("100 MB of digits in one line")
        << QByteArray(":") << QByteArray("7") << TRomLoad::Ok << 2 << 1 << k100MB;
    QTest::newRow("100 MB of NUL bytes") << QByteArray() << QByteArray(1, '\0') << TRomLoad::Ok << 0 << 0 << k100MB;
    QTest::newRow("100 MB of CR") << QByteArray(":1\r") << QByteArray("\r") << TRomLoad::Ok << 2 << 0 << k100MB;
}

void TstRomImage::hugeFiles()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, pattern);
    QFETCH(TRomLoad, status);
    QFETCH(int, length);
    QFETCH(int, unread);
    QFETCH(qint64, readAtMost);
    TGenerated in(head, pattern, 100 * 1024 * 1024);
    TRomImage image;
    const TRomResult result = LoadRom(in, image);
    QCOMPARE(result.status, status);
    QCOMPARE(image.length, length);
    QCOMPARE(result.unreadWords, unread);
    QCOMPARE(image.bytes.size(), RomImageSize);
    QVERIFY(RestIsFill(image, length));
    QVERIFY2(in.Delivered() <= readAtMost, qPrintable(QString::number(in.Delivered())));
}

void TstRomImage::readError()
{
    TDribble in("0:1\n0:2\n0:3\n", 6);
    TRomImage image;
    const TRomResult result = LoadRom(in, image);
    QCOMPARE(result.status, TRomLoad::ReadError);
    QCOMPARE(result.errorText, QStringLiteral("device gone"));
    QCOMPARE(image.length, 0);
    QVERIFY(RestIsFill(image, 0));
}

void TstRomImage::onDisk()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Prüf datei.rom");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("; firmware\r\n0000:3FA5\r\n0001:0042\r\n");
    file.close();
    TRomImage image;
    QCOMPARE(LoadRomFile(path, image).status, TRomLoad::Ok);
    QCOMPARE(image.length, 4);
    QCOMPARE(image.bytes.left(4), QByteArray("\xA5\x3F\x42\0", 4));

    // 100 MB of NUL bytes on disk (a sparse file): no data line, nothing kept.
    const QString huge = dir.filePath("huge.rom");
    QFile hugeFile(huge);
    QVERIFY(hugeFile.open(QIODevice::WriteOnly) && hugeFile.resize(100 * 1024 * 1024));
    hugeFile.close();
    QCOMPARE(LoadRomFile(huge, image).status, TRomLoad::Ok);
    QCOMPARE(image.length, 0);

    TRomResult result = LoadRomFile(dir.filePath("missing.rom"), image);
    QCOMPARE(result.status, TRomLoad::CannotOpen);
    QCOMPARE(result.error, ENOENT);
    QCOMPARE(image.length, 0);

    result = LoadRomFile(dir.path(), image);
    QCOMPARE(result.status, TRomLoad::CannotOpen);
    QCOMPARE(result.error, EISDIR);
}

void TstRomImage::unreadableFile()
{
    if (::geteuid() == 0)
        QSKIP("running as root: file permissions do not apply");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TRomImage image;
    const QString locked = dir.filePath("locked.rom");
    QFile file(locked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("0:1\n");
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::Permissions()));
    const TRomResult result = LoadRomFile(locked, image);
    QCOMPARE(result.status, TRomLoad::CannotOpen);
    QCOMPARE(result.error, EACCES);
}

void TstRomImage::blockCount_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<int>("blocks");
    QTest::newRow("600 at 64") << 600 << 64 << 10;
    QTest::newRow("600 at 128") << 600 << 128 << 5;
    QTest::newRow("600 at 256") << 600 << 256 << 3;
    QTest::newRow("empty") << 0 << 128 << 0;
    QTest::newRow("one line") << 2 << 128 << 1;
    QTest::newRow("full image at 64") << 131072 << 64 << 2048;
    QTest::newRow("wraps at 16 bits") << 131072 << 2 << 0;
    QTest::newRow("block size 0") << 600 << 0 << 0;
}

void TstRomImage::blockCount()
{
    QFETCH(int, length);
    QFETCH(int, blockSize);
    QFETCH(int, blocks);
    QCOMPARE(int(BlockCount(length, blockSize)), blocks);
}

QTEST_GUILESS_MAIN(TstRomImage)
#include "tst_romimage.moc"
