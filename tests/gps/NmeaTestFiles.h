#pragma once

// Helpers shared by the converter tests: reference files and generated input.
#include "gps/NmeaConvert.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

inline QString ReferencePath(const QString& name) { return QStringLiteral(VELMOR_GPS_REFERENCE "/") + name; }

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing " + path.toUtf8() + ">");
}

inline bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline const QList<TExportFormat>& AllFormats() { return ExportFormats(); }

// A sentence with its checksum: "*" and the XOR of the bytes after "$".
inline QByteArray WithChecksum(const QByteArray& sentence)
{
    quint8 sum = 0;
    for (qsizetype i = 1; i < sentence.size(); ++i)
        sum ^= quint8(sentence[i]);
    return sentence + '*' + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

#ifdef VELMOR_CONVERT
#include <QProcess>
#include <QStringList>

// One run of the command-line converter: exit status and both outputs.
struct TToolRun {
    int exitCode = -1;
    QByteArray out, err;
};

inline TToolRun RunTool(const QStringList& arguments)
{
    QProcess p;
    p.start(QStringLiteral(VELMOR_CONVERT), arguments);
    TToolRun r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
#endif
