// The main window as the technician sees it: caption, size, colours, menu,
// status bar, log and the panel switch.
#include "app/UnitMain.h"
#include "panels/PanelAllgemein.h"
#include "support/Harness.h"
#include "widgets/RadioGroup.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TScriptedDialogsScope> scope;
    std::unique_ptr<TFormMain> form;

private slots:
    void init()
    {
        RemoveTestSettings();
        scope = std::make_unique<TScriptedDialogsScope>();
        form = std::make_unique<TFormMain>();
    }
    void cleanup()
    {
        form.reset();
        scope.reset();
    }

    void windowFrame()
    {
        QCOMPARE(form->windowTitle(), QStringLiteral("VelmorServiceSoftware (Vigilo - Quintra - Zerbo - Kippa-smart)"));
        QCOMPARE(form->size(), QSize(1043, 846));
        QCOMPARE(form->palette().color(QPalette::Window), QColor(224, 224, 255));
        QCOMPARE(form->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(form->font().pixelSize(), 11);
        QCOMPARE(form->MessageBox()->title(), QStringLiteral("Meldungen"));
        QVERIFY(form->MessageBox()->font().bold());
        QCOMPARE(form->MessageBox()->font().pixelSize(), 13);
        QCOMPARE(form->Memo1()->font().family(), QStringLiteral("Courier"));
        QCOMPARE(form->Memo1()->font().pixelSize(), 13);
        QVERIFY(form->Memo1()->parentWidget() && form->MessageBox()->isAncestorOf(form->Memo1()));
        QVERIFY(form->PanelLinks()->isAncestorOf(form->MessageBox()));
    }

    void menuEntries()
    {
        struct Row {
            const char* object;
            const char* caption;
            bool visible;
        };
        const Row rows[] = {
            {"Exit2", "&Beenden", true},
            {"COM1", "&Schnittstelle", true},
            {"Vigilo1", "Vigilo", true},
            {"VigiloGSM1", "Vigilo-GSM", true},
            {"Quintra1", "Quintra", true},
            {"Zerbo1", "Zerbo", true},
            {"KippaSmart1", "Kippa-smart", true},
            {"Lupino1", "Lupino", true},
            {"Tocsa1", "Tocsa", true},
            {"VigiloGSMNEU1", "VigiloGSMNEU", true},
            {"Exit1", "Inf&o", true},
        };
        for (const Row& r : rows) {
            auto* a = form->findChild<QAction*>(QLatin1String(r.object));
            QVERIFY2(a, r.object);
            QCOMPARE(a->text(), QLatin1String(r.caption));
            QCOMPARE(a->isVisible(), r.visible);
        }
        QCOMPARE(form->findChild<QMenu*>(QStringLiteral("Datei1"))->title(), QStringLiteral("&Datei"));
        auto* device = form->findChild<QMenu*>(QStringLiteral("Device1"));
        QCOMPARE(device->title(), QStringLiteral("&Gerät"));
        QStringList order;
        for (QAction* a : device->actions())
            order << a->objectName();
        QCOMPARE(order, QStringList({"Vigilo1", "VigiloGSM1", "Quintra1", "N2", "Zerbo1", "N4", "KippaSmart1", "N5",
                                     "Lupino1", "Tocsa1", "VigiloGSMNEU1"}));
        // Every device panel is reachable from this menu (Lupino needs an open
        // port for its DTR; its port action has a test of its own).
        for (const char* name : {"Vigilo", "VigiloGSM", "Quintra", "Zerbo", "KippaSmart", "Tocsa", "VigiloGSMNEU"}) {
            form->findChild<QAction*>(QLatin1String(name) + QLatin1Char('1'))->trigger();
            QCOMPARE(form->ActivePanel, QLatin1String(name));
            QVERIFY(form->Panel(QLatin1String(name))->isVisibleTo(form.get()));
        }
        QVERIFY(form->findChild<QAction*>(QStringLiteral("N2"))->isSeparator());
        QStringList top;
        for (QAction* a : form->findChild<QMenuBar*>(QStringLiteral("MainMenu1"))->actions())
            top << a->text();
        QCOMPARE(top, QStringList({"&Datei", "&Schnittstelle", "&Gerät", "Inf&o"}));
    }

    // The device menu only switches panels: nothing is opened or sent.
    void menuSwitchesPanels()
    {
        const std::pair<const char*, const char*> rows[] = {{"Vigilo1", "Vigilo"},
                                                            {"VigiloGSM1", "VigiloGSM"},
                                                            {"Quintra1", "Quintra"},
                                                            {"Zerbo1", "Zerbo"},
                                                            {"COM1", "allgemein"}};
        for (auto [action, panel] : rows) {
            form->findChild<QAction*>(QLatin1String(action))->trigger();
            QCOMPARE(form->ActivePanel, QLatin1String(panel));
            QVERIFY(form->Panel(QLatin1String(panel))->isVisibleTo(form.get()));
            QVERIFY(!form->ComPort.Connected());
        }
        QVERIFY(scope->dialogs->shown.isEmpty());
    }

    void statusBarPanels()
    {
        const int widths[5] = {200, 150, 50, 50, 50};
        // Panels 2 and 4 may be wider where the font needs it for their
        // longest texts (checked where the texts are measured); panel 4
        // takes the rest of the bar.
        for (int i = 0; i < 5; ++i) {
            QLabel* panel = form->StatusPanel(i);
            QVERIFY(panel->width() > 0);
            if (i == 2 || i == 4)
                QVERIFY(panel->minimumWidth() >= widths[i]);
            else
                QCOMPARE(panel->minimumWidth(), widths[i]);
            QCOMPARE(panel->maximumWidth() == panel->minimumWidth(), i != 4);
        }
        QCOMPARE(form->findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->height(), 19);
        QCOMPARE(form->StatusPanel(2)->text(), QStringLiteral("0"));
    }

    void timersAtStart()
    {
        QCOMPARE(form->Timer1.interval(), 1000);
        QVERIFY(form->Timer1.isActive());
        for (QTimer* t : {&form->Timer2, &form->Timer3, &form->HeartbeatTimer}) {
            QCOMPARE(t->interval(), 1000);
            QVERIFY(!t->isActive());
        }
        QCOMPARE(form->Timer4.interval(), 30000);
        QVERIFY(!form->Timer4.isActive());
    }

    void panelCaptions()
    {
        const std::pair<const char*, const char*> rows[] = {{"allgemein", "allgemein"},
                                                            {"Vigilo", "Vigilo"},
                                                            {"VigiloGSM", "Vigilo-GSM"},
                                                            {"Quintra", "Quintra"},
                                                            {"Zerbo", "Zerbo"},
                                                            {"GPSDataLogger", "GPS-DataLogger"},
                                                            {"Lupino", "Lupino"},
                                                            {"Tocsa", "Tocsa"},
                                                            {"KippaSmart", "Kippa-smart"},
                                                            {"VigiloGSMNEU", "VigiloGSMNEU"}};
        for (auto [name, caption] : rows) {
            QGroupBox* box = form->Panel(QLatin1String(name));
            QVERIFY2(box, name);
            QCOMPARE(box->title(), QLatin1String(caption));
            QVERIFY(box->font().bold());
            QVERIFY(form->PanelRechts()->isAncestorOf(box));
        }
    }

    void clearPanelsTable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("block");
        QTest::addColumn<int>("left");
        QTest::addColumn<bool>("marker");
        QTest::newRow("allgemein") << "allgemein" << 128 << 320 << true;
        QTest::newRow("Vigilo") << "Vigilo" << 128 << 320 << true;
        QTest::newRow("VigiloGSM") << "VigiloGSM" << 256 << 320 << true;
        QTest::newRow("Quintra") << "Quintra" << 128 << 320 << true;
        QTest::newRow("Zerbo") << "Zerbo" << 64 << 500 << true;
        QTest::newRow("GPSDataLogger") << "GPSDataLogger" << 128 << 700 << false;
        QTest::newRow("Tocsa") << "Tocsa" << 128 << 500 << false;
        QTest::newRow("KippaSmart") << "KippaSmart" << 128 << 500 << true;
        QTest::newRow("VigiloGSMNEU") << "VigiloGSMNEU" << 128 << 320 << true;
        QTest::newRow("Lokari") << "Lokari" << 128 << 320 << true;
        QTest::newRow("case matters") << "zerbo" << 128 << 320 << true;
    }
    void clearPanelsTable()
    {
        QFETCH(QString, name);
        QFETCH(int, block);
        QFETCH(int, left);
        QFETCH(bool, marker);
        // Start from a panel that sets everything differently.
        form->ClearPanels(QStringLiteral("GPSDataLogger"));
        form->ClearPanels(QStringLiteral("VigiloGSM"));
        form->ClearPanels(name);
        QCOMPARE(form->ActivePanel, name);
        QCOMPARE(form->FlashBlockSize, block);
        QCOMPARE(form->RxMarker, marker);
        QCOMPARE(form->PanelLinks()->width(), left);
        QCOMPARE(form->PanelRechts()->width(), 1043 - left - 10);
        int visible = 0;
        for (const char* p : {"allgemein", "Vigilo", "VigiloGSM", "Quintra", "Zerbo", "GPSDataLogger", "Lupino",
                              "Tocsa", "KippaSmart", "VigiloGSMNEU"}) {
            const bool shown = form->Panel(QLatin1String(p))->isVisibleTo(form.get());
            visible += shown;
            if (shown)
                QCOMPARE(QLatin1String(p), name);
        }
        QCOMPARE(visible, form->Panel(name) ? 1 : 0);
    }

    // Lupino reopens the selected port at 38400 and raises DTR; on a
    // pseudo-terminal DTR fails, which reaches the general error display.
    void lupinoAndKippaSmartPortActions()
    {
        TDevicePeer peer;
        peer.MapPort(TestSettingsFile(), 2);
        form->RadioGroupCOM()->SetItemIndex(1);
        QVERIFY(form->ComPort.Connected());
        bool raised = false;
        try {
            form->ClearPanels(QStringLiteral("Lupino"));
        } catch (const EComPort& e) {
            raised = e.Error() == TComError::LineControlFailed;
        }
        QVERIFY(raised);
        QVERIFY(form->ComPort.Connected());
        QCOMPARE(peer.SlaveBaud(), 38400);
        QCOMPARE(form->ComPort.Port(), QStringLiteral("Com2"));

        form->ClearPanels(QStringLiteral("KippaSmart"));
        QVERIFY(form->ComPort.Connected());
        QCOMPARE(peer.SlaveBaud(), 9600);
        QCOMPARE(form->ActivePanel, QStringLiteral("KippaSmart"));
    }

    void generalPanelControls()
    {
        TPanelAllgemein* p = form->allgemein();
        QCOMPARE(p->toolTip(), QStringLiteral("Gerät auswählen"));
        TRadioGroup* com = form->RadioGroupCOM();
        QCOMPARE(com->title(), QStringLiteral("Schnittstelle"));
        QCOMPARE(com->Count(), 24);
        QCOMPARE(com->Item(0), QStringLiteral("COM1"));
        QCOMPARE(com->Item(23), QStringLiteral("COM24"));
        QCOMPARE(com->ItemIndex(), -1);
        QCOMPARE(com->toolTip(), QStringLiteral("Auswahl der zu verwendenden COM-Schnittstelle"));
        // Each entry's tool tip starts with the device it opens.
        for (const auto& [index, device] : {std::pair{0, "/dev/ttyS0"}, {11, "/dev/ttyUSB7"}, {23, "/dev/ttyACM9"}})
            QVERIFY2(com->Button(index)->toolTip().startsWith(QLatin1String(device)),
                     qPrintable(com->Button(index)->toolTip()));
        TRadioGroup* connect = form->RadioGroupCOMconnect();
        QCOMPARE(connect->title(), QStringLiteral("Verbindung"));
        QCOMPARE(connect->Count(), 24);
        QCOMPARE(connect->Item(11), QStringLiteral(" "));
        QCOMPARE(connect->Item(12), QString());
        QCOMPARE(connect->toolTip(),
                 QStringLiteral("Ausgabe der gefundenen Geräte auf der entsprechenden COM-Schnittstelle"));
        const std::tuple<const char*, const char*, const char*> buttons[] = {
            {"ButtonScan", "Suchlauf", "alle Schnittstellen nach Geräten absuchen"},
            {"ButtonHardware", "Hardware", "Hardwarekennung eines Gerätes auslesen"},
            {"ButtonFirmware", "Firmware", "Firmwarekennung eines Gerätes auslesen"},
            {"Button18", "&lesen", "Geräte-Zustand lesen"},
            {"ButtonEchoEIN", "EIN", "Echo des Gerätes einschalten"},
            {"ButtonEchoAUS", "AUS", "Echo des Gerätes ausschalten"}};
        for (auto [name, caption, hint] : buttons) {
            auto* b = p->findChild<QPushButton*>(QLatin1String(name));
            QVERIFY2(b, name);
            QCOMPARE(b->text(), QString::fromUtf8(caption));
            QCOMPARE(b->toolTip(), QString::fromUtf8(hint));
        }
    }

    void aboutBoxAndLogClearing()
    {
        form->findChild<QAction*>(QStringLiteral("Exit1"))->trigger();
        const QStringList infos = scope->dialogs->Texts(QStringLiteral("info"));
        QCOMPARE(infos.size(), 1);
        const QStringList lines = infos[0].split(QLatin1Char('\r'));
        QCOMPARE(lines[0], QStringLiteral("VelmorServiceSoftware"));
        QCOMPARE(lines[1], QStringLiteral("Version: V3.11"));
        QCOMPARE(lines[2], QString(53, QLatin1Char('-')));
        QCOMPARE(lines[3], QString());
        QVERIFY(lines[5].contains(QLatin1String("example.com")));
        QVERIFY(lines[6].contains(QLatin1String("@example.com")));
        QCOMPARE(lines.size(), 8);  // every line ended by CR

        form->Print(QStringLiteral("one"));
        QTest::mouseDClick(form->Memo1()->viewport(), Qt::LeftButton);
        QCOMPARE(form->Memo1()->toPlainText(), QString());
    }

    // A click on a free area shows the about box once on the four panels
    // that offer it and never on the others (the window behind must not
    // show it as well).
    void freeAreaClickOfEveryPanel()
    {
        const QStringList withAbout = {"allgemein", "VigiloGSM", "Lupino", "Tocsa"};
        for (const char* name : {"allgemein", "Vigilo", "VigiloGSM", "Quintra", "Zerbo", "GPSDataLogger", "Lupino",
                                 "Tocsa", "KippaSmart", "VigiloGSMNEU"}) {
            QGroupBox* panel = form->Panel(QLatin1String(name));
            QVERIFY2(panel, name);
            panel->show();
            panel->resize(600, 700);
            QPoint free(-1, -1);
            for (int y = panel->height() - 3; y > 20 && free.x() < 0; y -= 7)
                for (int x = 3; x < panel->width() - 3; x += 7)
                    if (!panel->childAt(x, y)) {
                        free = QPoint(x, y);
                        break;
                    }
            QVERIFY2(free.x() >= 0, name);
            scope->dialogs->shown.clear();
            QTest::mouseClick(panel, Qt::LeftButton, {}, free);
            QCOMPARE(scope->dialogs->Texts(QStringLiteral("info")).size(), withAbout.contains(name) ? 1 : 0);
            panel->hide();
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
