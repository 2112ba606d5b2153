#include "rx/RxLogic.h"

#include <QLocale>

const TReflection kReflections[11] = {
    {"TR=", "EditTR_VGS", "Vigilo"},
    {"TA=", "EditTA_VGS", "Vigilo"},
    {"TF=", "EditTF_VGS", "Vigilo"},
    {"TV=", "EditTV_VGS", "Vigilo"},
    {"ONAPON=", "SpinEditOnapon_VGS", "Vigilo"},
    {"TRIAPON=", "SpinEditTriapon_VGS", "Vigilo"},
    {"SET1=", "SpinEditSet1_ZB", "Zerbo"},
    {"SET2=", "SpinEditSet2_ZB", "Zerbo"},
    {"SET3=", "SpinEditSet3_ZB", "Zerbo"},
    {"SET4=", "SpinEditSet4_ZB", "Zerbo"},
    {"SET5=", "SpinEditSet5_ZB", "Zerbo"},
};

std::optional<QString> IdReplyOf(const QString& line)
{
    const qsizetype at = line.indexOf(QLatin1Char('#'));
    if (at < 0)
        return std::nullopt;
    return line.mid(at, kRxFieldLimit);
}

std::optional<int> ReflectedValue(const QString& line, QLatin1String key)
{
    const qsizetype at = line.indexOf(key);
    if (at < 0)
        return std::nullopt;
    const QString text = line.mid(at + key.size(), kRxFieldLimit);
    // A whole decimal number: optional sign, digits (leading zeros of any
    // number), blanks around allowed; toLongLong reports what overflows.
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (!(c.isDigit() && c.unicode() < 128) && !(i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+'))))
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    if (!ok || v < INT_MIN || v > INT_MAX)
        return std::nullopt;
    return int(v);
}

namespace {

std::function<QDateTime()>& stampClock()
{
    static std::function<QDateTime()> clock;
    return clock;
}

}  // namespace

QDateTime StampClockNow()
{
    const auto& clock = stampClock();
    return clock ? clock() : QDateTime::currentDateTime();
}

void SetStampClock(std::function<QDateTime()> clock) { stampClock() = std::move(clock); }

namespace {

// The locale's long time format without the time zone that Qt adds to it.
QString longTimeText(const QLocale& loc, const QTime& t)
{
    QString fmt = loc.timeFormat(QLocale::LongFormat);
    fmt.remove(QLatin1Char('t'));
    return t.toString(fmt.trimmed());
}

}  // namespace

QString LocalDateTimeText(const QDateTime& when)
{
    const QLocale loc = QLocale::system();
    return loc.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') + longTimeText(loc, when.time());
}

QString StampPrefix(const QDateTime& when)
{
    const QLocale loc = QLocale::system();
    QString s = loc.toString(when.date(), QLocale::ShortFormat);
    if (when.time() != QTime(0, 0))
        s += QLatin1Char(' ') + longTimeText(loc, when.time());
    return s + QStringLiteral(":  ");
}
