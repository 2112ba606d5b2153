#include "firmware/FlashProcedure.h"

#include <QtTest>

#include <stdexcept>

namespace {

// Plays the device's boot loader behind the dialog's port. It checks the
// header and every block against its own sums, keeps the accepted blocks
// as its flash, and answers from a script; past the script it accepts a
// correct block and answers "2" after the last block the header announced.
// A block with a wrong checksum is rejected with "1" and noted as a fault.
class TFakeLoader : public IFlashHost {
public:
    explicit TFakeLoader(int blockSize) : blockSize(blockSize) {}

    // Script.
    int blockSize;
    QString rate = QStringLiteral("9600");
    bool answersStart = true;     // sends "3" once the port runs at 115200
    bool startAtAnyRate = false;  // a modem link carries it at any rate
    QChar rx = u'?';              // LastRxChar before the update
    QStringList replies;          // raw text sent after each checksum byte, in order
    int startDelayMs = 20;
    int replyDelayMs = 20;
    bool throwOnStart = false;

    // Observations.
    QStringList events;  // calls other than bytes and progress, in order
    QStringList faults;
    QList<QPair<int, quint8>> sent;
    QStringList statuses;
    QList<int> progress;
    QStringList elapsed;
    int progressMax = -1;
    bool green = false;
    bool quiet = false;
    int announcedBlocks = -1;
    int checksumsSeen = 0;
    QByteArray flash;  // accepted blocks, in order
    quint32 clock = 0;

    void WriteStart(bool throughSend) override
    {
        events << QStringLiteral("start %1").arg(throughSend ? "send" : "direct");
        if (throwOnStart)
            throw std::runtime_error("port closed");
        m_started = true;
    }
    void SetQuietSend(bool q) override
    {
        events << QStringLiteral("quiet %1").arg(q);
        quiet = q;
    }
    QString CurrentRateName() override { return rate; }
    void SwitchTo115200() override
    {
        events << QStringLiteral("switch");
        rate = QStringLiteral("115200");
    }
    void ReturnTo9600() override
    {
        events << QStringLiteral("return");
        rate = QStringLiteral("9600");
    }
    void SendByte(int counter, quint8 byte) override
    {
        sent.append({counter, byte});
        if (!m_started)
            faults << "byte before the start command";
        if (!quiet)
            faults << "byte while QuietSend is off";
        if (m_header.size() < 3) {
            ReceiveHeader(counter, byte);
            return;
        }
        if (m_block.size() < blockSize) {
            const int offset = int(flash.size() + m_block.size());
            if (counter != offset)
                faults << QStringLiteral("byte at %1 sent with counter %2").arg(offset).arg(counter);
            m_block += char(byte);
            m_sum = quint8(m_sum + byte);
            return;
        }
        ReceiveChecksum(counter, byte);
    }
    QChar LastRxChar() override { return rx; }
    void SetLastRxChar(QChar c) override { rx = c; }
    void WaitWhile(int limitMs, const std::function<bool()>& cond) override
    {
        events << QStringLiteral("wait %1").arg(limitMs);
        if (m_startPending && answersStart && (rate == u"115200" || startAtAnyRate)) {
            m_pending = QStringLiteral("3");
            m_pendingDelay = startDelayMs;
        }
        m_startPending = false;
        if (!m_pending.isEmpty() && m_pendingDelay <= limitMs) {
            clock += quint32(m_pendingDelay);
            for (const QChar c : std::as_const(m_pending))
                if (c.unicode() >= 32)
                    rx = c;  // the receive handler's rule
            m_pending.clear();
        }
        if (cond()) {
            clock += quint32(limitMs);
            events << QStringLiteral("timeout");
        }
        m_pending.clear();  // a late answer is lost with the wait
    }
    quint32 NowMs() override { return clock; }
    void SetStatus(const QString& text) override { statuses << text; }
    void SetProgressMax(int max) override { progressMax = max; }
    void SetProgress(int value) override
    {
        if (value > progressMax)
            faults << QStringLiteral("progress %1 above the maximum").arg(value);
        progress << value;
    }
    void SetBarGreen(bool g) override { green = g; }
    void SetElapsedText(const QString& text) override { elapsed << text; }

private:
    void ReceiveHeader(int counter, quint8 byte)
    {
        const int expected[] = {0, 1, ChecksumCounter};
        const int index = int(m_header.size());
        if (counter != expected[index])
            faults << QStringLiteral("header byte %1 with counter %2").arg(index).arg(counter);
        m_header += char(byte);
        if (m_header.size() < 3)
            return;
        const quint8 low = quint8(m_header[0]), high = quint8(m_header[1]);
        if (quint8(m_header[2]) != quint8(low + high))
            faults << "wrong header checksum";
        announcedBlocks = low | high << 8;
    }
    void ReceiveChecksum(int counter, quint8 byte)
    {
        if (counter != ChecksumCounter)
            faults << QStringLiteral("checksum sent with counter %1").arg(counter);
        if (rx != u'x')
            faults << "LastRxChar not marked before the checksum";
        const int number = checksumsSeen++;
        const bool correct = byte == m_sum;
        if (!correct)
            faults << QStringLiteral("wrong checksum on block %1").arg(number);
        QString reply;
        if (number < replies.size()) {
            reply = replies[number];
        } else {
            const bool last = flash.size() / blockSize + 1 >= announcedBlocks;
            reply = !correct ? QStringLiteral("1") : last ? QStringLiteral("2") : QStringLiteral("0");
        }
        QChar verdict;
        for (const QChar c : std::as_const(reply))
            if (c.unicode() >= 32)
                verdict = c;
        if (verdict == u'0' || verdict == u'2')
            flash += m_block;
        m_block.clear();
        m_sum = 0;
        m_pending = reply;
        m_pendingDelay = replyDelayMs;
    }

    bool m_started = false;
    bool m_startPending = true;
    QByteArray m_header;
    QByteArray m_block;
    quint8 m_sum = 0;
    QString m_pending;
    int m_pendingDelay = 0;
};

// An image of `lines` data lines with varied words, through the file reader.
TRomImage MakeImage(int lines)
{
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += QByteArray::number(i) + ':' + QByteArray::number((i * 2654435761u) >> 12 & 0xFFFF, 16) + "\r\n";
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    TRomImage image;
    LoadRom(buffer, image);
    return image;
}

const QString InProgress = QStringLiteral("in progress");
const QString Done = QStringLiteral("Firmware-Update OK");
const QString NoStartText = QStringLiteral("Firmware-Update fehlerhaft (Startzeichen fehlt ...)");
const QString NoAckText = QStringLiteral("Firmware-Update fehlerhaft (no ACK)");
const QString WrongAckText = QStringLiteral("Firmware-Update fehlerhaft (wrong ACK)");
const QString RetriesText = QStringLiteral("Firmware-Update fehlerhaft (zuviel Wiederholungen)");
const QString UnfinishedText = QStringLiteral("Firmware-Update fehlerhaft (\?\?\?)");

}  // namespace

Q_DECLARE_METATYPE(TFlashOutcome)

class TstFlashProcedure : public QObject {
    Q_OBJECT

private slots:
    void wholeImageArrives_data();
    void wholeImageArrives();
    void oneLineWireExchange();
    void emptyImage();
    void rejectionsThenAcceptance();
    void thirdRejectionEnds();
    void answers_data();
    void answers();
    void startCharacter_data();
    void startCharacter();
    void rateSwitch_data();
    void rateSwitch();
    void startCommandThrows();
    void modemLink();
    void answerTimeLimits_data();
    void answerTimeLimits();
};

void TstFlashProcedure::wholeImageArrives_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<int>("blocks");
    QTest::newRow("600 bytes at 64") << 300 << 64 << 10;
    QTest::newRow("600 bytes at 128") << 300 << 128 << 5;
    QTest::newRow("600 bytes at 256") << 300 << 256 << 3;
    QTest::newRow("exact multiple") << 256 << 128 << 4;
    QTest::newRow("full image") << RomMaxDataLines << 256 << 512;
    QTest::newRow("count 0101") << 16400 << 128 << 257;
    QTest::newRow("count FFFF, header sum wraps") << 65535 << 2 << 65535;
}

void TstFlashProcedure::wholeImageArrives()
{
    QFETCH(int, lines);
    QFETCH(int, blockSize);
    QFETCH(int, blocks);
    const TRomImage image = MakeImage(lines);
    QCOMPARE(image.length, 2 * lines);

    TFakeLoader loader(blockSize);
    QCOMPARE(RunFlash(image, blockSize, SerialFlashConfig, loader), TFlashOutcome::Ok);
    QVERIFY2(loader.faults.isEmpty(), qPrintable(loader.faults.join("; ")));
    QCOMPARE(loader.announcedBlocks, blocks);
    QCOMPARE(loader.checksumsSeen, blocks);
    QCOMPARE(loader.flash, image.bytes.left(blocks * blockSize));
    QCOMPARE(loader.sent.size(), 3 + blocks * (blockSize + 1));
    QCOMPARE(loader.progressMax, blocks * blockSize);
    QCOMPARE(loader.progress.last(), blocks * blockSize);
    QCOMPARE(loader.statuses, QStringList({InProgress, Done}));
    QVERIFY(loader.green);
    QVERIFY(loader.elapsed.isEmpty());
}

void TstFlashProcedure::oneLineWireExchange()
{
    const TRomImage image = MakeImage(1);
    const quint8 low = quint8(image.bytes[0]), high = quint8(image.bytes[1]);
    TFakeLoader loader(128);
    QCOMPARE(RunFlash(image, 128, SerialFlashConfig, loader), TFlashOutcome::Ok);
    QVERIFY2(loader.faults.isEmpty(), qPrintable(loader.faults.join("; ")));

    QList<QPair<int, quint8>> wire{{0, 1}, {1, 0}, {ChecksumCounter, 1}, {0, low}, {1, high}};
    QList<int> progress{0, 0, 1};
    for (int offset = 2; offset < 128; ++offset) {
        wire.append({offset, 0xFF});
        progress << offset;
    }
    wire.append({ChecksumCounter, quint8((low + high + 126 * 0xFF) % 256)});
    progress << 128;
    QCOMPARE(loader.sent, wire);
    QCOMPARE(loader.progress, progress);
    QCOMPARE(loader.progressMax, 128);
}

void TstFlashProcedure::emptyImage()
{
    TFakeLoader loader(128);
    QCOMPARE(RunFlash(TRomImage(), 128, SerialFlashConfig, loader), TFlashOutcome::NoCompletion);
    const QList<QPair<int, quint8>> header{{0, 0}, {1, 0}, {ChecksumCounter, 0}};
    QCOMPARE(loader.sent, header);
    QCOMPARE(loader.statuses, QStringList({InProgress, UnfinishedText}));
    QCOMPARE(loader.progressMax, 0);
    QCOMPARE(loader.events, QStringList({"start direct", "quiet 1", "switch", "wait 4000", "return"}));
    QVERIFY(!loader.green);
}

void TstFlashProcedure::rejectionsThenAcceptance()
{
    const TRomImage image = MakeImage(320);  // 640 bytes: 5 blocks at 128
    TFakeLoader loader(128);
    // Block 1 and block 3 each go out three times.
    loader.replies = {"0", "1", "1", "0", "0", "1", "1", "0"};
    QCOMPARE(RunFlash(image, 128, SerialFlashConfig, loader), TFlashOutcome::Ok);
    QVERIFY2(loader.faults.isEmpty(), qPrintable(loader.faults.join("; ")));
    QCOMPARE(loader.checksumsSeen, 9);
    QCOMPARE(loader.flash, image.bytes.left(640));
    QCOMPARE(loader.statuses, QStringList({InProgress, "ab Byte 128 - 2. Versuch", "ab Byte 128 - 3. Versuch",
                                           "ab Byte 384 - 2. Versuch", "ab Byte 384 - 3. Versuch", Done}));
    // The resend starts over at the block's first byte.
    QCOMPARE(loader.sent[3 + 2 * 129], qMakePair(128, quint8(image.bytes[128])));
    QCOMPARE(loader.sent[3 + 3 * 129], qMakePair(128, quint8(image.bytes[128])));
}

void TstFlashProcedure::thirdRejectionEnds()
{
    const TRomImage image = MakeImage(320);
    TFakeLoader loader(128);
    loader.replies = {"0", "0", "1", "1", "1"};
    QCOMPARE(RunFlash(image, 128, SerialFlashConfig, loader), TFlashOutcome::TooManyRetries);
    QVERIFY2(loader.faults.isEmpty(), qPrintable(loader.faults.join("; ")));
    QCOMPARE(loader.checksumsSeen, 5);
    QCOMPARE(loader.sent.size(), 3 + 5 * 129);  // nothing after the third rejection
    QCOMPARE(loader.statuses, QStringList({InProgress, "ab Byte 256 - 2. Versuch", "ab Byte 256 - 3. Versuch",
                                           "ab Byte 256 - 4. Versuch", RetriesText}));
    QVERIFY(!loader.green);
    QCOMPARE(loader.events.last(), QStringLiteral("return"));
}

void TstFlashProcedure::answers_data()
{
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<TFlashOutcome>("outcome");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("blocksSent");
    // Three blocks of 128; replies are the raw characters after each checksum.
    QTest::newRow("2 after the first block") << QStringList{"2"} << TFlashOutcome::Ok << Done << 1;
    QTest::newRow("silence") << QStringList{""} << TFlashOutcome::NoAck << NoAckText << 1;
    QTest::newRow("silence after an accepted block") << QStringList{"0", ""} << TFlashOutcome::NoAck << NoAckText << 2;
    QTest::newRow("x is silence") << QStringList{"x"} << TFlashOutcome::NoAck << NoAckText << 1;
    QTest::newRow("control chars only") << QStringList{"\r\n"} << TFlashOutcome::NoAck << NoAckText << 1;
    QTest::newRow("unknown char") << QStringList{"5"} << TFlashOutcome::WrongAck << WrongAckText << 1;
    QTest::newRow("start char mid transfer") << QStringList{"0", "3"} << TFlashOutcome::WrongAck << WrongAckText << 2;
    QTest::newRow("10 reads as 0") << QStringList{"10"} << TFlashOutcome::Ok << Done << 3;
    QTest::newRow("0 then line end") << QStringList{"0\r\n"} << TFlashOutcome::Ok << Done << 3;
    QTest::newRow("accepted, never completed")
        << QStringList{"0", "0", "0"} << TFlashOutcome::NoCompletion << UnfinishedText << 3;
    QTest::newRow("21 reads as 1") << QStringList{"21", "21", "21"} << TFlashOutcome::TooManyRetries << RetriesText
                                   << 3;
}

void TstFlashProcedure::answers()
{
    QFETCH(QStringList, replies);
    QFETCH(TFlashOutcome, outcome);
    QFETCH(QString, status);
    QFETCH(int, blocksSent);
    const TRomImage image = MakeImage(192);
    TFakeLoader loader(128);
    loader.replies = replies;
    QCOMPARE(RunFlash(image, 128, SerialFlashConfig, loader), outcome);
    QVERIFY2(loader.faults.isEmpty(), qPrintable(loader.faults.join("; ")));
    QCOMPARE(loader.statuses.last(), status);
    QCOMPARE(loader.checksumsSeen, blocksSent);
    QCOMPARE(loader.sent.size(), 3 + blocksSent * 129);
    QCOMPARE(loader.green, outcome == TFlashOutcome::Ok);
    QCOMPARE(loader.events.last(), QStringLiteral("return"));
    if (outcome == TFlashOutcome::NoAck) {
        QCOMPARE(loader.events.mid(loader.events.size() - 3), QStringList({"wait 10000", "timeout", "return"}));
    }
}

void TstFlashProcedure::startCharacter_data()
{
    QTest::addColumn<bool>("answersStart");
    QTest::addColumn<QChar>("before");
    QTest::addColumn<TFlashOutcome>("outcome");
    QTest::newRow("device answers") << true << QChar(u'0') << TFlashOutcome::Ok;
    QTest::newRow("no answer") << false << QChar(u'0') << TFlashOutcome::NoStart;
    QTest::newRow("no answer, x left over") << false << QChar(u'x') << TFlashOutcome::NoStart;
    QTest::newRow("3 left over holds at once") << false << QChar(u'3') << TFlashOutcome::Ok;
}

void TstFlashProcedure::startCharacter()
{
    QFETCH(bool, answersStart);
    QFETCH(QChar, before);
    QFETCH(TFlashOutcome, outcome);
    TFakeLoader loader(128);
    loader.answersStart = answersStart;
    loader.rx = before;

    QCOMPARE(RunFlash(MakeImage(10), 128, SerialFlashConfig, loader), outcome);
    QVERIFY2(loader.faults.isEmpty(), qPrintable(loader.faults.join("; ")));
    QCOMPARE(loader.events.mid(0, 4), QStringList({"start direct", "quiet 1", "switch", "wait 4000"}));
    if (outcome == TFlashOutcome::NoStart) {
        QVERIFY(loader.sent.isEmpty());
        QCOMPARE(loader.statuses, QStringList{NoStartText});
        QCOMPARE(loader.events.mid(4), QStringList({"timeout", "return"}));
        QCOMPARE(loader.progressMax, -1);
    } else {
        QCOMPARE(loader.statuses.last(), Done);
        QCOMPARE(loader.events[4], QStringLiteral("wait 10000"));  // the start wait did not run out
    }
}

void TstFlashProcedure::rateSwitch_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<bool>("switched");
    QTest::newRow("9600") << "9600" << true;
    QTest::newRow("38400") << "38400" << true;
    QTest::newRow("already 115200") << "115200" << false;
}

void TstFlashProcedure::rateSwitch()
{
    QFETCH(QString, rate);
    QFETCH(bool, switched);
    TFakeLoader loader(64);
    loader.rate = rate;
    QCOMPARE(RunFlash(MakeImage(40), 64, SerialFlashConfig, loader), TFlashOutcome::Ok);
    QStringList expected{"start direct", "quiet 1"};
    if (switched)
        expected << "switch";
    expected << "wait 4000";
    QCOMPARE(loader.events.mid(0, expected.size()), expected);
    QCOMPARE(loader.events.count("switch"), switched ? 1 : 0);
    QCOMPARE(loader.events.last(), QStringLiteral("return"));
    QCOMPARE(loader.rate, QStringLiteral("9600"));
}

void TstFlashProcedure::startCommandThrows()
{
    TFakeLoader loader(128);
    loader.throwOnStart = true;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, RunFlash(MakeImage(10), 128, SerialFlashConfig, loader));
    QCOMPARE(loader.events, QStringList{"start direct"});
    QVERIFY(!loader.quiet);
    QVERIFY(loader.sent.isEmpty());
    QVERIFY(loader.statuses.isEmpty());
    QCOMPARE(loader.rate, QStringLiteral("9600"));
}

void TstFlashProcedure::modemLink()
{
    const TRomImage image = MakeImage(300);  // 3 blocks at 256
    TFakeLoader loader(256);
    loader.startAtAnyRate = true;
    loader.rate = QStringLiteral("9600");
    loader.replyDelayMs = 2900;
    loader.clock = 0xFFFFF000u;  // the clock wraps during the transfer
    QCOMPARE(RunFlash(image, 256, ModemFlashConfig, loader), TFlashOutcome::Ok);
    QVERIFY2(loader.faults.isEmpty(), qPrintable(loader.faults.join("; ")));
    QCOMPARE(loader.flash, image.bytes.left(768));
    QCOMPARE(loader.events, QStringList({"start send", "quiet 1", "wait 5000", "wait 5000", "wait 5000", "wait 5000"}));
    QCOMPARE(loader.rate, QStringLiteral("9600"));
    // Taken after each checksum byte; the start time is read after the start wait.
    QCOMPARE(loader.elapsed, QStringList({"0 s", "2 s", "5 s"}));
}

void TstFlashProcedure::answerTimeLimits_data()
{
    QTest::addColumn<bool>("modem");
    QTest::addColumn<int>("delayMs");  // the device's time to answer a block
    QTest::addColumn<TFlashOutcome>("outcome");
    QTest::newRow("serial, 6 s") << false << 6000 << TFlashOutcome::Ok;
    QTest::newRow("serial, 9.9 s") << false << 9900 << TFlashOutcome::Ok;
    QTest::newRow("serial, 10.1 s") << false << 10100 << TFlashOutcome::NoAck;
    QTest::newRow("modem, 4.9 s") << true << 4900 << TFlashOutcome::Ok;
    QTest::newRow("modem, 6 s") << true << 6000 << TFlashOutcome::NoAck;
}

void TstFlashProcedure::answerTimeLimits()
{
    QFETCH(bool, modem);
    QFETCH(int, delayMs);
    QFETCH(TFlashOutcome, outcome);
    TFakeLoader loader(128);
    loader.startAtAnyRate = modem;
    loader.replyDelayMs = delayMs;
    const TFlashConfig& config = modem ? ModemFlashConfig : SerialFlashConfig;
    QCOMPARE(RunFlash(MakeImage(64), 128, config, loader), outcome);
    QCOMPARE(loader.statuses.last(), outcome == TFlashOutcome::Ok ? Done : NoAckText);
}

QTEST_GUILESS_MAIN(TstFlashProcedure)
#include "tst_flashprocedure.moc"
