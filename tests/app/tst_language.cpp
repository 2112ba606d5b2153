// The window's language: German (the texts of the sources) unless English is
// chosen in the menu or with --lang en; every text a technician sees has its
// English form in the catalogue.
#include "app/Language.h"
#include "app/LanguageMenu.h"
#include "app/ProgramInfo.h"
#include "firmware/UnitFlashen.h"
#include "firmware/UnitFlashenCSD.h"
#include "support/Harness.h"
#include "support/UserPath.h"
#include "support/WindowTexts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDirIterator>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTabWidget>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// The main window as the program builds it, in the language main() puts in
// force for the command line given.
struct TProgramWindow {
    std::unique_ptr<TFormMain> form;
    std::unique_ptr<TFormFlashen> flashen;
    std::unique_ptr<TFormFlashenCSD> flashenCsd;

    explicit TProgramWindow(const QStringList& arguments = {})
    {
        UseLanguage(StartLanguage(ParseProgramArguments(arguments).language, TestSettingsFile()));
        form = std::make_unique<TFormMain>();
        form->Timer1.stop();
        flashen = std::make_unique<TFormFlashen>(form.get());
        flashenCsd = std::make_unique<TFormFlashenCSD>(form.get());
        AddLanguageMenu(*form);
    }
    ~TProgramWindow()
    {
        flashenCsd.reset();
        flashen.reset();
        form.reset();
        UseLanguage(TLanguage::German);
    }
    QAction* action(const char* name) const { return form->findChild<QAction*>(QLatin1String(name)); }
};

const QString kEnglishTip = QStringLiteral("Double-click clears the messages");
const QString kGermanTip = QStringLiteral("Doppelklick löscht die Meldungen");

}  // namespace

class TestLanguage : public QObject {
    Q_OBJECT

    QList<TCatalogueEntry> m_catalogue;

private slots:
    void initTestCase() { m_catalogue = ReadCatalogue(QStringLiteral(VELMOR_TS_DIR "/velmor_en.ts")); }
    void init() { WriteTestSettings("[Misc]\r\nCOM=0\r\n"); }
    void cleanupTestCase() { RemoveTestSettings(); }

    // Every message translated, none left over from removed texts, the
    // placeholders of each kept.
    void catalogueComplete()
    {
        QVERIFY2(m_catalogue.size() > 400, qPrintable(QString::number(m_catalogue.size())));
        static const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
        const auto placeholders = [](const QString& text) {
            QStringList found;
            for (auto it = placeholder.globalMatch(text); it.hasNext();)
                found << it.next().captured();
            found.sort();
            return found;
        };
        for (const TCatalogueEntry& e : m_catalogue) {
            const QString where = e.context + QStringLiteral(": ") + e.source;
            QVERIFY2(e.type.isEmpty(), qPrintable(e.type + QStringLiteral(" - ") + where));
            QVERIFY2(!e.translation.isEmpty(), qPrintable(where));
            QVERIFY2(placeholders(e.source) == placeholders(e.translation), qPrintable(where));
            // No word twice in a row ("on on an alarm").
            static const QRegularExpression doubled(QStringLiteral("\\b(\\w{2,})\\s+\\1\\b"),
                                                    QRegularExpression::CaseInsensitiveOption);
            QVERIFY2(!doubled.match(e.translation).hasMatch(),
                     qPrintable(where + QStringLiteral(" -> ") + e.translation));
        }
    }

    void settingsChoice_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("english");
        QTest::newRow("no choice") << QByteArray("[Misc]\r\nCOM=0\r\n") << QString() << false;
        QTest::newRow("no file") << QByteArray() << QString() << false;
        QTest::newRow("de") << QByteArray("[Misc]\r\nLanguage=de\r\n") << QString() << false;
        QTest::newRow("en") << QByteArray("[Misc]\r\nLanguage=en\r\n") << QString() << true;
        QTest::newRow("EN, blanks") << QByteArray("[misc]\r\nlanguage = EN \r\n") << QString() << true;
        QTest::newRow("unknown value") << QByteArray("[Misc]\r\nLanguage=fr\r\n") << QString() << false;
        QTest::newRow("name, not code") << QByteArray("[Misc]\r\nLanguage=English\r\n") << QString() << false;
        QTest::newRow("other section") << QByteArray("[DIR]\r\nLanguage=en\r\n") << QString() << false;
        QTest::newRow("--lang en over de") << QByteArray("[Misc]\r\nLanguage=de\r\n") << "en" << true;
        QTest::newRow("--lang de over en") << QByteArray("[Misc]\r\nLanguage=en\r\n") << "de" << false;
    }

    void settingsChoice()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, commandLine);
        QFETCH(bool, english);
        if (settings.isEmpty())
            RemoveTestSettings();
        else
            WriteTestSettings(settings);
        QCOMPARE(StartLanguage(commandLine, TestSettingsFile()), english ? TLanguage::English : TLanguage::German);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QByteArray>("error");  // start of the error line, empty: none
        QTest::newRow("none") << QStringList() << QString() << QByteArray();
        QTest::newRow("--lang en") << QStringList{"--lang", "en"} << "en" << QByteArray();
        QTest::newRow("--lang=EN") << QStringList{"--lang=EN"} << "en" << QByteArray();
        QTest::newRow("--lang de after Qt options")
            << QStringList{"-style", "fusion", "--lang", "de"} << "de" << QByteArray();
        QTest::newRow("unknown") << QStringList{"--lang", "fr"} << QString()
                                 << QByteArray("VelmorServiceSoftware: unknown language 'fr'");
        QTest::newRow("empty") << QStringList{"--lang="} << QString()
                               << QByteArray("VelmorServiceSoftware: --lang needs a language");
        QTest::newRow("missing value") << QStringList{"--lang"} << QString()
                                       << QByteArray("VelmorServiceSoftware: --lang needs a language");
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, language);
        QFETCH(QByteArray, error);
        const TProgramStart start = ParseProgramArguments(arguments);
        QVERIFY(!start.answer);
        QCOMPARE(start.language, language);
        QCOMPARE(start.error.has_value(), !error.isEmpty());
        if (start.error)
            QVERIFY2(start.error->startsWith(error) && start.error->endsWith('\n'), start.error->constData());
        // --help and --version are answered whatever the language says.
        QVERIFY(ParseProgramArguments(QStringList{"--version"} + arguments).answer);
    }

    // The program itself: a wrong language ends it on the terminal, before
    // any window (no display needed).
    void commandLineProgram()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VELMOR_PROGRAM_PATH), {QStringLiteral("--lang"), QStringLiteral("xx")});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QCOMPARE(p.readAllStandardOutput(), QByteArray());
        QCOMPARE(p.readAllStandardError(),
                 QByteArray("VelmorServiceSoftware: unknown language 'xx' for --lang: de or en\n"));
    }

    // Without a catalogue the window stays German, and says nothing.
    void missingCatalogue()
    {
        TScriptedDialogsScope scope;
        QVERIFY(!UseLanguage(TLanguage::English, QStringLiteral("/nonexistent")));
        QCOMPARE(LanguageInUse(), TLanguage::German);
        TFormMain form;
        QCOMPARE(form.Memo1()->toolTip(), kGermanTip);
        QVERIFY(scope.dialogs->shown.isEmpty());
        QVERIFY(UseLanguage(TLanguage::German));
    }

    // Every panel, the firmware dialogs and the menus in English: each text
    // is a translation of the catalogue, or is the same in every language.
    void everyTextTranslated()
    {
        TScriptedDialogsScope scope;
        TProgramWindow program({QStringLiteral("--lang"), QStringLiteral("en")});
        QCOMPARE(LanguageInUse(), TLanguage::English);
        TFormMain& form = *program.form;
        form.show();
        const QList<QRegularExpression> english = EnglishPatterns(m_catalogue);
        const QMultiHash<QString, QString> fixed = UntranslatableTexts(QStringLiteral(VELMOR_SOURCE_DIR));
        QVERIFY(!fixed.isEmpty());

        QStringList missing;
        int checked = 0;
        const auto check = [&](QWidget* root) {
            for (const auto& [name, text] : VisibleTexts(root)) {
                if (text.trimmed().isEmpty() || LanguageFree(text) || fixed.contains(name, text))
                    continue;
                ++checked;
                if (!MatchesAny(english, text))
                    missing << name + QStringLiteral(": ") + text;
            }
        };
        // Each panel as the device menu (or, for the logger, the
        // identification) shows it.
        const std::pair<const char*, const char*> panels[] = {
            {"allgemein", "COM1"},         {"Vigilo", "Vigilo1"},
            {"VigiloGSM", "VigiloGSM1"},   {"Quintra", "Quintra1"},
            {"Zerbo", "Zerbo1"},           {"GPSDataLogger", nullptr},
            {"Lupino", "Lupino1"},         {"Tocsa", "Tocsa1"},
            {"KippaSmart", "KippaSmart1"}, {"VigiloGSMNEU", "VigiloGSMNEU1"},
        };
        for (const auto& [name, entry] : panels) {
            QGroupBox* panel = form.Panel(QLatin1String(name));
            if (entry)
                program.action(entry)->trigger();
            else
                form.ClearPanels(QLatin1String(name));
            // Lupino's entry stops at the port nobody chose (an error
            // message); its panel is shown by hand.
            if (!panel->isVisible())
                panel->show();
            QVERIFY(panel->isVisible());
            check(panel);
        }
        check(&form);
        for (QDialog* dialog :
             {static_cast<QDialog*>(program.flashen.get()), static_cast<QDialog*>(program.flashenCsd.get())}) {
            dialog->show();
            check(dialog);
            dialog->hide();
        }
        // The messages shown meanwhile (no port chosen) are English too.
        for (const QString& text : scope.dialogs->Texts())
            if (!MatchesAny(english, text))
                missing << QStringLiteral("message: ") + text;
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
        QVERIFY2(checked > 400, qPrintable(QString::number(checked)));
        QCOMPARE(form.Memo1()->toolTip(), kEnglishTip);

        // The check finds a text the catalogue lacks.
        auto* stray = new QLabel(QStringLiteral("Nicht übersetzt"), form.Panel(QStringLiteral("Vigilo")));
        stray->setObjectName(QStringLiteral("Stray"));
        check(form.Panel(QStringLiteral("Vigilo")));
        QCOMPARE(missing, QStringList{QStringLiteral("Stray: Nicht übersetzt")});
    }

    // The menu through the real message box: the choice goes into the
    // settings file, every other byte of it stays, and the next start comes
    // up in that language; back to German the same way.
    void menuChoiceAtNextStart()
    {
        const QByteArray before("; service settings\r\n[Misc]\r\nCOM=3\r\n\r\n[DIR]\r\nDirectory=/tmp\r\n");
        WriteTestSettings(before);
        TRealDialogsScope realDialogs;
        QString shown;
        TModalWatch watch([&shown](QWidget* box, const TModalWatch::Seen& seen) {
            shown = seen.text;
            AcceptMessageBox(box);
        });
        {
            TProgramWindow program;
            QCOMPARE(program.form->Memo1()->toolTip(), kGermanTip);
            QVERIFY(program.action("Deutsch1")->isChecked());
            program.form->show();
            QVERIFY(QTest::qWaitForWindowExposed(program.form.get()));
            // The menu is opened from the menu bar and the entry chosen in it.
            auto* menu = program.form->findChild<QMenu*>(QStringLiteral("Sprache1"));
            QVERIFY(menu && program.form->menuBar()->actions().contains(menu->menuAction()));
            QCOMPARE(program.form->menuBar()->actions().indexOf(menu->menuAction()) + 1,
                     program.form->menuBar()->actions().indexOf(program.action("Exit1")));
            QMenuBar* bar = program.form->menuBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(program.action("English1")).center());
            QVERIFY(PumpUntil([&shown] { return !shown.isEmpty(); }));
            QVERIFY2(shown.startsWith(QStringLiteral("Die Sprache wechselt beim nächsten Start")), qPrintable(shown));
            QVERIFY(program.action("English1")->isChecked());
            // Until then the window stays German.
            QCOMPARE(program.form->Memo1()->toolTip(), kGermanTip);
        }
        QCOMPARE(FileBytes(TestSettingsFile()), QByteArray("; service settings\r\n[Misc]\r\nCOM=3\r\nLanguage=en\r\n"
                                                           "\r\n[DIR]\r\nDirectory=/tmp\r\n"));
        shown.clear();
        {
            TProgramWindow program;
            QCOMPARE(LanguageInUse(), TLanguage::English);
            QCOMPARE(program.form->Memo1()->toolTip(), kEnglishTip);
            QCOMPARE(program.form->findChild<QMenu*>(QStringLiteral("Datei1"))->actions().value(0)->text(),
                     QStringLiteral("Save log as..."));
            QVERIFY(program.action("English1")->isChecked());
            program.action("Deutsch1")->trigger();
            QVERIFY(PumpUntil([&shown] { return !shown.isEmpty(); }));
            QVERIFY2(shown.startsWith(QStringLiteral("The language changes at the next start")), qPrintable(shown));
        }
        QVERIFY(FileBytes(TestSettingsFile()).contains("\r\nLanguage=de\r\n"));
        TProgramWindow program;
        QCOMPARE(program.form->Memo1()->toolTip(), kGermanTip);
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
