#pragma once

#include <QString>

// The command frame and the echo lines of the send operations.

// "{+}" + command + CR.
QString FramedCommand(const QString& command);
// "{+}" + command + "  --->".
QString SendEcho(const QString& command);
// The text without its control characters, + "  --->".
QString SendPlainEcho(const QString& text);
// Counter as at least 5 upper-case hex digits, ". - ", byte as 2 hex digits,
// " --->"; counter >= 100000 gives "CS --- " + byte + " --->".
// Only meaningful for counter >= 0.
QString SendByteEcho(int counter, quint8 byte);
