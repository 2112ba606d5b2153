// The files the package installs beside the programs: the manual pages made
// at build time render without a warning and carry their hand-written part;
// the software centre's entry validates and names this version and the
// desktop entry; the changelog is one dpkg reads, with this version.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct TRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

TRun Run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    TRun r;
    if (!p.waitForStarted(5000)) {
        r.err = program.toUtf8() + " cannot be started (bash setup.sh installs it)";
        return r;
    }
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        r.err = program.toUtf8() + " did not end";
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestPackageFiles : public QObject {
    Q_OBJECT

private slots:
    void manualPage_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("sections");  // besides NAME, SYNOPSIS, DESCRIPTION, OPTIONS

        QTest::newRow("VelmorServiceSoftware")
            << "VelmorServiceSoftware" << QStringList{"\"EXIT STATUS\"", "FILES", "EXAMPLES", "\"SEE ALSO\""};
        // Its exit statuses come with its help, under OPTIONS.
        QTest::newRow("velmor-flash") << "velmor-flash"
                                      << QStringList{"\"EXIT STATUS\"", "FILES", "EXAMPLES", "\"SEE ALSO\""};
        QTest::newRow("velmor-convert") << "velmor-convert"
                                        << QStringList{"\"EXIT STATUS\"", "EXAMPLES", "\"SEE ALSO\""};
        QTest::newRow("velmor-devsim") << "velmor-devsim"
                                       << QStringList{"\"EXIT STATUS\"", "EXAMPLES", "\"SEE ALSO\"", "\"Families:\""};
    }

    void manualPage()
    {
#ifndef VELMOR_MAN_DIR
        QSKIP("built without manual pages (VELMOR_MANPAGES=OFF)");
#else
        QFETCH(QString, program);
        QFETCH(QStringList, sections);
        const QString page = QDir(QStringLiteral(VELMOR_MAN_DIR)).filePath(program + QStringLiteral(".1"));
        const QByteArray text = FileBytes(page);
        QVERIFY2(!text.isEmpty(), qPrintable(page));
        QVERIFY(QFile::exists(page + QStringLiteral(".gz")));

        const TRun groff =
            Run(QStringLiteral("groff"), {QStringLiteral("-ww"), QStringLiteral("-z"), QStringLiteral("-man"), page});
        QVERIFY2(groff.status == 0 && groff.err.isEmpty(), groff.err.constData());

        // The title line names this version; the name line is the
        // hand-written one, not help2man's stand-in.
        const QByteArray title = text.mid(text.indexOf("\n.TH "), 200);
        QVERIFY2(title.contains(" " VELMOR_PROJECT_VERSION "\""), title.constData());
        const int name = text.indexOf("\n.SH NAME\n");
        QVERIFY(name >= 0);
        const QByteArray nameLine = text.mid(name + 10, text.indexOf('\n', name + 10) - name - 10);
        QVERIFY2(nameLine.contains(" \\- ") && !nameLine.contains("manual page for"), nameLine.constData());
        for (const char* heading : {"SYNOPSIS", "DESCRIPTION", "OPTIONS"})
            QVERIFY2(text.contains(QByteArray("\n.SH ") + heading + '\n'), heading);
        for (const QString& heading : sections)
            QVERIFY2(text.contains(".SH " + heading.toUtf8() + '\n') || text.contains(".SS " + heading.toUtf8() + '\n'),
                     qPrintable(heading));
#endif
    }

    // The pages as a reader sees them: their sections in order, none made
    // from a line of an example, the synopsis with every form of the tool.
    void renderedSections_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("sections");
        QTest::addColumn<QStringList>("synopsis");  // a line each, as rendered
        QTest::addColumn<QString>("shows");         // a line of the page, trimmed
        const QStringList all{"NAME",        "SYNOPSIS", "DESCRIPTION", "OPTIONS",
                              "EXIT STATUS", "FILES",    "EXAMPLES",    "SEE ALSO"};
        QTest::newRow("window") << "VelmorServiceSoftware" << all << QStringList{"VelmorServiceSoftware [OPTION]..."}
                                << "Com3=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";
        QTest::newRow("velmor-flash")
            << "velmor-flash" << all
            << QStringList{"velmor-flash [OPTIONS] DEVICE FILE.rom",
                           "velmor-flash [OPTIONS] --device DEVICE [--device DEVICE ...] FILE.rom",
                           "velmor-flash [OPTIONS] --devices ComA-ComB [--report FILE] FILE.rom",
                           "velmor-flash [OPTIONS] --station --device DEVICE [...] FILE.rom"}
            << "velmor-flash --station --devices Com5-Com12 --report units.jsonl firmware.rom";
    }

    void renderedSections()
    {
#ifndef VELMOR_MAN_DIR
        QSKIP("built without manual pages (VELMOR_MANPAGES=OFF)");
#else
        QFETCH(QString, program);
        QFETCH(QStringList, sections);
        QFETCH(QStringList, synopsis);
        QFETCH(QString, shows);
        const QString page = QDir(QStringLiteral(VELMOR_MAN_DIR)).filePath(program + QStringLiteral(".1"));
        const TRun groff = Run(QStringLiteral("groff"), {QStringLiteral("-man"), QStringLiteral("-Tascii"),
                                                         QStringLiteral("-P-cbou"), QStringLiteral("-rLL=200n"), page});
        QCOMPARE(groff.status, 0);
        const QStringList lines = QString::fromUtf8(groff.out).split(u'\n');
        QStringList headings;
        static const QRegularExpression heading(QStringLiteral("^[A-Z][A-Z ]*$"));
        for (const QString& line : lines)
            if (heading.match(line).hasMatch())
                headings << line;
        QCOMPARE(headings, sections);
        const qsizetype from = lines.indexOf(QStringLiteral("SYNOPSIS")) + 1;
        QStringList forms;
        for (qsizetype i = from; i < lines.size() && !lines[i].trimmed().isEmpty(); ++i)
            forms << lines[i].simplified();
        QCOMPARE(forms, synopsis);
        bool found = false;
        for (const QString& line : lines)
            found = found || line.simplified() == shows;
        QVERIFY2(found, qPrintable(shows + u'\n' + lines.join(u'\n')));
#endif
    }

    void metainfo()
    {
        const QStringList found =
            QDir(QStringLiteral(VELMOR_METAINFO_DIR)).entryList({QStringLiteral("*.metainfo.xml")}, QDir::Files);
        QCOMPARE(found.size(), 1);
        const QString path = QDir(QStringLiteral(VELMOR_METAINFO_DIR)).filePath(found[0]);
        const TRun validate =
            Run(QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"), path});
        QVERIFY2(validate.status == 0, (validate.out + validate.err).constData());

        // The file is named by its id, names the desktop entry the package
        // installs and this version.
        const QString text = QString::fromUtf8(FileBytes(path));
        static const QRegularExpression id(QStringLiteral("<id>([^<]+)</id>"));
        QCOMPARE(id.match(text).captured(1) + QStringLiteral(".metainfo.xml"), found[0]);
        static const QRegularExpression launchable(QStringLiteral("<launchable type=\"desktop-id\">([^<]+)<"));
        const QString desktop = launchable.match(text).captured(1);
        QVERIFY2(QFile::exists(QDir(QStringLiteral(VELMOR_PACKAGING_DIR)).filePath(desktop)), qPrintable(desktop));
        QVERIFY(text.contains(QStringLiteral("<release version=\"" VELMOR_PROJECT_VERSION "\" date=\"")));
    }

    // The icon at every size the hicolor theme looks for, named by the
    // software centre's entry; the desktop entry and the entry in German too.
    void iconsAndGermanEntries()
    {
        const QDir packaging(QStringLiteral(VELMOR_PACKAGING_DIR));
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString file = packaging.filePath(QStringLiteral("icons/%1x%1/VelmorServiceSoftware.png").arg(size));
            const QImage icon(file);
            QVERIFY2(!icon.isNull(), qPrintable(file));
            QCOMPARE(icon.size(), QSize(size, size));
            // Drawn, with a transparent corner.
            QVERIFY(icon.hasAlphaChannel() && qAlpha(icon.pixel(0, 0)) == 0);
            if (size >= 32)  // the background between the strokes of the "V"
                QCOMPARE(QColor(icon.pixel(size / 2, size / 8)).name(), QStringLiteral("#2b4f81"));
        }
        const QString desktop =
            QString::fromUtf8(FileBytes(packaging.filePath(QStringLiteral("VelmorServiceSoftware.desktop"))));
        for (const char* key :
             {"\nName[de]=", "\nComment[de]=", "\nGenericName[de]=", "\nIcon=VelmorServiceSoftware\n"})
            QVERIFY2(desktop.contains(QLatin1String(key)), key);
        const QStringList found =
            QDir(QStringLiteral(VELMOR_METAINFO_DIR)).entryList({QStringLiteral("*.metainfo.xml")}, QDir::Files);
        QCOMPARE(found.size(), 1);
        const QString text = QString::fromUtf8(FileBytes(QDir(QStringLiteral(VELMOR_METAINFO_DIR)).filePath(found[0])));
        QVERIFY(text.contains(QStringLiteral("<icon type=\"stock\">VelmorServiceSoftware</icon>")));
        QVERIFY(text.contains(QStringLiteral("<summary xml:lang=\"de\">")));
        QCOMPARE(text.count(QStringLiteral("<p xml:lang=\"de\">")), text.count(QStringLiteral("<p>")));
    }

    void changelog()
    {
        const TRun parsed =
            Run(QStringLiteral("dpkg-parsechangelog"), {QStringLiteral("-l"), QStringLiteral(VELMOR_CHANGELOG),
                                                        QStringLiteral("-S"), QStringLiteral("Version")});
        QVERIFY2(parsed.status == 0 && parsed.err.isEmpty(), parsed.err.constData());
        QCOMPARE(parsed.out.trimmed(), QByteArray(VELMOR_PROJECT_VERSION));
    }
};

QTEST_GUILESS_MAIN(TestPackageFiles)
#include "tst_packagefiles.moc"
