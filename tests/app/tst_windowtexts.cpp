// What a technician reads and hears: every caption whole in both languages,
// at the window's default and at its smallest size; the German window German
// throughout; every control announced by the label beside it.
#include "app/GeneralError.h"
#include "app/Language.h"
#include "app/LanguageMenu.h"
#include "app/UnitMain.h"
#include "firmware/UnitFlashen.h"
#include "firmware/UnitFlashenCSD.h"
#include "gps/TrackView.h"
#include "support/Harness.h"
#include "support/ScriptedDialogs.h"
#include "support/WindowTexts.h"
#include "watchdog/Heartbeat.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char* const kPanels[] = {"allgemein",     "Vigilo", "VigiloGSM", "Quintra",    "Zerbo",
                               "GPSDataLogger", "Lupino", "Tocsa",     "KippaSmart", "VigiloGSMNEU"};

// Texts that read the same in German and English: names of the devices and
// of the program, the devices' own commands, parameters and modes as they
// are sent and shown by the devices, file formats and map programs.
const QStringList kSameInBothLanguages = {
    // the program, the devices, the panels named after them, the language menu
    QStringLiteral("VelmorServiceSoftware (Vigilo - Quintra - Zerbo - Kippa-smart)"),
    QStringLiteral("Vigilo"),
    QStringLiteral("Vigilo-GSM"),
    QStringLiteral("VigiloGSMNEU"),
    QStringLiteral("Quintra"),
    QStringLiteral("Zerbo"),
    QStringLiteral("Kippa-smart"),
    QStringLiteral("Lupino"),
    QStringLiteral("Tocsa"),
    QStringLiteral("GPS-DataLogger"),
    QStringLiteral("&Sprache / Language"),
    QStringLiteral("Deutsch"),
    QStringLiteral("English"),
    // words German uses as they are
    QStringLiteral("Inf&o"),
    QStringLiteral("Version: V"),
    QStringLiteral("Status"),
    QStringLiteral("Watchdog"),
    QStringLiteral("OK"),
    QStringLiteral("GPS"),
    QStringLiteral("GSM"),
    QStringLiteral("  CSD"),
    // the devices' modes, commands and parameters as the devices name them
    QStringLiteral("0 = GSM"),
    QStringLiteral("1 = Vigilo"),
    QStringLiteral("2 = Kippa"),
    QStringLiteral("3 = VG-Failsave!"),
    QStringLiteral("4 = VG-Neutral"),
    QStringLiteral("vigilo"),
    QStringLiteral("kippa"),
    QStringLiteral("vigilo_failsave"),
    QStringLiteral("vigilo_neutral"),
    QStringLiteral("slave"),
    QStringLiteral("aux1 = 0"),
    QStringLiteral("aux1 = 1"),
    QStringLiteral("aux1 = 2"),
    QStringLiteral("Tv"),
    QStringLiteral("onapon"),
    QStringLiteral("triapon"),
    QStringLiteral("ESC"),
    QStringLiteral("GET"),
    QStringLiteral("Echo ---> SET 4 ="),
    QStringLiteral("APN"),
    QStringLiteral("EmailToAdr1"),
    QStringLiteral("AlarmSMS1"),
    QStringLiteral("AlarmSMS2"),
    QStringLiteral("AlarmSMS3"),
    QStringLiteral("Rst2SMS"),
    QStringLiteral("SendSMS"),
    QStringLiteral("SMS2Email"),
    QStringLiteral("AlarmVC1"),
    QStringLiteral("AlarmVC2"),
    QStringLiteral("AlarmVC3"),
    QStringLiteral("Rst2VC"),
    QStringLiteral("RingTime"),
    QStringLiteral("COT"),
    QStringLiteral("LowBatSMS="),
    QStringLiteral("MsgSMS="),
    QStringLiteral("PowerDownTimeOut"),
    // the block protocol's answers in the firmware messages
    QStringLiteral("???"),
    QStringLiteral("no ACK"),
    QStringLiteral("wrong ACK"),
    // export formats and the map programs they are for
    QStringLiteral("MS-MapPoint"),
    QStringLiteral("Kartex"),
    QStringLiteral("MagicMaps"),
    QStringLiteral("GPX"),
    // words German and English share (the track window)
    QStringLiteral("Track - %1"),
    QStringLiteral("Start %1"),
};

// English texts the window shows on purpose: the serial port's own error
// texts, which the English command-line tools print as well, and the
// transfer state that the command-line flasher compares.
const QStringList kEnglishOnPurpose = {
    // the port's error on raising DTR without a port (ComPort)
    QStringLiteral("EscapeCommFunction function failed"),
    // the transfer's state (FlashProcedure, velmor-flash)
    QStringLiteral("in progress"),
};

// The program's windows, offscreen, in a language: the main window with its
// language menu, the two firmware dialogs and a track window.
struct TProgram {
    TScriptedDialogsScope scope;
    QTemporaryDir dir;
    std::unique_ptr<TFormMain> form;
    std::unique_ptr<TFormFlashen> flashen;
    std::unique_ptr<TFormFlashenCSD> flashenCsd;
    QPointer<TTrackWindow> track;

    explicit TProgram(TLanguage language)
    {
        UseLanguage(language);
        form = std::make_unique<TFormMain>();
        form->Timer1.stop();
        AddLanguageMenu(*form);
        flashen = std::make_unique<TFormFlashen>(form.get());
        flashenCsd = std::make_unique<TFormFlashenCSD>(form.get());
        const QString file = dir.filePath(QStringLiteral("track.lst"));
        PutFile(file, "$GPGGA,120000,5230.0000,N,01322.0000,E,1,08,1.0,40.0,M,0.0,M,,*4A\r\n"
                      "$GPGGA,120100,5230.5000,N,01323.0000,E,1,08,1.0,45.0,M,0.0,M,,*4A\r\n");
        track = ShowTrackWindow(form.get(), file);
        track->hide();
        form->show();
        // The longest text each status panel shows.
        form->SetStatusText(4, THeartbeat::CountdownText(9));
    }
    ~TProgram()
    {
        delete track.data();
        flashenCsd.reset();
        flashen.reset();
        form.reset();
        UseLanguage(TLanguage::German);
    }

    // Every view a user can bring up: each panel with each of its tab pages
    // in front, the window around it, the dialogs and the track window;
    // look gets the window part on show.
    void Walk(const std::function<void(const QString& view, QWidget* root)>& look)
    {
        for (const char* name : kPanels) {
            // The Lupino panel sets DTR, which the missing port refuses: the
            // general error display takes it, as from the menu.
            Guarded([&] { form->ClearPanels(QLatin1String(name)); })();
            QGroupBox* panel = form->Panel(QLatin1String(name));
            QList<std::pair<QTabWidget*, int>> pages{{nullptr, 0}};
            for (QTabWidget* t : panel->findChildren<QTabWidget*>())
                for (int i = 0; i < t->count(); ++i)
                    pages.append({t, i});
            for (const auto& [tabs, i] : pages) {
                if (tabs)
                    tabs->setCurrentIndex(i);
                QCoreApplication::processEvents();
                look(QLatin1String(name) + (tabs ? QStringLiteral("/") + tabs->tabText(i) : QString()), panel);
            }
        }
        look(QStringLiteral("window"), form->PanelLinks());
        look(QStringLiteral("status bar"), form->statusBar());
        for (QWidget* w : {static_cast<QWidget*>(flashen.get()), static_cast<QWidget*>(flashenCsd.get()),
                           static_cast<QWidget*>(track.data())}) {
            w->show();
            QCoreApplication::processEvents();
            look(w->objectName().isEmpty() ? QStringLiteral("track window") : w->objectName(), w);
            w->hide();
        }
    }
};

QString Plain(QString text) { return text.remove(QLatin1Char('&')).simplified(); }

bool Shown(QWidget* w, QWidget* root) { return w->isVisibleTo(root) && w->isVisible(); }

// What of each control's caption the control cannot show.
QStringList CutCaptions(QWidget* root)
{
    QStringList cut;
    const auto report = [&cut](QWidget* w, const QString& text, int needed, int room) {
        if (needed > room)
            cut << QStringLiteral("%1 \"%2\" needs %3 px, has %4").arg(w->objectName(), text).arg(needed).arg(room);
    };
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    for (QWidget* w : all) {
        if (!Shown(w, root))
            continue;
        const QFontMetrics fm = w->fontMetrics();
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty()) {
            QStyleOptionButton opt;
            opt.initFrom(b);
            opt.text = b->text();
            QStyle::SubElement element = QStyle::SE_PushButtonContents;
            if (qobject_cast<QCheckBox*>(b))
                element = QStyle::SE_CheckBoxContents;
            else if (qobject_cast<QRadioButton*>(b))
                element = QStyle::SE_RadioButtonContents;
            else if (!qobject_cast<QPushButton*>(b))
                continue;
            const int room = b->style()->subElementRect(element, &opt, b).width();
            report(b, b->text(), fm.horizontalAdvance(Plain(b->text())), room);
        } else if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty() && l->textFormat() != Qt::RichText) {
            const int room = l->contentsRect().width() - 2 * l->margin();
            if (l->wordWrap()) {
                if (l->heightForWidth(l->width()) > l->height())
                    cut << QStringLiteral("%1 \"%2\" needs %3 px high, has %4")
                               .arg(l->objectName(), l->text())
                               .arg(l->heightForWidth(l->width()))
                               .arg(l->height());
                continue;
            }
            for (const QString& line : l->text().split(QRegularExpression(QStringLiteral("[\r\n]+"))))
                report(l, line, fm.horizontalAdvance(line), room);
        } else if (auto* g = qobject_cast<QGroupBox*>(w); g && !g->title().isEmpty()) {
            // The caption sits on the frame with the style's indent on either side.
            report(g, g->title(), QFontMetrics(g->font()).horizontalAdvance(Plain(g->title())) + 16, g->width());
        } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                report(tabs, tabs->tabText(i), fm.horizontalAdvance(Plain(tabs->tabText(i))),
                       tabs->tabRect(i).width() - 8);
        }
    }
    return cut;
}

// Controls that lie over one another.
QStringList Overlaps(QWidget* root)
{
    QList<std::pair<QWidget*, QRect>> controls;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w)
                             || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QLineEdit*>(w)
                             || (qobject_cast<QLabel*>(w) && !static_cast<QLabel*>(w)->text().isEmpty());
        if (!control || !Shown(w, root) || qobject_cast<QComboBox*>(w->parentWidget())
            || qobject_cast<QAbstractSpinBox*>(w->parentWidget()) || qobject_cast<QTabBar*>(w->parentWidget()))
            continue;
        controls.append({w, QRect(w->mapTo(root, QPoint(0, 0)), w->size())});
    }
    QStringList found;
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j)
            if (controls[i].second.intersects(controls[j].second))
                found << controls[i].first->objectName() + QStringLiteral(" over ") + controls[j].first->objectName();
    return found;
}

QString AnnouncedName(QWidget* w)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

// The caption a sighted user reads beside a field: the nearest label or
// check box to its left on its line in the same group, else the one just
// above it.
QString LabelBeside(QWidget* field, QWidget* root)
{
    const QRect f(field->mapTo(root, QPoint(0, 0)), field->size());
    QWidget* group = field->parentWidget();
    QString left, above;
    int leftGap = INT_MAX, aboveGap = 30;
    for (QWidget* w : group->findChildren<QWidget*>()) {
        QString caption;
        if (auto* l = qobject_cast<QLabel*>(w))
            caption = Plain(l->text());
        else if (auto* b = qobject_cast<QAbstractButton*>(w); b && !qobject_cast<QPushButton*>(b))
            caption = Plain(b->text());
        if (caption.isEmpty() || !Shown(w, root))
            continue;
        const QRect r(w->mapTo(root, QPoint(0, 0)), w->size());
        if (r.top() <= f.center().y() && r.bottom() >= f.center().y() && r.right() <= f.left() + 2
            && f.left() - r.right() < leftGap) {
            leftGap = f.left() - r.right();
            left = caption;
        } else if (r.bottom() <= f.top() + 2 && r.left() < f.right() && r.right() > f.left()
                   && f.top() - r.bottom() < aboveGap) {
            aboveGap = f.top() - r.bottom();
            above = caption;
        }
    }
    return left.isEmpty() ? above : left;
}

// Where what a screen reader announces is not what a user sees.
QStringList MisnamedControls(QWidget* root)
{
    QStringList problems;
    QHash<QString, QString> names;  // announced name -> control
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!Shown(w, root) || w->focusPolicy() == Qt::NoFocus)
            continue;
        auto* box = qobject_cast<QComboBox*>(w);
        const bool field = box || qobject_cast<QAbstractSpinBox*>(w)
                           || (qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w->parentWidget())
                               && !qobject_cast<QAbstractSpinBox*>(w->parentWidget()));
        const bool button = qobject_cast<QAbstractButton*>(w) && !qobject_cast<QTabBar*>(w->parentWidget());
        if (!field && !button)
            continue;
        const QString where = root->objectName() + u'/' + w->objectName();
        const QString name = AnnouncedName(w).simplified();
        if (name.isEmpty()) {
            problems << where + QStringLiteral(": no name");
            continue;
        }
        // A field may share the caption of the button that sends it; two
        // fields, or two buttons, may not share one.
        const QString key = (field ? QStringLiteral("field ") : QStringLiteral("button ")) + name;
        if (names.contains(key))
            problems << where + QStringLiteral(": \"") + name + QStringLiteral("\" as ") + names.value(key);
        names.insert(key, w->objectName());
        if (!field)
            continue;
        const QString label = LabelBeside(w, root);
        if (!label.isEmpty() && !name.contains(label))
            problems << where + QStringLiteral(": announced \"") + name + QStringLiteral("\", the label reads \"")
                            + label + u'"';
        if (box) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
            if (a->role() != QAccessible::ComboBox || a->text(QAccessible::Value) != box->currentText())
                problems << where + QStringLiteral(": not a combo box with its value");
            if (name == Plain(box->currentText()) && label != name)
                problems << where + QStringLiteral(": announced by its value \"") + name + u'"';
            // An editable list's text field takes the focus in its place.
            if (box->lineEdit() && AnnouncedName(box->lineEdit()) != AnnouncedName(box))
                problems << where + QStringLiteral(": its text field announced \"") + AnnouncedName(box->lineEdit())
                                + u'"';
        }
    }
    return problems;
}

}  // namespace

class TestWindowTexts : public QObject {
    Q_OBJECT

    QList<TCatalogueEntry> m_catalogue;

private slots:
    void initTestCase()
    {
        WriteTestSettings("[Misc]\r\nCOM=0\r\n");
        m_catalogue = ReadCatalogue(QStringLiteral(VELMOR_TS_DIR "/velmor_en.ts"));
        QVERIFY(!m_catalogue.isEmpty());
    }
    void cleanupTestCase() { RemoveTestSettings(); }

    void captionsWhole_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<bool>("smallest");
        QTest::newRow("German, default size") << false << false;
        QTest::newRow("German, smallest size") << false << true;
        QTest::newRow("English, default size") << true << false;
        QTest::newRow("English, smallest size") << true << true;
    }

    // Font metrics against the geometry shown: no caption cut, no control
    // over another.
    void captionsWhole()
    {
        QFETCH(bool, english);
        QFETCH(bool, smallest);
        TProgram program(english ? TLanguage::English : TLanguage::German);
        if (smallest)
            program.form->resize(1, 1);
        QCoreApplication::processEvents();
        if (smallest)
            QVERIFY2(program.form->width() < 1043 && program.form->height() < 846,
                     qPrintable(QStringLiteral("%1x%2").arg(program.form->width()).arg(program.form->height())));
        QStringList problems;
        int views = 0;
        program.Walk([&](const QString& view, QWidget* root) {
            ++views;
            for (const QString& p : CutCaptions(root) + Overlaps(root))
                problems << view + QStringLiteral(": ") + p;
        });
        problems.removeDuplicates();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        QVERIFY(views > 15);

        // The checks find a cut caption and an overlap.
        QGroupBox* panel = program.form->Panel(QStringLiteral("Zerbo"));
        program.form->ClearPanels(QStringLiteral("Zerbo"));
        QCoreApplication::processEvents();
        QPushButton* beside = panel->findChildren<QPushButton*>().value(0);
        QVERIFY(beside);
        auto* narrow = new QPushButton(QStringLiteral("Eine viel zu lange Beschriftung"), beside->parentWidget());
        narrow->setObjectName(QStringLiteral("Narrow"));
        narrow->setGeometry(QRect(beside->pos(), QSize(40, 20)));
        narrow->show();
        const QStringList found = CutCaptions(panel) + Overlaps(panel);
        QVERIFY2(found.filter(QStringLiteral("Narrow \"")).size() == 1, qPrintable(found.join(u'\n')));
        QVERIFY2(!found.filter(QStringLiteral("Narrow over")).isEmpty()
                     || !found.filter(QStringLiteral("over Narrow")).isEmpty(),
                 qPrintable(found.join(u'\n')));
    }

    // The German window shows no text that is only English: none the
    // catalogue holds unchanged (but names and device words), none that
    // is the English of another.
    void germanThroughout()
    {
        TProgram program(TLanguage::German);
        const QMultiHash<QString, QString> fixed = UntranslatableTexts(QStringLiteral(VELMOR_SOURCE_DIR));
        QStringList unchanged, english, german;
        for (const TCatalogueEntry& e : m_catalogue) {
            german << e.source;
            if (e.translation == e.source)
                unchanged << e.source;
            else
                english << e.translation;
        }
        const QList<QRegularExpression> unchangedPatterns = TextPatterns(unchanged);
        const QList<QRegularExpression> englishPatterns = TextPatterns(english);
        const QList<QRegularExpression> germanPatterns = TextPatterns(german);
        const QList<QRegularExpression> allowed = TextPatterns(kSameInBothLanguages + kEnglishOnPurpose);
        QStringList problems;
        int checked = 0;
        const auto check = [&](const QString& where, const QString& text) {
            // Port names and bare device paths are the same in every
            // language; a tool tip that goes on after its device path is not.
            static const QRegularExpression nameOnly(QStringLiteral("^((COM|Com)\\d+|/dev/\\S+)$"));
            static const QRegularExpression word(QStringLiteral("[A-Za-zÄÖÜäöüß]{2,}"));
            if (!text.contains(word) || nameOnly.match(text.trimmed()).hasMatch() || MatchesAny(allowed, text))
                return;
            ++checked;
            if (MatchesAny(unchangedPatterns, text)
                || (MatchesAny(englishPatterns, text) && !MatchesAny(germanPatterns, text)))
                problems << where + QStringLiteral(": ") + text;
        };
        program.Walk([&](const QString& view, QWidget* root) {
            for (const auto& [name, text] : VisibleTexts(root))
                if (!fixed.contains(name, text))
                    check(view + u'/' + name, text);
            // The track window's summary and its list of points, line by
            // line (the message log shows the devices' own words).
            for (QPlainTextEdit* text : root->findChildren<QPlainTextEdit*>())
                if (text->objectName() != QLatin1String("Memo1"))
                    for (const QString& line : text->toPlainText().split(QLatin1Char('\n')))
                        check(view + QStringLiteral("/text"), line);
            for (QListWidget* list : root->findChildren<QListWidget*>())
                for (int i = 0; i < list->count(); ++i)
                    check(view + QStringLiteral("/list"), list->item(i)->text());
        });
        for (const TScriptedDialogs::Shown& s : program.scope.dialogs->shown)
            check(QStringLiteral("message"), s.text);
        problems.removeDuplicates();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        QVERIFY2(checked > 400, qPrintable(QString::number(checked)));

        // An English caption is found.
        problems.clear();
        check(QStringLiteral("stray"), QStringLiteral("firmware update"));
        check(QStringLiteral("stray"), QStringLiteral("Firmware-Update"));
        QCOMPARE(problems, QStringList{QStringLiteral("stray: firmware update")});
    }

    // Through the real accessibility interface: each field announced by the
    // label beside it (drop-down lists by their label, not their value), no
    // two controls of a view by the same name.
    void labelsAnnounced_data()
    {
        QTest::addColumn<bool>("english");
        QTest::newRow("German") << false;
        QTest::newRow("English") << true;
    }

    void labelsAnnounced()
    {
        QFETCH(bool, english);
        TProgram program(english ? TLanguage::English : TLanguage::German);
        QStringList problems;
        program.Walk([&](const QString& view, QWidget* root) {
            for (const QString& p : MisnamedControls(root))
                problems << view + QStringLiteral(": ") + p;
        });
        problems.removeDuplicates();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));

        // The heartbeat's process check box and its text field.
        auto* only = program.form->findChild<QCheckBox*>(QStringLiteral("VGGSMNEU_CB_HBCHECKPROCESS"));
        auto* process = program.form->findChild<QLineEdit*>(QStringLiteral("VGGSMNEU_TE_HBPROCESSNAME"));
        QVERIFY(only && process);
        QVERIFY(AnnouncedName(only) != AnnouncedName(process));
        // The smart switch panel's rate list, which reads "9600".
        auto* rate = program.form->findChild<QComboBox*>(QStringLiteral("ComboBoxBaudrate"));
        QVERIFY(rate);
        QCOMPARE(AnnouncedName(rate),
                 english ? QStringLiteral("select baudrate:") : QStringLiteral("Baudrate wählen:"));
    }
};

QTEST_MAIN(TestWindowTexts)
#include "tst_windowtexts.moc"
