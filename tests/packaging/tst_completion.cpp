// The bash completion of the tools: the script sourced into bash, asked for
// the completions of a command line as bash asks, in a folder of known files
// and with a known device folder; and its lists against the tools' own help.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kScript = QStringLiteral(VELMOR_COMPLETION_SCRIPT);

// Sources the script, points it at the device folder $1 and completes the
// word $2 of the command line in the further arguments, split as bash splits
// it (COMP_WORDBREAKS: "--format=g" is "--format" "=" "g").
const char kDriver[] = R"(source "$SCRIPT" || exit 9
_velmor_dev_dir=$1
cur=$2
shift 2
COMP_WORDS=("$@")
COMP_CWORD=$(($# - 1))
_velmor_complete "$1" "$cur" "${COMP_WORDS[COMP_CWORD - 1]}"
printf '%s\n' "${COMPREPLY[@]}"
)";

QStringList Sorted(QStringList list)
{
    list.removeAll(QString());
    list.sort();
    return list;
}

QStringList ComNames()
{
    QStringList names;
    for (int n = 1; n <= 24; ++n)
        names << QStringLiteral("Com%1").arg(n);
    return names;
}

QByteArray HelpOf(const QString& tool)
{
    QProcess p;
    p.start(tool, {QStringLiteral("--help")});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        qFatal("%s --help failed", qPrintable(tool));
    return p.readAllStandardOutput();
}

}  // namespace

class TestCompletion : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The completions for the command line words whose last one is the word
    // completed; devices from the folder devDir (relative to the work folder).
    QStringList Complete(const QStringList& words, const QString& devDir = QStringLiteral("dev")) const
    {
        QProcess bash;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SCRIPT"), kScript);
        bash.setProcessEnvironment(env);
        bash.setWorkingDirectory(m_dir.path());
        bash.start(QStringLiteral("bash"),
                   QStringList{QStringLiteral("--norc"), QStringLiteral("-c"), QString::fromLatin1(kDriver),
                               QStringLiteral("driver"), devDir, words.last()}
                       + words);
        if (!bash.waitForFinished(10000) || bash.exitCode() != 0)
            qWarning("bash: %s", bash.readAllStandardError().constData());
        return Sorted(QString::fromUtf8(bash.readAllStandardOutput()).split(u'\n'));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::exists(kScript));
        for (const char* dir : {"sub", "dev", "nodev"})
            QVERIFY(QDir(m_dir.path()).mkpath(QString::fromLatin1(dir)));
        // Stand-ins for the device nodes: the script looks at names only.
        for (const char* file :
             {"fw.rom", "FW2.ROM", "track.lst", "notes.txt", "dev/ttyUSB0", "dev/ttyACM1", "dev/tty5", "dev/tty"}) {
            QFile f(path(QString::fromLatin1(file)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("devDir");
        QTest::addColumn<QStringList>("expected");

        const QString dev = QStringLiteral("dev");
        const QStringList allFiles{"FW2.ROM", "dev", "fw.rom", "nodev", "notes.txt", "sub", "track.lst"};
        QTest::newRow("flash option") << QStringList{"velmor-flash", "--b"} << dev << QStringList{"--block"};
        // --device names a port of velmor-flash but a family of velmor-devsim.
        QTest::newRow("flash --device") << QStringList{"velmor-flash", "--device", "Com2"} << dev
                                        << QStringList{"Com2", "Com20", "Com21", "Com22", "Com23", "Com24"};
        QTest::newRow("devsim --device") << QStringList{"velmor-devsim", "--device", "vigilogsm-"} << dev
                                         << QStringList{"vigilogsm-modem"};
        QTest::newRow("flash options --s") << QStringList{"velmor-flash", "--s"} << dev
                                           << QStringList{"--settings", "--start-rate", "--start-wait-ms", "--station"};
        QTest::newRow("block sizes") << QStringList{"velmor-flash", "--block", ""} << dev
                                     << QStringList{"128", "256", "64"};
        QTest::newRow("block size after =")
            << QStringList{"velmor-flash", "--block", "=", "2"} << dev << QStringList{"256"};
        QTest::newRow("start rates 11") << QStringList{"velmor-flash", "--start-rate", "11"} << dev
                                        << QStringList{"110", "115200"};
        QTest::newRow("no value for waits") << QStringList{"velmor-flash", "--ack-wait-ms", ""} << dev << QStringList();
        QTest::newRow("device: Com names and serial devices")
            << QStringList{"velmor-flash", ""} << dev << ComNames() + QStringList{"dev/ttyACM1", "dev/ttyUSB0"};
        QTest::newRow("device: no tty devices, Com names only")
            << QStringList{"velmor-flash", ""} << QStringLiteral("nodev") << ComNames();
        QTest::newRow("device: missing folder, Com names only")
            << QStringList{"velmor-flash", "--csd", ""} << QStringLiteral("gone") << ComNames();
        QTest::newRow("device: com1 in any case") << QStringList{"velmor-flash", "com1"} << dev
                                                  << QStringList{"Com1",  "Com10", "Com11", "Com12", "Com13", "Com14",
                                                                 "Com15", "Com16", "Com17", "Com18", "Com19"};
        QTest::newRow("device: path prefix")
            << QStringList{"velmor-flash", "dev/ttyU"} << dev << QStringList{"dev/ttyUSB0"};
        QTest::newRow("device after option values")
            << QStringList{"velmor-flash", "--block", "64", "--start-rate=9600", "Com2"} << dev
            << QStringList{"Com2", "Com20", "Com21", "Com22", "Com23", "Com24"};
        QTest::newRow("firmware file: .rom and folders") << QStringList{"velmor-flash", "Com3", ""} << dev
                                                         << QStringList{"FW2.ROM", "dev", "fw.rom", "nodev", "sub"};
        QTest::newRow("firmware file after option values")
            << QStringList{"velmor-flash", "--block", "=", "64", "Com3", "--settings", "x.ini", "f"} << dev
            << QStringList{"fw.rom"};
        QTest::newRow("nothing after the file")
            << QStringList{"velmor-flash", "Com3", "fw.rom", ""} << dev << QStringList();
        // The devices given with options: the one argument is the file.
        QTest::newRow("firmware file after --device") << QStringList{"velmor-flash", "--device", "Com3", ""} << dev
                                                      << QStringList{"FW2.ROM", "dev", "fw.rom", "nodev", "sub"};
        QTest::newRow("firmware file after --devices")
            << QStringList{"velmor-flash", "--devices", "=", "Com5-Com12", "f"} << dev << QStringList{"fw.rom"};
        QTest::newRow("firmware file of a station")
            << QStringList{"velmor-flash", "--station", "--device", "Com3", "--device", "Com4", "F"} << dev
            << QStringList{"FW2.ROM"};
        QTest::newRow("nothing after the file of several devices")
            << QStringList{"velmor-flash", "--device", "Com3", "fw.rom", ""} << dev << QStringList();
        QTest::newRow("after --, a dash is a device") << QStringList{"velmor-flash", "--", "-"} << dev << QStringList();
        QTest::newRow("settings file") << QStringList{"velmor-flash", "--settings", "n"} << dev
                                       << QStringList{"nodev", "notes.txt"};
        QTest::newRow("formats") << QStringList{"velmor-convert", "--format", ""} << dev
                                 << QStringList{"gpx", "kartex", "magicmaps", "mappoint"};
        QTest::newRow("formats after =") << QStringList{"velmor-convert", "--format", "=", "ma"} << dev
                                         << QStringList{"magicmaps", "mappoint"};
        QTest::newRow("format right after =") << QStringList{"velmor-convert", "--format", "=", ""} << dev
                                              << QStringList{"gpx", "kartex", "magicmaps", "mappoint"};
        QTest::newRow("convert input: any file")
            << QStringList{"velmor-convert", "--format", "gpx", ""} << dev << allFiles;
        QTest::newRow("convert output") << QStringList{"velmor-convert", "track.lst", "t"} << dev
                                        << QStringList{"track.lst"};
        QTest::newRow("families vig") << QStringList{"velmor-devsim", "--device", "vig"} << dev
                                      << QStringList{"vigilo", "vigilogsm", "vigilogsm-modem", "vigilogsmneu"};
        QTest::newRow("devsim option") << QStringList{"velmor-devsim", "--a"} << dev << QStringList{"--all"};
        QTest::newRow("devsim takes no file") << QStringList{"velmor-devsim", "--all", ""} << dev << QStringList();
        QTest::newRow("another command") << QStringList{"velmor-other", "--"} << dev << QStringList();
    }

    void commandLine()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, devDir);
        QFETCH(QStringList, expected);
        QCOMPARE(Complete(words, devDir), Sorted(expected));
    }

    // Every option a tool's help names is completed after "-".
    void optionsOfTheHelp_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::newRow("velmor-flash") << VELMOR_FLASH_PATH;
        QTest::newRow("velmor-convert") << VELMOR_CONVERT;
        QTest::newRow("velmor-devsim") << VELMOR_DEVSIM_PATH;
    }

    void optionsOfTheHelp()
    {
        QFETCH(QString, tool);
        const QString help = QString::fromUtf8(HelpOf(tool));
        const QString options = help.mid(help.indexOf(QStringLiteral("\nOptions:")));
        QStringList named;
        static const QRegularExpression option(QStringLiteral("(?:^|[ ,])(--?[a-z][a-z-]*[a-z])(?=[ ,=<\\n])"),
                                               QRegularExpression::MultilineOption);
        for (const QRegularExpressionMatch& m : option.globalMatch(options))
            named << m.captured(1);
        named.removeDuplicates();
        QVERIFY2(named.size() >= 3, qPrintable(named.join(u' ')));
        QVERIFY(named.contains(QStringLiteral("--version")));
        const QStringList completed = Complete({QFileInfo(tool).fileName(), QStringLiteral("-")});
        for (const QString& name : named)
            QVERIFY2(completed.contains(name), qPrintable(name + QStringLiteral(" is not completed")));
    }

    // The families and formats completed are those the tools take.
    void valuesOfTheHelp()
    {
        const QString devsimHelp = QString::fromUtf8(HelpOf(VELMOR_DEVSIM_PATH));
        const QString families =
            devsimHelp.section(QStringLiteral("Families:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
        QStringList familyNames;
        for (const QString& line : families.split(u'\n', Qt::SkipEmptyParts))
            familyNames << line.simplified().section(u' ', 0, 0);
        QCOMPARE(familyNames.size(), 8);
        QCOMPARE(Complete({QStringLiteral("velmor-devsim"), QStringLiteral("--device"), QString()}),
                 Sorted(familyNames));

        static const QRegularExpression formatList(QStringLiteral("--format ([a-z|]+) "));
        const QRegularExpressionMatch formats = formatList.match(QString::fromUtf8(HelpOf(VELMOR_CONVERT)));
        QVERIFY(formats.hasMatch());
        QCOMPARE(Complete({QStringLiteral("velmor-convert"), QStringLiteral("--format"), QString()}),
                 Sorted(formats.captured(1).split(u'|')));
    }
};

QTEST_GUILESS_MAIN(TestCompletion)
#include "tst_completion.moc"
