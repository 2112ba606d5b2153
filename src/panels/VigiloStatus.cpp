#include "panels/VigiloStatus.h"

namespace {

// Lower-case copy of the letters A-Z only, so that positions in it are
// positions in the line.
QString asciiLower(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return out;
}

// The number behind the key at pos: the text between the first and the
// second colon after it, up to the first carriage return, trimmed. The line
// end the receive side adds (a trailing "/") and control characters at the
// end are not part of it.
std::optional<QString> numberAt(const QString& line, qsizetype pos)
{
    qsizetype end = line.size();
    while (end > pos && line.at(end - 1).unicode() < 32)
        --end;
    if (end > pos && line.at(end - 1) == QLatin1Char('/'))
        --end;
    const qsizetype first = line.indexOf(QLatin1Char(':'), pos);
    if (first < 0 || first >= end)
        return std::nullopt;
    qsizetype second = line.indexOf(QLatin1Char(':'), first + 1);
    if (second < 0 || second > end)
        second = end;
    QStringView piece = QStringView(line).mid(first + 1, second - first - 1);
    const qsizetype cr = piece.indexOf(QLatin1Char('\r'));
    if (cr >= 0)
        piece = piece.left(cr);
    const QString value = TrimControls(piece.toString());
    if (value.isEmpty())
        return std::nullopt;
    return value;
}

}  // namespace

QString TrimControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

TVigiloStatusUpdate ParseVigiloStatus(const QString& received)
{
    TVigiloStatusUpdate update;
    QString line = received;
    QString lower = asciiLower(line);

    if (lower.contains(QLatin1String("vigilo-gsm status"))) {
        line = TrimControls(line);
        line.remove(QLatin1String("<--- "), Qt::CaseInsensitive);
        line.replace(QLatin1Char(','), QLatin1String("\r\n"));
        update.statusText = line;
        lower = asciiLower(line);
    }

    const qsizetype voice = lower.indexOf(QLatin1String("sprach-nr"));
    if (voice >= 0)
        update.voiceNumber = numberAt(line, voice);

    for (int i = 0; i < 5; ++i) {
        const qsizetype at = lower.indexOf(QStringLiteral("sms-nr%1").arg(i + 1));
        if (at >= 0)
            update.smsNumbers[size_t(i)] = numberAt(line, at);
    }
    return update;
}
