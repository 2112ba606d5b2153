#include "app/IniFile.h"
#include "support/Harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>

using Entries = QList<TIniFile::Entry>;
Q_DECLARE_METATYPE(TIniFile::Entry)

namespace {

// A hand-edited file as users leave them: a UTF-8 BOM, comment lines (one
// holding '='), odd case, blanks, a line that is neither header nor key, two
// sections of the same name.
const QByteArray kHandWritten = "\xEF\xBB\xBF[Calls]\r\n"
                                "; dial string for the remote unit, COM=9 here is no key\r\n"
                                "ATD=+49171;\r\n"
                                "\r\n"
                                "[ DIR ]\r\n"
                                "  Directory =  /home/user/fw dir\t \r\n"
                                "File=\r\n"
                                "#GPS-File=commented.out\r\n"
                                "just some words\r\n"
                                "[misc]\r\n"
                                "com=5\r\n"
                                "[Misc]\r\n"
                                "COM=8\r\n";

const QByteArray kFirstStartFile = "[Calls]\r\nATD=+49\r\n"
                                   "[DIR]\r\nDirectory=\r\nFile=\r\nGPS-Directory=\r\nGPS-File=\r\n"
                                   "LST-Directory=\r\nLST-File=\r\nPLC-Directory=\r\nPLC-File=\r\n"
                                   "[Misc]\r\nCOM=0\r\n";

const Entries kFirstStartEntries = {
    {"Calls", "ATD", "+49"}, {"DIR", "Directory", ""},     {"DIR", "File", ""},     {"DIR", "GPS-Directory", ""},
    {"DIR", "GPS-File", ""}, {"DIR", "LST-Directory", ""}, {"DIR", "LST-File", ""}, {"DIR", "PLC-Directory", ""},
    {"DIR", "PLC-File", ""}, {"Misc", "COM", "0"},
};

}  // namespace

class TstIniFile : public QObject {
    Q_OBJECT

private slots:
    // A fresh directory for every test function and data row.
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void deletesOneKeyLine_data();
    void deletesOneKeyLine();
    void readsHandWrittenFile_data();
    void readsHandWrittenFile();
    void readInteger_data();
    void readInteger();
    void readFallsBackWhenFileIsUnusable();
    void newFileHasExactContent();
    void editsOnlyWhatItMust_data();
    void editsOnlyWhatItMust();
    void hostileFiles_data();
    void hostileFiles();
    void failedWriteChangesNothing();
    void writesThroughSymlinkKeepingPermissions();
    void settingsFilePath_data();
    void settingsFilePath();

private:
    QString File(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }
    std::unique_ptr<QTemporaryDir> dir_;
};

void TstIniFile::readsHandWrittenFile_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("';' is part of the value") << "Calls"
                                              << "ATD"
                                              << "+49171;";
    QTest::newRow("after BOM, other case") << "calls"
                                           << "atd"
                                           << "+49171;";
    QTest::newRow("blanks trimmed") << "DIR"
                                    << "Directory"
                                    << "/home/user/fw dir";
    QTest::newRow("present but empty") << "DIR"
                                       << "File"
                                       << "";
    QTest::newRow("commented out") << "DIR"
                                   << "GPS-File"
                                   << "<def>";
    QTest::newRow("comment with '='") << "Calls"
                                      << "; dial string for the remote unit, COM"
                                      << "<def>";
    QTest::newRow("line without '='") << "DIR"
                                      << "just some words"
                                      << "<def>";
    QTest::newRow("first same-named section") << "Misc"
                                              << "COM"
                                              << "5";
    QTest::newRow("missing section") << "Ports"
                                     << "Com3"
                                     << "<def>";
}

void TstIniFile::readsHandWrittenFile()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    PutFile(File("s.ini"), kHandWritten);
    QCOMPARE(TIniFile(File("s.ini")).ReadString(section, key, "<def>"), expected);
}

void TstIniFile::readInteger_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << QByteArray("3") << 3;
    QTest::newRow("blanks, plus") << QByteArray(" \t+30 ") << 30;
    QTest::newRow("negative") << QByteArray("-2") << -2;
    QTest::newRow("overflow") << QByteArray("2147483648") << -99;
    QTest::newRow("word") << QByteArray("COM3") << -99;
    QTest::newRow("trailing text") << QByteArray("12abc") << -99;
    QTest::newRow("empty") << QByteArray("") << -99;
}

void TstIniFile::readInteger()
{
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    PutFile(File("n.ini"), "[Misc]\nCOM=" + value + "\n");
    QCOMPARE(TIniFile(File("n.ini")).ReadInteger("Misc", "COM", -99), expected);
}

void TstIniFile::readFallsBackWhenFileIsUnusable()
{
    QVERIFY(QDir(dir_->path()).mkdir("adir"));
    PutFile(File("empty.ini"), QByteArray());
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 151 + 7) & 0xFF);  // every byte value: NUL, CR, '[', '=' ...
    PutFile(File("garbage.ini"), garbage);

    // /dev/zero: a device must not be read forever.
    for (const QString& path :
         {File("missing.ini"), File("adir"), File("empty.ini"), File("garbage.ini"), QString("/dev/zero")}) {
        const TIniFile ini(path);
        QCOMPARE(ini.ReadString("Calls", "ATD", "+49171;"), QString("+49171;"));
        QCOMPARE(ini.ReadInteger("Misc", "COM", 0), 0);
    }
}

void TstIniFile::newFileHasExactContent()
{
    TIniFile ini(File("new.ini"));
    QVERIFY(ini.WriteStrings(kFirstStartEntries));
    QCOMPARE(FileBytes(ini.Path()), kFirstStartFile);
    QCOMPARE(ini.ReadString("Calls", "ATD", "+49171;"), QString("+49"));
    QCOMPARE(ini.ReadString("DIR", "Directory", "."), QString(""));
    QCOMPARE(ini.ReadInteger("Misc", "COM", -1), 0);

    // Written again, every key is found: nothing is added.
    QVERIFY(ini.WriteStrings(kFirstStartEntries));
    QCOMPARE(FileBytes(ini.Path()), kFirstStartFile);

    const QString dir = QString::fromUtf8("/home/jörg/Geräte ✓");
    QVERIFY(ini.WriteString("dir", "directory", dir));
    QVERIFY(FileBytes(ini.Path()).contains("\r\nDirectory=" + dir.toUtf8() + "\r\n"));
    QCOMPARE(ini.ReadString("DIR", "Directory", "."), dir);
}

void TstIniFile::editsOnlyWhatItMust_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QByteArray>("after");

    QByteArray edited = kHandWritten;
    edited.replace("com=5\r\n", "com=7\r\n");
    edited.replace("  Directory =  /home/user/fw dir\t \r\n", "  Directory =  /tmp\r\n");
    edited.replace("File=\r\n#GPS", "File=a.rom\r\n#GPS");
    edited.replace("ATD=+49171;\r\n", "ATD=\r\n");
    QTest::newRow("in place, spelling kept")
        << kHandWritten
        << Entries{{"MISC", "Com", "7"}, {"dir", "DIRECTORY", "/tmp"}, {"DIR", "File", "a.rom"}, {"Calls", "ATD", ""}}
        << edited;

    QTest::newRow("new key after last key line")
        << QByteArray("top=x\n[Calls]\nATD=+49\n\n; note\n[Empty]\n[misc]\nCOM=1\n")
        << Entries{{"calls", "Extra", "x"}, {"Calls", "More", "y"}, {"EMPTY", "k", "v"}, {"Misc", "top", "z"}}
        << QByteArray("top=x\n[Calls]\nATD=+49\nExtra=x\nMore=y\n\n; note\n[Empty]\nk=v\n[misc]\nCOM=1\ntop=z\n");

    QTest::newRow("section appended, last line unterminated")
        << QByteArray("[Calls]\nATD=+49")
        << Entries{{"Misc", "COM", "3"}, {"Calls", "ATD", "+44"}, {"Misc", "Other", "1"}}
        << QByteArray("[Calls]\nATD=+44\n[Misc]\nCOM=3\nOther=1\n");

    QTest::newRow("empty file") << QByteArray("") << Entries{{"Misc", "COM", "1"}} << QByteArray("[Misc]\r\nCOM=1\r\n");

    const Entries three = {{"Misc", "COM", "2"}, {"Misc", "Key", "v"}, {"New", "Key", "v"}};
    QTest::newRow("LF") << QByteArray("[Misc]\nCOM=1\n") << three << QByteArray("[Misc]\nCOM=2\nKey=v\n[New]\nKey=v\n");
    QTest::newRow("CR LF") << QByteArray("[Misc]\r\nCOM=1\r\n") << three
                           << QByteArray("[Misc]\r\nCOM=2\r\nKey=v\r\n[New]\r\nKey=v\r\n");
    QTest::newRow("lone CR") << QByteArray("[Misc]\rCOM=1\r") << three
                             << QByteArray("[Misc]\rCOM=2\rKey=v\r[New]\rKey=v\r");
    QTest::newRow("mixed: new lines take the first line's end")
        << QByteArray("[Misc]\nCOM=1\r\n; note\r") << three
        << QByteArray("[Misc]\nCOM=2\r\nKey=v\n; note\r[New]\nKey=v\n");

    // A new line ended by a lone CR must not join an empty LF line after it.
    QTest::newRow("lone CR before an empty line")
        << QByteArray("x\r[Misc]\n\n[B]\nA=1\n\n; note\r") << Entries{{"Misc", "New", "2"}, {"B", "C", "3"}}
        << QByteArray("x\r[Misc]\nNew=2\n\n[B]\nA=1\nC=3\n\n; note\r");

    // Blanks around a value do not read back, so they are not written either;
    // rewriting the same value leaves the file as it is.
    QTest::newRow("value blanks not written")
        << QByteArray("[Misc]\nCOM=1\nOld= x\n")
        << Entries{{"Misc", "COM", " 2\t"}, {"Misc", "COM", " 2\t"}, {"Misc", "Old", "\tx "}, {"Misc", "New", "\tv "}}
        << QByteArray("[Misc]\nCOM=2\nOld= x\nNew=v\n");

    // Filling in an empty value, or emptying one twice, keeps the blanks
    // behind its '='.
    QTest::newRow("blanks behind an empty value")
        << QByteArray("[Calls]\n  ATD  =\t \nB = \nA =  1\n")
        << Entries{{"calls", "atd", "+44"}, {"Calls", "B", ""}, {"Calls", "A", ""}, {"Calls", "A", ""}}
        << QByteArray("[Calls]\n  ATD  =\t +44\nB = \nA =  \n");

    static const char kJunk[] = "\xFF\xFE\x00\x01\xC3(\x80\x1B[";
    const QByteArray junk(kJunk, sizeof kJunk - 1);
    const QByteArray garbage = junk + "\n[Misc]\nRaw=" + junk + "\n" + junk + "=\x9F\nCOM=4\n[Ports]\nCom3=x\n";
    QByteArray garbageAfter = garbage;
    garbageAfter.replace("COM=4\n", "COM=6\n");
    QTest::newRow("garbage bytes kept") << garbage << Entries{{"Misc", "COM", "6"}, {"Ports", "Com4", "/dev/ttyS1"}}
                                        << garbageAfter + "Com4=/dev/ttyS1\n";

    // Entries that would not read back as written spoil the whole batch.
    for (const TIniFile::Entry& bad : Entries{{"Misc", "COM", "2\r\n[Evil]"},
                                              {"", "COM", "2"},
                                              {"Mi]sc", "COM", "2"},
                                              {"Misc", "A=B", "2"},
                                              {"Misc", ";COM", "2"},
                                              {QString(QChar(0xFEFF)) + "Misc", "COM", "2"},
                                              {"Misc", QString(QChar(0xFEFF)) + "COM", "2"}})
        QTest::addRow("rejected %s/%s", qPrintable(bad.section), qPrintable(bad.key))
            << QByteArray("[Misc]\nCOM=1\n") << Entries{{"Misc", "Good", "1"}, bad} << QByteArray("[Misc]\nCOM=1\n");
}

void TstIniFile::editsOnlyWhatItMust()
{
    QFETCH(QByteArray, before);
    QFETCH(Entries, entries);
    QFETCH(QByteArray, after);
    PutFile(File("e.ini"), before);
    TIniFile ini(File("e.ini"));
    QCOMPARE(ini.WriteStrings(entries), before != after);
    QCOMPARE(FileBytes(ini.Path()), after);
}

// Removing a key takes its line and nothing else: the other bytes, the
// other sections' keys of that name and the line ends stay.
void TstIniFile::deletesOneKeyLine_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("after");
    QByteArray withoutCom = kHandWritten;
    withoutCom.replace("com=5\r\n", "");
    QTest::newRow("first section of the name, any case") << kHandWritten << "MISC"
                                                         << "Com" << withoutCom;
    QTest::newRow("pinned port, LF, comment kept")
        << QByteArray("[Ports]\n; pinned\nCom3=/dev/serial/by-id/usb-X\nCom4=/dev/ttyS1\n[Misc]\nCom3=1\n") << "Ports"
        << "com3" << QByteArray("[Ports]\n; pinned\nCom4=/dev/ttyS1\n[Misc]\nCom3=1\n");
    QTest::newRow("last line without a line end") << QByteArray("[Ports]\r\nCom1=a\r\nCom3=b") << "Ports"
                                                  << "Com3" << QByteArray("[Ports]\r\nCom1=a\r\n");
    QTest::newRow("missing key: unchanged") << QByteArray("[Ports]\nCom1=a\n") << "Ports"
                                            << "Com2" << QByteArray("[Ports]\nCom1=a\n");
    QTest::newRow("missing section: unchanged") << QByteArray("Com1=a\n") << "Ports"
                                                << "Com1" << QByteArray("Com1=a\n");
}

void TstIniFile::deletesOneKeyLine()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QByteArray, after);
    PutFile(File("d.ini"), before);
    TIniFile ini(File("d.ini"));
    QVERIFY(ini.DeleteKey(section, key));
    QCOMPARE(FileBytes(ini.Path()), after);
    QCOMPARE(ini.ReadString(section, key, QStringLiteral("gone")), QStringLiteral("gone"));
    // A missing file stays missing; a read-only one is not changed.
    QVERIFY(TIniFile(File("none.ini")).DeleteKey(section, key));
    QVERIFY(!QFile::exists(File("none.ini")));
    if (before != after) {
        PutFile(ini.Path(), before);
        QVERIFY(QFile::setPermissions(ini.Path(), QFileDevice::ReadOwner));
        QVERIFY(!ini.DeleteKey(section, key));
        QCOMPARE(FileBytes(ini.Path()), before);
    }
}

// Files no program writes but a disk or a user can produce: every line
// stays, and what is written reads back.
void TstIniFile::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("readSection");
    QTest::addColumn<QString>("readKey");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<TIniFile::Entry>("write");
    QTest::addColumn<QByteArray>("after");

    QByteArray sections;
    for (int i = 0; i < 10000; ++i)
        sections += "[S" + QByteArray::number(i) + "]\r\nK=" + QByteArray::number(i) + "\r\n";
    QByteArray sectionsAfter = sections;
    sectionsAfter.replace("K=5000\r\n", "K=5000\r\nNew=x\r\n");
    QTest::newRow("10 000 sections") << sections << "s9999"
                                     << "k" << QByteArray("9999") << TIniFile::Entry{"S5000", "New", "x"}
                                     << sectionsAfter;

    const QByteArray tenMB(10 * 1024 * 1024, 'v');
    QTest::newRow("a 10 MB value") << "[S]\r\nK=" + tenMB + "\r\nL=1\r\n"
                                   << "S"
                                   << "K" << tenMB << TIniFile::Entry{"S", "L", "2"}
                                   << "[S]\r\nK=" + tenMB + "\r\nL=2\r\n";

    const QByteArray nuls(1024 * 1024, '\0');
    QTest::newRow("NUL floods") << nuls + "\n[S]\nK=1\n" + nuls << "S"
                                << "K" << QByteArray("1") << TIniFile::Entry{"S", "New", "2"}
                                << nuls + "\n[S]\nK=1\nNew=2\n" + nuls;
}

void TstIniFile::hostileFiles()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, readSection);
    QFETCH(QString, readKey);
    QFETCH(QByteArray, expected);
    QFETCH(TIniFile::Entry, write);
    QFETCH(QByteArray, after);
    PutFile(File("h.ini"), before);
    TIniFile ini(File("h.ini"));
    QCOMPARE(ini.ReadString(readSection, readKey, "<none>").toUtf8(), expected);
    QVERIFY(ini.WriteString(write.section, write.key, write.value));
    QCOMPARE(FileBytes(ini.Path()), after);
    QCOMPARE(ini.ReadString(write.section, write.key, "<none>"), write.value);
}

void TstIniFile::failedWriteChangesNothing()
{
    const QByteArray before = "[Misc]\r\nCOM=1\r\n";
    PutFile(File("ro.ini"), before);
    QVERIFY(QFile::setPermissions(File("ro.ini"), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    QVERIFY(!TIniFile(File("ro.ini")).WriteString("Misc", "COM", "2"));
    QVERIFY(!TIniFile(File("ro.ini")).WriteString("New", "Key", "v"));
    QCOMPARE(FileBytes(File("ro.ini")), before);

    QVERIFY(QDir(dir_->path()).mkdir("adir"));
    QVERIFY(!TIniFile(File("adir")).WriteString("Misc", "COM", "2"));
    QVERIFY(!TIniFile(File("no/such/dir.ini")).WriteString("Misc", "COM", "2"));
    QVERIFY(!QFile::exists(File("no")));
    QVERIFY(!TIniFile(File("never.ini")).WriteString("Misc", "", "2"));
    QVERIFY(!QFile::exists(File("never.ini")));
    QVERIFY(!TIniFile("/dev/full").WriteString("Misc", "COM", "2"));  // never a device
}

void TstIniFile::writesThroughSymlinkKeepingPermissions()
{
    PutFile(File("real.ini"), "[Misc]\nCOM=1\n");
    QVERIFY(QFile::setPermissions(File("real.ini"),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    QVERIFY(QFile::link(File("real.ini"), File("link.ini")));
    QVERIFY(TIniFile(File("link.ini")).WriteString("Misc", "COM", "12"));
    QVERIFY(QFileInfo(File("link.ini")).isSymLink());
    QCOMPARE(FileBytes(File("real.ini")), QByteArray("[Misc]\nCOM=12\n"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(File("real.ini")).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
}

void TstIniFile::settingsFilePath_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("expected");
    QTest::newRow("dot in directory") << "/opt/a.b/VelmorServiceSoftware"
                                      << "/opt/a.b/VelmorServiceSoftware.ini";
    QTest::newRow(".EXE") << "C:/x/Prog.EXE"
                          << "C:/x/Prog.ini";
    QTest::newRow("two dots in name") << "C:\\Tools 1.2\\Velmor.v3.exe"
                                      << "C:\\Tools 1.2\\Velmor.v3.ini";
    QTest::newRow(".exe directory") << "/srv/x.exe/prog"
                                    << "/srv/x.exe/prog.ini";
}

void TstIniFile::settingsFilePath()
{
    QFETCH(QString, executable);
    QFETCH(QString, expected);
    QCOMPARE(SettingsFilePathFor(executable), expected);
}

QTEST_GUILESS_MAIN(TstIniFile)
#include "tst_inifile.moc"
