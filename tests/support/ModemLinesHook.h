#pragma once

#include <QString>

// The modem line bits (TIOCM_DTR, TIOCM_RTS ...) the program last set on the
// pseudo-terminal slave at slavePath; -1 when it does not exist. A test
// program that calls this gets modem lines on every pseudo-terminal slave
// (see ModemLinesHook.cpp).
int PtyModemLines(const QString& slavePath);
