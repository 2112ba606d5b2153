// One received line through the status parsing of the newer GSM unit.
#include "FuzzCheck.h"
#include "panels/VigiloStatus.h"

namespace {

void CheckNumber(const std::optional<QString>& number, const QString& source)
{
    if (!number)
        return;
    FUZZ_CHECK(!number->isEmpty(), "a number is never empty");
    FUZZ_CHECK(TrimControls(*number) == *number, "a number is trimmed");
    FUZZ_CHECK(!number->contains(QLatin1Char(':')) && !number->contains(QLatin1Char('\r')),
               "a number lies between two colons, before any CR");
    FUZZ_CHECK(source.contains(*number), "a number is taken from the line");
}

// Keys match whatever the case of their letters A-Z.
bool HasKey(const QString& line, const QString& key)
{
    QString lower = line;
    for (QChar& c : lower)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return lower.contains(key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Received bytes are Latin-1 text.
    const QString line = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const TVigiloStatusUpdate update = ParseVigiloStatus(line);

    FUZZ_CHECK(update.statusText.has_value() == HasKey(line, QStringLiteral("vigilo-gsm status")),
               "the status is the line with its key");
    const QString source = update.statusText ? *update.statusText : line;
    if (update.statusText) {
        FUZZ_CHECK(!update.statusText->contains(QLatin1Char(',')), "every comma became a line break");
        FUZZ_CHECK(update.statusText->size() <= 2 * line.size(), "the status grows by the line breaks only");
    }
    CheckNumber(update.voiceNumber, source);
    FUZZ_CHECK(update.voiceNumber.has_value() <= HasKey(source, QStringLiteral("sprach-nr")),
               "no voice number without its key");
    for (int i = 0; i < 5; ++i) {
        const auto& number = update.smsNumbers[size_t(i)];
        CheckNumber(number, source);
        FUZZ_CHECK(number.has_value() <= HasKey(source, QStringLiteral("sms-nr%1").arg(i + 1)),
                   "no SMS number without its key");
    }

    const QString trimmed = TrimControls(line);
    FUZZ_CHECK(TrimControls(trimmed) == trimmed, "trimming twice changes nothing");
    FUZZ_CHECK(trimmed.isEmpty() || (trimmed.front().unicode() > 32 && trimmed.back().unicode() > 32),
               "no control character or blank at either end");
    return 0;
}
