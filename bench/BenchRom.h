#pragma once

// The full-size firmware image the flash benchmarks send.

#include "firmware/RomImage.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>

namespace bench {

constexpr int kRomLines = RomMaxDataLines;

// Every byte different from its neighbours, so that a lost or doubled byte
// shows in the comparison.
inline QByteArray MakeImage(quint32 seed)
{
    QByteArray data(2 * kRomLines, Qt::Uninitialized);
    quint32 x = seed;
    for (int i = 0; i < data.size(); ++i) {
        x = x * 1664525u + 1013904223u;
        data[i] = char((x >> 24) ^ quint32(i));
    }
    return data;
}

// Writes data as a .rom file "full.rom" in dir, one little-endian word per line.
inline QString WriteRom(const QTemporaryDir& dir, const QByteArray& data)
{
    QByteArray text;
    text.reserve(kRomLines * 12);
    char line[32];
    for (int i = 0; i < kRomLines; ++i) {
        const int word = quint8(data[2 * i]) | (quint8(data[2 * i + 1]) << 8);
        text += QByteArray(line, std::snprintf(line, sizeof line, "%05X:%04X\r\n", i, word));
    }
    const QString path = dir.filePath(QStringLiteral("full.rom"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return path;
}

}  // namespace bench
