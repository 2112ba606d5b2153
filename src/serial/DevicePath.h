#pragma once

#include <QString>

// The device a name given for a port stands for, as an absolute path: an
// absolute path as it is; a path with a folder in it ("st/p1", "./ttyUSB0")
// below the working folder; a bare name ("ttyUSB0") below /dev, as serial
// devices have always been named. Empty stays empty. Nothing is looked up on
// disk.
QString AbsoluteDevicePath(const QString& name, const QString& workingFolder);
// The same below this process's working folder.
QString AbsoluteDevicePath(const QString& name);
