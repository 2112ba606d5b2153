#pragma once

#include <QString>

// The ways a real serial line fails, played on a pseudo-terminal (as root,
// which TIOCVHANGUP needs). Each may be called from any thread; false when
// the system refused.

// Hangs up the slave at slavePath as a USB pull before udev removes the
// node, or a Bluetooth link that drops, does: every descriptor open on it
// reads end of file and fails to write from now on; the node stays and opens
// anew. locked: from the same moment it refuses to open (EIO) until
// LockPty(slavePath, false).
bool HangUpTty(const QString& slavePath, bool locked = false);
// Makes opens of the slave fail with EIO, or lets them succeed again
// (TIOCSPTLCK on the master side, which a device peer of this process holds).
bool LockPty(const QString& slavePath, bool locked);
