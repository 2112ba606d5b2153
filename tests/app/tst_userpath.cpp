// The window driven the way a technician drives it: Qt's real file choosers
// and message boxes, clicks that move the focus and keys pressed where the
// focus is, timers firing on the event loop, texts measured against the
// room they are shown in.
#include "app/GeneralError.h"
#include "rx/RxLogic.h"
#include "support/UserPath.h"
#include "support/WindowRig.h"
#include "watchdog/Heartbeat.h"
#include "watchdog/TriggerLogic.h"
#include "widgets/LogTools.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct TRig : TWindowRig {
    QTemporaryDir dir;
    TRig()
    {
        selectPort();
        form->resize(1043, 846);
        form->LstDir = form->PlcDir = form->OpenDialog1.initialDir = dir.path();
    }
    // Shows a panel and takes away what the port and the panel switch sent.
    void show(const QString& panel)
    {
        form->ClearPanels(panel);
        panelName = panel;
        Pump(50);
        peer.ClearReceived();
    }
};

}  // namespace

class TestUserPath : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { RemoveTestSettings(); }

    // Each file the program writes is named in a save chooser that takes a
    // name that does not exist yet; the name is typed and confirmed with
    // Enter in Qt's own dialog, and the job goes on into the new file.
    void saveChoosersTakeANewName_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("created");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("list download") << "GPSDataLogger"
                                       << "BtnL_GPSDL"
                                       << "Tour 3 Grüße"
                                       << "... wohin mit den List-Daten?"
                                       << "Tour 3 Grüße.lst" << QByteArray("L\r");
        QTest::newRow("endurance protocol") << "VigiloGSM"
                                            << "ButtonDauerlauf"
                                            << "dauerlauf"
                                            << "... wohin mit den Protokoll-Daten?"
                                            << "dauerlauf.pro" << QByteArray();
        QTest::newRow("sequence save") << "Quintra"
                                       << "ButtonPLCsave"
                                       << "folge"
                                       << "... speichern unter?"
                                       << "folge.plc" << QByteArray("{+}PLCget\r");
    }
    void saveChoosersTakeANewName()
    {
        QFETCH(QString, panel);
        QFETCH(QString, button);
        QFETCH(QString, typed);
        QFETCH(QString, title);
        QFETCH(QString, created);
        QFETCH(QByteArray, sent);
        TRig rig;
        rig.show(panel);
        const TRealDialogsScope real;
        bool saveMode = false;
        TModalWatch watch([&](QWidget* modal, const TModalWatch::Seen&) {
            if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
                saveMode = chooser->acceptMode() == QFileDialog::AcceptSave;
                ChooseFileName(chooser, typed);
            } else {
                AcceptMessageBox(modal);
            }
        });
        ClickToFocus(rig.w(button));
        QVERIFY(PumpUntil([&] { return QFile::exists(rig.dir.filePath(created)); }));
        QCOMPARE(watch.seen.size(), 1);
        QCOMPARE(watch.seen[0].kind, QStringLiteral("QFileDialog"));
        QCOMPARE(watch.seen[0].text, title);
        QVERIFY(saveMode);
        QVERIFY(rig.form->DataFileOpen());
        QCOMPARE(rig.form->DataFile.FileName(), rig.dir.filePath(created));
        if (!sent.isEmpty())
            EXPECT_SENT(rig, sent);
        rig.form->Timer4.stop();
        rig.form->CloseDataFile();
    }

    // Bad names for the list file, through the same chooser: a trailing
    // dot keeps the name as typed, a folder or a place where no file can be
    // made gives the one file-access warning, and nothing is left behind.
    void listFileNamesThatCannotBeUsed_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("created");  // empty: the warning instead
        QTest::newRow("trailing dot") << "punkt."
                                      << "punkt.";
        QTest::newRow("folder of that name") << "ordner"
                                             << "";
        QTest::newRow("missing folder") << "fehlt/datei"
                                        << "";
    }
    void listFileNamesThatCannotBeUsed()
    {
        QFETCH(QString, typed);
        QFETCH(QString, created);
        TRig rig;
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("ordner.lst")));
        rig.show(QStringLiteral("GPSDataLogger"));
        rig.dialogs().files.enqueue(rig.dir.filePath(typed == QLatin1String("ordner") ? typed + ".lst" : typed));
        rig.click(QStringLiteral("BtnL_GPSDL"));
        if (created.isEmpty()) {
            QCOMPARE(rig.dialogs().Texts(QStringLiteral("warning")), QStringList{"Fehler bei Dateizugriff"});
            QVERIFY(!rig.form->PlainCapture);
            QVERIFY(!rig.form->DataFileOpen());
            QCOMPARE(QDir(rig.dir.path()).entryList(QDir::Files), QStringList());
        } else {
            QVERIFY(rig.dialogs().Texts(QStringLiteral("warning")).isEmpty());
            QVERIFY(QFileInfo(rig.dir.filePath(created)).isFile());
            rig.form->CloseDataFile();
        }
    }

    // Every field that sends on Enter, clicked into and typed into as a user
    // does: the keys go to whatever holds the focus.
    void enterSendsFromTheFocusedField_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("Vigilo") << "Vigilo"
                                << "EditKommando"
                                << "VER" << QByteArray("{+} VER\r");
        QTest::newRow("Vigilo-GSM combo") << "VigiloGSM"
                                          << "ComboBoxVigiloGSM"
                                          << "PIN = 1234" << QByteArray("{+} PIN = 1234\r");
        QTest::newRow("Quintra") << "Quintra"
                                 << "Edit1"
                                 << "GET" << QByteArray("{+} GET\r");
        QTest::newRow("KippaSmart") << "KippaSmart"
                                    << "EditKommando2"
                                    << "RSE1" << QByteArray("RSE1\r");
    }
    void enterSendsFromTheFocusedField()
    {
        QFETCH(QString, panel);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QByteArray, sent);
        TRig rig;
        rig.show(panel);
        if (panel == QLatin1String("KippaSmart"))
            rig.w<QComboBox>(QStringLiteral("ComboBoxBoxAdress"))->setCurrentIndex(5);
        QWidget* focus = ClickToFocus(rig.w<QWidget>(field));
        QVERIFY(focus);
        QCOMPARE(focus->window(), rig.form.get());
        QTest::keyClick(focus, Qt::Key_End);
        TypeIntoFocus(typed, true);
        EXPECT_SENT(rig, sent);
        QVERIFY(rig.dialogs().shown.isEmpty());
    }

    // Every repeating timer that sends, firing on the event loop with the
    // port gone: one message, however long it stays open, and the ticks
    // meanwhile neither send nor ask again.
    void timersWithoutAPortShowOneMessage_data()
    {
        QTest::addColumn<QString>("timer");
        QTest::newRow("cyclic trigger") << "trigger";
        QTest::newRow("endurance queries") << "Timer4";
        QTest::newRow("heartbeat") << "heartbeat";
        QTest::newRow("on/off test toggle") << "Timer3";
    }
    void timersWithoutAPortShowOneMessage()
    {
        QFETCH(QString, timer);
        TRig rig;
        QTimer* running = nullptr;
        if (timer == QLatin1String("trigger")) {
            rig.show(QStringLiteral("Vigilo"));
            rig.form->EditTrig()->SetValue(1);
            rig.form->TrigStartBtnClick();  // the first trigger goes out at once
            QVERIFY(rig.peer.WaitForBytes(1));
            running = &rig.form->Timer1;
        } else if (timer == QLatin1String("Timer4")) {
            rig.show(QStringLiteral("VigiloGSM"));
            running = &rig.form->Timer4;
            running->start(50);
        } else if (timer == QLatin1String("heartbeat")) {
            rig.show(QStringLiteral("VigiloGSMNEU"));
            rig.w<QCheckBox>(QStringLiteral("VGGSMNEU_CB_HBPERIODIC"))->click();
            running = &rig.form->HeartbeatTimer;
            QVERIFY(running->isActive());
            running->setInterval(20);  // ten ticks to a heartbeat
        } else {
            rig.show(QStringLiteral("Quintra"));
            rig.form->ButtonTest1Click();
            running = &rig.form->Timer3;
            running->setInterval(50);
        }
        rig.form->ComPort.Close();
        rig.peer.ClearReceived();

        const TRealDialogsScope real;
        // The first message stays open for many ticks of its timer (for the
        // trigger, two intervals); any further one is counted and closed.
        const int holdMs = timer == QLatin1String("trigger") ? 2300 : 600;
        TModalWatch watch([&](QWidget* modal, const TModalWatch::Seen&) {
            QPointer<QWidget> box(modal);
            QTimer::singleShot(watch.seen.size() == 1 ? holdMs : 0, [box] {
                if (box)
                    AcceptMessageBox(box);
            });
        });
        QVERIFY(PumpUntil([&] { return !watch.seen.isEmpty() && !QApplication::activeModalWidget(); }, holdMs + 3000));
        QCOMPARE(watch.seen[0].kind, QStringLiteral("QMessageBox"));
        QCOMPARE(watch.seen[0].text, DisplayText(kNoPort));
        QCOMPARE(watch.seen.size(), 1);
        running->stop();
        rig.form->BtnTrigStopClick();
        rig.form->Timer3.stop();
        Pump(50);
        QCOMPARE(watch.seen.size(), 1);
        QCOMPARE(rig.peer.Received(), QByteArray());
    }

    // At the window's default size every button of every panel and tab
    // shows its whole caption, and the status panels hold the longest text
    // each of them shows.
    void textsFitWhereTheyAreShown()
    {
        TRig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        QStringList cut;
        const QStringList panels{"allgemein",     "Vigilo", "VigiloGSM", "Quintra",    "Zerbo",
                                 "GPSDataLogger", "Lupino", "Tocsa",     "KippaSmart", "VigiloGSMNEU"};
        for (const QString& name : panels) {
            // A pseudo-terminal has no DTR line to set for the Lupino panel:
            // the general error display takes it, as from the menu.
            Guarded([&] { rig.form->ClearPanels(name); })();
            QGroupBox* panel = rig.form->Panel(name);
            QVERIFY2(panel, qPrintable(name));
            QList<QTabWidget*> tabs = panel->findChildren<QTabWidget*>();
            // One pass per tab page (a panel without tabs: one pass).
            QList<std::pair<QTabWidget*, int>> pages{{nullptr, 0}};
            for (QTabWidget* t : tabs)
                for (int i = 0; i < t->count(); ++i)
                    pages.append({t, i});
            for (const auto& [t, i] : pages) {
                if (t)
                    t->setCurrentIndex(i);
                Pump(1);
                for (QPushButton* b : panel->findChildren<QPushButton*>()) {
                    if (!b->isVisible() || b->text().isEmpty())
                        continue;
                    QStyleOptionButton opt;
                    opt.initFrom(b);
                    opt.text = b->text();
                    const int room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width();
                    const int needed = b->fontMetrics().horizontalAdvance(QString(b->text()).remove(QLatin1Char('&')));
                    if (needed > room)
                        cut << QStringLiteral("%1/%2 \"%3\" needs %4 px, has %5")
                                   .arg(name, b->objectName(), b->text())
                                   .arg(needed)
                                   .arg(room);
                }
            }
        }
        cut.removeDuplicates();
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));

        const QString longest[5] = {
            QStringLiteral("V") + rig.form->VersionText + QStringLiteral(", ")
                + LocalDateTimeText(QDateTime(QDate(2026, 12, 28), QTime(23, 58, 58))),
            QStringLiteral("Com24 = connected"),
            QString::number(kSecondsSaturated),
            QString(),
            THeartbeat::CountdownText(9),
        };
        for (int i = 0; i < 5; ++i) {
            QLabel* label = rig.form->StatusPanel(i);
            label->setText(longest[i]);
            Pump(1);
            QVERIFY2(label->fontMetrics().horizontalAdvance(longest[i]) <= label->contentsRect().width(),
                     qPrintable(QStringLiteral("panel %1: \"%2\" in %3 px")
                                    .arg(i)
                                    .arg(longest[i])
                                    .arg(label->contentsRect().width())));
        }
    }

    // What a screen reader announces: every control that takes the focus
    // has a name of its own, and no two input fields of one panel (or of
    // the port side of the window) share one.
    void everyFocusableControlHasAName()
    {
        TRig rig;
        QStringList problems;
        QList<QWidget*> roots{rig.form->PanelLinks()};
        for (const char* name : {"allgemein", "Vigilo", "VigiloGSM", "Quintra", "Zerbo", "GPSDataLogger", "Lupino",
                                 "Tocsa", "KippaSmart", "VigiloGSMNEU"})
            roots << rig.form->Panel(QLatin1String(name));
        for (QWidget* root : roots) {
            QHash<QString, QString> fieldNames;  // name -> object name
            // Each group box, nested ones too, under its own caption (a
            // channel's "Modus" group with its channel after it).
            for (QGroupBox* box : root->findChildren<QGroupBox*>()) {
                const QString title = box->title().remove(u'&').simplified();
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
                if (!title.isEmpty() && (!a || !a->text(QAccessible::Name).startsWith(title)))
                    problems << root->objectName() + u'/' + box->objectName() + QStringLiteral(": group named \"")
                                    + (a ? a->text(QAccessible::Name) : QString()) + QStringLiteral("\"");
            }
            for (QWidget* w : root->findChildren<QWidget*>()) {
                if (w->focusPolicy() == Qt::NoFocus || w->focusProxy() || qobject_cast<QTabBar*>(w)
                    || qobject_cast<QAbstractScrollArea*>(w))
                    continue;
                if (qobject_cast<QLineEdit*>(w) && qobject_cast<QComboBox*>(w->parentWidget()))
                    continue;  // the combo box is the control
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
                const QString name = a ? a->text(QAccessible::Name).trimmed() : QString();
                const QString where = root->objectName() + u'/' + w->objectName();
                if (name.isEmpty()) {
                    problems << where + QStringLiteral(": no name");
                    continue;
                }
                const bool field = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w);
                if (field && fieldNames.contains(name))
                    problems << where + QStringLiteral(": \"") + name + QStringLiteral("\" as ")
                                    + fieldNames.value(name);
                if (field)
                    fieldNames.insert(name, w->objectName());
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // The log over a long run: the window shows every line since the clear,
    // the save from the File menu writes them all through the real chooser,
    // Ctrl+F finds in the window, and the running log file gets every line
    // across a clear.
    void logSaveSearchAndRunningFile()
    {
        TRig rig;
        rig.form->Memo1DblClick();
        const QString running = rig.dir.filePath(QStringLiteral("lauf.log"));
        rig.dialogs().files.enqueue(running);
        rig.menu(QStringLiteral("LogMitschreiben"))->trigger();
        QVERIFY(rig.menu(QStringLiteral("LogMitschreiben"))->isChecked());
        QCOMPARE(rig.dialogs().shown.last().request.mode, TOpenFileRequest::Mode::Save);

        rig.form->Print(QStringLiteral("vorher"));
        rig.form->Memo1DblClick();
        const int lines = 2500;
        QByteArray all;
        for (int i = 1; i <= lines; ++i) {
            const QString line = QStringLiteral("       <--- Zeile %1").arg(i);
            rig.form->Print(line);
            all += line.toLatin1() + "\r\n";
        }
        // The window holds every line, the newest at its end.
        const QStringList shown = LogLines(*rig.form);
        QCOMPARE(shown.size(), lines);
        QCOMPARE(shown.last(), QStringLiteral("       <--- Zeile %1").arg(lines));
        QCOMPARE(FileBytes(running), "vorher\r\n" + all);

        {
            const TRealDialogsScope real;
            TModalWatch watch([&](QWidget* modal, const TModalWatch::Seen&) {
                if (auto* chooser = qobject_cast<QFileDialog*>(modal))
                    ChooseFileName(chooser, rig.dir.filePath(QStringLiteral("ganzes Log")));
                else
                    AcceptMessageBox(modal);
            });
            QTimer::singleShot(0, [&] { rig.menu(QStringLiteral("LogSpeichern"))->trigger(); });
            const bool saved = PumpUntil([&] { return QFile::exists(rig.dir.filePath(QStringLiteral("ganzes Log"))); });
            QVERIFY(saved);
            QCOMPARE(watch.seen.size(), 1);
        }
        QCOMPARE(FileBytes(rig.dir.filePath(QStringLiteral("ganzes Log"))), all);

        // Ctrl+F where the user is, then the text and Enter.
        ClickToFocus(rig.form->Memo1());
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::Find);
        QLineEdit* find = rig.w<QLineEdit>(QStringLiteral("EditLogSuche"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(find));
        TypeIntoFocus(QStringLiteral("Zeile 2345"), true);
        QCOMPARE(rig.form->Memo1()->SelectedText(), QStringLiteral("Zeile 2345"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(rig.form->Memo1()->SelectedText(), QStringLiteral("Zeile 2345"));

        rig.menu(QStringLiteral("LogMitschreiben"))->trigger();  // off
        rig.form->Print(QStringLiteral("danach"));
        QCOMPARE(FileBytes(running), "vorher\r\n" + all);
        QVERIFY(!rig.menu(QStringLiteral("LogMitschreiben"))->isChecked());
    }
};

QTEST_MAIN(TestUserPath)
#include "tst_userpath.moc"
