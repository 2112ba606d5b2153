#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QApplication;

// Where a window that asks for the inside size wanted goes on a screen
// whose free area is available, given the frame the window manager puts
// around it: as large as wanted where the area holds it with its frame, else
// as large as the area allows but not below the window's minimum; the frame
// moved from framePos into the area (or centred in it). Returns the frame's
// geometry.
QRect FittedFrame(const QSize& wanted, const QSize& minimum, const QPoint& framePos, const QMargins& frame,
                  const QRect& available, bool centre);

// Keeps every window of the program (main window, dialogs, message boxes,
// the track window) inside the free area of its screen when it is shown:
// no window asks for more room than there is, and none lies with its title
// bar or its lower edge off the screen. A main window is centred on the
// screen when first shown. Installed once for the application.
void KeepWindowsOnScreen(QApplication& app);
