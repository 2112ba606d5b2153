#include "panels/PlcSequence.h"

#include "rx/TextFileSlot.h"

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
