#include "firmware/FlashProcedure.h"

#include <QCoreApplication>

namespace {

constexpr int MaxAttempts = 3;  // sends of one block, the first included

// why is marked for translation where it is given.
QString FailedText(const char* why)
{
    return QCoreApplication::translate("FlashProcedure", "Firmware-Update fehlerhaft (%1)")
        .arg(QCoreApplication::translate("FlashProcedure", why));
}

// The only place that waits for the device: a pumped wait of at most
// limitMs while holds(LastRxChar) is true. The answer is what LastRxChar
// holds when the wait ends, whether it ran out or not.
template <class Pred>
QChar Await(IFlashHost& host, int limitMs, Pred holds)
{
    host.WaitWhile(limitMs, [&host, &holds] { return holds(host.LastRxChar()); });
    return host.LastRxChar();
}

TFlashOutcome Transfer(const TRomImage& image, int blockSize, const TFlashConfig& config, IFlashHost& host)
{
    if (Await(host, config.startWaitMs, [](QChar c) { return c != u'3'; }) != u'3') {
        host.SetStatus(FailedText(QT_TRANSLATE_NOOP("FlashProcedure", "Startzeichen fehlt ...")));
        return TFlashOutcome::NoStart;
    }

    const quint16 blocks = BlockCount(image.length, blockSize);
    const int total = blockSize > 0 ? int(blocks) * blockSize : 0;
    host.SetStatus(QCoreApplication::translate("FlashProcedure", "in progress"));
    host.SetProgressMax(total);
    host.SetProgress(0);
    host.SetBarGreen(false);
    const quint32 startMs = config.showElapsed ? host.NowMs() : 0;

    const quint8 low = quint8(blocks & 0xFF);
    const quint8 high = quint8(blocks >> 8);
    host.SendByte(0, low);
    host.SendByte(1, high);
    host.SendByte(ChecksumCounter, quint8(low + high));

    const char* data = image.bytes.constData();
    const int stored = int(image.bytes.size());
    int p = 0;  // next byte to send
    int s = 0;  // start of the block under way
    int r = 0;  // rejections of that block
    for (;;) {
        if (p >= total) {
            host.SetStatus(FailedText(QT_TRANSLATE_NOOP("FlashProcedure", "???")));
            return TFlashOutcome::NoCompletion;
        }
        quint8 sum = 0;
        for (const int end = p + blockSize; p < end; ++p) {
            const quint8 b = p < stored ? quint8(data[p]) : quint8(0xFF);
            sum = quint8(sum + b);
            host.SendByte(p, b);
            host.SetProgress(p);
        }
        // Marked before the checksum goes out, so that only an answer to this
        // block ends the wait.
        host.SetLastRxChar(u'x');
        host.SendByte(ChecksumCounter, sum);
        host.SetProgress(p);
        if (config.showElapsed)
            host.SetElapsedText(QString::number((host.NowMs() - startMs) / 1000) + QStringLiteral(" s"));

        switch (Await(host, config.ackWaitMs, [](QChar c) { return c == u'x'; }).unicode()) {
        case '0':
            s = p;
            r = 0;
            break;
        case '1':
            p = s;
            ++r;
            host.SetStatus(QCoreApplication::translate("FlashProcedure", "ab Byte %1 - %2. Versuch").arg(s).arg(r + 1));
            if (r >= MaxAttempts) {
                host.SetStatus(FailedText(QT_TRANSLATE_NOOP("FlashProcedure", "zuviel Wiederholungen")));
                return TFlashOutcome::TooManyRetries;
            }
            break;
        case '2':
            host.SetBarGreen(true);
            host.SetStatus(QCoreApplication::translate("FlashProcedure", "Firmware-Update OK"));
            return TFlashOutcome::Ok;
        case 'x':
            host.SetStatus(FailedText(QT_TRANSLATE_NOOP("FlashProcedure", "no ACK")));
            return TFlashOutcome::NoAck;
        default:
            host.SetStatus(FailedText(QT_TRANSLATE_NOOP("FlashProcedure", "wrong ACK")));
            return TFlashOutcome::WrongAck;
        }
    }
}

}  // namespace

TFlashOutcome RunFlash(const TRomImage& image, int blockSize, const TFlashConfig& config, IFlashHost& host)
{
    host.WriteStart(config.startThroughSend);
    host.SetQuietSend(true);
    if (config.switchTo115200 && host.CurrentRateName() != QLatin1String("115200"))
        host.SwitchTo115200();
    const TFlashOutcome outcome = Transfer(image, blockSize, config, host);
    if (config.switchTo115200)
        host.ReturnTo9600();
    return outcome;
}
