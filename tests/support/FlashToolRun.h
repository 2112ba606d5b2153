#pragma once

// Firmware files and runs of the built command-line flasher, shared by its
// tests.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

namespace flashtool {

// lines words (two bytes each), every one different from its neighbours.
inline QByteArray Words(int lines = 700)
{
    QByteArray data;
    for (int i = 0; i < lines; ++i) {
        const quint16 w = quint16(i * 40503u + 0x1234u);
        data += char(w & 0xFF);
        data += char(w >> 8);
    }
    return data;
}

// data as a .rom file, one little-endian word per line.
inline QByteArray RomText(const QByteArray& data)
{
    QByteArray text;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2)
        text += QStringLiteral("%1:%2\r\n")
                    .arg(i / 2, 4, 16, QLatin1Char('0'))
                    .arg(quint8(data[i]) | (quint8(data[i + 1]) << 8), 4, 16, QLatin1Char('0'))
                    .toLatin1();
    return text;
}

// data with the image's 0xFF fill up to whole blocks.
inline QByteArray Padded(const QByteArray& data, int blockSize)
{
    const qsizetype total = (data.size() + blockSize - 1) / blockSize * blockSize;
    return data + QByteArray(total - data.size(), char(0xFF));
}

struct TRun {
    int exit = -1;    // -1: crashed or did not end in time
    QStringList out;  // lines of standard output
    QString err;
    qint64 ms = 0;
};

// Runs program with args; while it runs, during() is called every few
// milliseconds with the process (to act on the devices) until it returns true.
inline TRun Run(const QString& program, const QStringList& args, const std::function<bool(QProcess&)>& during = nullptr,
                int limitMs = 60000)
{
    QProcess tool;
    tool.setProgram(program);
    tool.setArguments(args);
    QElapsedTimer clock;
    clock.start();
    tool.start();
    TRun r;
    bool acting = bool(during);
    while (!tool.waitForFinished(acting ? 5 : limitMs)) {
        if (tool.state() != QProcess::Running || clock.elapsed() > limitMs) {
            tool.kill();
            tool.waitForFinished();
            return r;
        }
        if (acting)
            acting = !during(tool);
    }
    r.ms = clock.elapsed();
    r.exit = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    r.out = QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    r.err = QString::fromUtf8(tool.readAllStandardError());
    return r;
}

}  // namespace flashtool
