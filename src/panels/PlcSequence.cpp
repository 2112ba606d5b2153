#include "panels/PlcSequence.h"

#include "rx/RxLogic.h"
#include "rx/TextFileSlot.h"

#include <QCoreApplication>

QString WithPlcExtension(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    if (fileName.indexOf(QLatin1Char('.'), slash + 1) >= 0)
        return fileName;
    return fileName + QStringLiteral(".plc");
}

std::optional<QString> PlcStepOf(const QString& line)
{
    const qsizetype at = line.indexOf(QLatin1Char('='));
    if (at < 0)
        return std::nullopt;
    return line.mid(at + 1, kPlcStepLimit);
}

bool PlcListingEnds(const QString& line)
{
    QStringView rest(line);
    if (rest.startsWith(kRxMarker))
        rest = rest.mid(kRxMarker.size());
    return rest.trimmed() == QLatin1String("OK");
}

QString PlcFileRefusal(TTextFileSlot& slot)
{
    int steps = 0;
    for (int number = 1; !slot.AtEnd(); ++number) {
        const QString line = slot.ReadLine();
        for (const QChar c : line) {
            if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7f)
                return QCoreApplication::translate("PlcSequence",
                                                   "Keine PLC-Datei: Steuerzeichen in Zeile %1 - nichts gesendet")
                    .arg(number);
        }
        if (PlcStepOf(line) && ++steps > kPlcMaxFileSteps)
            return QCoreApplication::translate("PlcSequence", "Keine PLC-Datei: mehr als %1 Schritte - nichts gesendet")
                .arg(kPlcMaxFileSteps);
    }
    return QString();
}

QString PlcFilter() { return QCoreApplication::translate("PlcSequence", "PLC-Datei(*.plc)|*.plc"); }

QString PlcSetCommand(const QString& step) { return QStringLiteral("{+}PLCset=") + step + QLatin1Char('\r'); }

QString PlcStep(int time, int channel, const QString& action)
{
    return QString::number(time) + QLatin1Char(',') + QString::number(channel) + QLatin1Char(',') + action;
}

int SendPlcSteps(TTextFileSlot& slot, const std::function<void(const QString&)>& send,
                 const std::function<void()>& pause)
{
    int sent = 0;
    // A read error closes the slot, which ends the loop as well.
    while (!slot.AtEnd()) {
        const std::optional<QString> step = PlcStepOf(slot.ReadLine());
        if (!step)
            continue;
        send(PlcSetCommand(*step));
        ++sent;
        if (pause)
            pause();
    }
    slot.Close();
    return sent;
}
