#include "support/Harness.h"

#include "app/IniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QThread>
#include <QtTest>

QString TestSettingsFile() { return SettingsFilePathFor(QCoreApplication::applicationFilePath()); }

void WriteTestSettings(const QByteArray& content)
{
    QFile f(TestSettingsFile());
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(content);
}

void RemoveTestSettings()
{
    QFile f(TestSettingsFile());
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    f.remove();
}

void PutFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList LogLines(const TFormMain& form)
{
    const QString text = form.Memo1()->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

bool PumpUntil(const std::function<bool()>& cond, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!cond()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(300);
    }
    return true;
}

void Pump(int ms)
{
    PumpUntil([] { return false; }, ms);
}
