#include "serial/SendEcho.h"

QString FramedCommand(const QString& command) { return QStringLiteral("{+}") + command + QLatin1Char('\r'); }

QString SendEcho(const QString& command) { return QStringLiteral("{+}") + command + QStringLiteral("  --->"); }

QString SendPlainEcho(const QString& text)
{
    QString out;
    out.reserve(text.size() + 5);
    for (QChar c : text)
        if (c.unicode() >= 32)
            out += c;
    return out + QStringLiteral("  --->");
}

QString SendByteEcho(int counter, quint8 byte)
{
    const QString hexByte = QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    if (counter >= 100000)
        return QStringLiteral("CS --- ") + hexByte + QStringLiteral(" --->");
    return QStringLiteral("%1").arg(counter, 5, 16, QLatin1Char('0')).toUpper() + QStringLiteral(". - ") + hexByte
           + QStringLiteral(" --->");
}
