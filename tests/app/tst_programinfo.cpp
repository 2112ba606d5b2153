// What the programs say about themselves: every program's --version, and the
// program's --help and --version answered without a display, while its other
// arguments still open the window.
#include "app/ProgramInfo.h"

#include <QProcess>
#include <QtTest>

namespace {

struct TRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program with no display at all: a program that started the window
// system would end with an error instead of answering.
TRun RunWithoutDisplay(const QString& program, const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    TRun r;
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

}  // namespace

class TestProgramInfo : public QObject {
    Q_OBJECT

private slots:
    void terminalAnswer_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("startsWith");  // empty: the window opens

        const QByteArray help = "Usage: VelmorServiceSoftware [OPTION]...\n";
        const QByteArray version = QByteArray("VelmorServiceSoftware ") + VELMOR_PROJECT_VERSION + '\n';
        QTest::newRow("no arguments") << QStringList() << QByteArray();
        QTest::newRow("--help") << QStringList{"--help"} << help;
        QTest::newRow("-h") << QStringList{"-h"} << help;
        QTest::newRow("--version") << QStringList{"--version"} << version;
        QTest::newRow("after Qt options") << QStringList{"-style", "fusion", "--version"} << version;
        QTest::newRow("Qt options alone") << QStringList{"-platform", "offscreen", "-style", "fusion"} << QByteArray();
        QTest::newRow("unknown arguments") << QStringList{"--verbose", "-v", "help"} << QByteArray();
        QTest::newRow("no prefix matches") << QStringList{"--vers", "--helpme"} << QByteArray();
    }

    void terminalAnswer()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, startsWith);
        const std::optional<QByteArray> answer = ProgramTerminalAnswer(arguments);
        QCOMPARE(answer.has_value(), !startsWith.isEmpty());
        if (answer)
            QVERIFY2(answer->startsWith(startsWith), answer->constData());
    }

    // The runs below would show a program that opens its window: without a
    // display, the window cannot start.
    void windowNeedsDisplay()
    {
        const TRun r = RunWithoutDisplay(VELMOR_PROGRAM_PATH, {QStringLiteral("-style"), QStringLiteral("fusion")});
        QVERIFY(r.status != 0);
        QVERIFY(r.out.isEmpty());
    }

    void everyProgram_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected");  // the whole output, or its first line when it ends in "..."

        const QByteArray version(VELMOR_PROJECT_VERSION);
        QTest::newRow("program --version")
            << VELMOR_PROGRAM_PATH << QStringList{"--version"} << "VelmorServiceSoftware " + version + '\n';
        QTest::newRow("program --help") << VELMOR_PROGRAM_PATH << QStringList{"--help"}
                                        << QByteArray("Usage: VelmorServiceSoftware [OPTION]...\n...");
        QTest::newRow("velmor-flash") << VELMOR_FLASH_PATH << QStringList{"--version"}
                                      << "velmor-flash (VelmorServiceSoftware) " + version + '\n';
        QTest::newRow("velmor-flash, other options") << VELMOR_FLASH_PATH << QStringList{"--csd", "--version"}
                                                     << "velmor-flash (VelmorServiceSoftware) " + version + '\n';
        QTest::newRow("velmor-convert") << VELMOR_CONVERT << QStringList{"--version"}
                                        << "velmor-convert (VelmorServiceSoftware) " + version + '\n';
        QTest::newRow("velmor-devsim") << VELMOR_DEVSIM_PATH << QStringList{"--version"}
                                       << "velmor-devsim (VelmorServiceSoftware) " + version + '\n';
    }

    void everyProgram()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const TRun r = RunWithoutDisplay(path, arguments);
        QVERIFY2(r.status == 0, r.err.constData());
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        if (expected.endsWith("..."))
            QCOMPARE(r.out.left(r.out.indexOf('\n') + 1), expected.chopped(3));
        else
            QCOMPARE(r.out, expected);
    }
};

QTEST_GUILESS_MAIN(TestProgramInfo)
#include "tst_programinfo.moc"
