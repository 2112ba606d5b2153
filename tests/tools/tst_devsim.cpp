// The device simulator end to end: the built simulator as a process, with
// the settings file's ports pointed at its devices, driven through the real
// main window, the command-line flasher and the list download.
#include "sim/SimDevices.h"
#include "support/Harness.h"
#include "widgets/RadioGroup.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kSim = QStringLiteral(VELMOR_DEVSIM_PATH);
const QString kFlash = QStringLiteral(VELMOR_FLASH_PATH);

// A main window over the simulator's ports, the settings file written by it.
struct TWindow {
    TScriptedDialogsScope scope;
    std::unique_ptr<TFormMain> form = std::make_unique<TFormMain>();

    TWindow() { form->Timer1.stop(); }

    template <typename W = QWidget>
    W* w(const QString& name) const
    {
        W* widget = form->findChild<W*>(name);
        if (!widget)
            qFatal("no widget %s", qPrintable(name));
        return widget;
    }
    void select(int com)
    {
        form->RadioGroupCOM()->SetItemIndex(com - 1);
        form->Timer1.stop();
    }
    void set(const QString& name, const QString& value) const
    {
        if (auto* combo = form->findChild<QComboBox*>(name))
            combo->setCurrentIndex(combo->findText(value));
        else
            w<QLineEdit>(name)->setText(value);
    }
    QString text(const QString& name) const
    {
        if (auto* label = form->findChild<QLabel*>(name))
            return label->text();
        return w<QLineEdit>(name)->text();
    }
    bool logged(const QString& text, int ms = 3000) const
    {
        return PumpUntil([&] { return LogLines(*form).join(u'\n').contains(text); }, ms);
    }
};

}  // namespace

class TestDevSim : public QObject {
    Q_OBJECT

    QProcess m_sim;
    QMap<QString, int> m_com;  // family -> port number
    QMap<QString, QString> m_path;

private slots:
    void initTestCase()
    {
        WriteTestSettings("[Misc]\r\nCOM=0\r\n");
        m_sim.start(kSim, {QStringLiteral("--all"), QStringLiteral("--settings"), TestSettingsFile()});
        QVERIFY(m_sim.waitForStarted());
        QByteArray out;
        QVERIFY(PumpUntil(
            [&] {
                m_sim.waitForReadyRead(20);
                out += m_sim.readAllStandardOutput();
                return out.contains("ready\n");
            },
            10000));
        for (const QByteArray& line : out.split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() != 3)
                continue;
            m_com[QString::fromLatin1(f[0])] = f[1].mid(3).toInt();
            m_path[QString::fromLatin1(f[0])] = QString::fromLatin1(f[2]);
        }
        // One device of every family, each on its own port, mapped in the file.
        QCOMPARE(m_com.size(), SimFamilies().size());
        const QByteArray settings = FileBytes(TestSettingsFile());
        for (auto it = m_com.cbegin(); it != m_com.cend(); ++it)
            QVERIFY2(settings.contains(QStringLiteral("Com%1=%2").arg(it.value()).arg(m_path[it.key()]).toLatin1()),
                     qPrintable(it.key()));
    }

    void cleanupTestCase()
    {
        m_sim.terminate();
        QVERIFY(m_sim.waitForFinished(5000));
        QCOMPARE(m_sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_sim.exitCode(), 0);
        RemoveTestSettings();
    }

    // Each family: selecting its port (or its menu entry, for the panels no
    // identification reaches) shows its panel; one command's answer reaches
    // the log, and where the window copies answers into a field, the field.
    void everyFamilyAnswersItsPanel_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("preset");  // control set before the click
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("answer");  // in the log
        // Emptied once the answer came, then filled again by the answer to
        // the panel's read button.
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("filled");
        QTest::addColumn<QString>("reread");

        QTest::newRow("Vigilo") << "vigilo"
                                << ""
                                << "Vigilo"
                                << "EditTR_VGS"
                                << "45"
                                << "BtnTR_VGS"
                                << "TR=45"
                                << "EditTR_VGS"
                                << "45"
                                << "BtnLastState";
        QTest::newRow("Vigilo-GSM") << "vigilogsm"
                                    << ""
                                    << "VigiloGSM"
                                    << ""
                                    << ""
                                    << "ButtonGSMinfo_VGG"
                                    << "GSM: registered"
                                    << ""
                                    << ""
                                    << "";
        QTest::newRow("Quintra") << "quintra"
                                 << ""
                                 << "Quintra"
                                 << ""
                                 << ""
                                 << "ButtonPLClist"
                                 << "STEP01=0,1,ON"
                                 << ""
                                 << ""
                                 << "";
        QTest::newRow("Zerbo") << "zerbo"
                               << ""
                               << "Zerbo"
                               << "SpinEditSet5_ZB"
                               << "12"
                               << "BtnSet5_ZB"
                               << "SET5=12"
                               << "SpinEditSet5_ZB"
                               << "12"
                               << "BtnInfo2_ZB";
        QTest::newRow("GPS logger") << "gpslogger"
                                    << ""
                                    << "GPSDataLogger"
                                    << ""
                                    << ""
                                    << "BtnFrageZeichen_GPSDL"
                                    << "Trakka GPS data logger"
                                    << ""
                                    << ""
                                    << "";
        QTest::newRow("smart switch") << "kippasmart"
                                      << "KippaSmart1"
                                      << "KippaSmart"
                                      << "ComboBoxBoxAdress"
                                      << "3"
                                      << "ButtonON"
                                      << "box 3: ON"
                                      << ""
                                      << ""
                                      << "";
        QTest::newRow("newer GSM unit") << "vigilogsmneu"
                                        << "VigiloGSMNEU1"
                                        << "VigiloGSMNEU"
                                        << "VGGSMNEU_TE_SPNR"
                                        << "0711555"
                                        << "Button136"
                                        << "voice number: 0711555"
                                        << "VGGSMNEU_TE_SPNR"
                                        << "0711555"
                                        << "Button143";
    }

    void everyFamilyAnswersItsPanel()
    {
        QFETCH(QString, family);
        QFETCH(QString, menu);
        QFETCH(QString, panel);
        QFETCH(QString, preset);
        QFETCH(QString, value);
        QFETCH(QString, button);
        QFETCH(QString, answer);
        QFETCH(QString, field);
        QFETCH(QString, filled);
        QFETCH(QString, reread);

        QVERIFY(m_com.contains(family));
        TWindow win;
        win.select(m_com[family]);
        if (menu.isEmpty()) {
            QCOMPARE(win.form->ActivePanel, panel);
        } else {
            QVERIFY(win.form->ActivePanel != panel);  // not reached by identification
            win.w<QAction>(menu)->trigger();
            QCOMPARE(win.form->ActivePanel, panel);
        }
        if (!preset.isEmpty())
            win.set(preset, value);
        win.w<QPushButton>(button)->click();
        QVERIFY2(win.logged(answer), qPrintable(LogLines(*win.form).join(u'\n')));
        if (field.isEmpty())
            return;
        win.set(field, QString());
        QVERIFY(win.text(field) != filled);
        win.w<QPushButton>(reread)->click();
        QVERIFY2(PumpUntil([&] { return win.text(field) == filled; }),
                 qPrintable(win.text(field) + u'\n' + LogLines(*win.form).join(u'\n')));
    }

    // The boxes follow the autobaud sequence: at a rate they were not moved
    // to they do not understand the program; after it they do.
    void smartSwitchFollowsTheAutobaudSequence()
    {
        TWindow win;
        win.select(m_com[QStringLiteral("kippasmart")]);
        win.w<QAction>(QStringLiteral("KippaSmart1"))->trigger();
        win.set(QStringLiteral("ComboBoxBoxAdress"), QStringLiteral("5"));
        win.set(QStringLiteral("ComboBoxBaudrate"), QStringLiteral("19200"));
        win.w<QPushButton>(QStringLiteral("ButtonToggle"))->click();
        QVERIFY(!win.logged(QStringLiteral("box 5:"), 500));

        win.w<QPushButton>(QStringLiteral("ButtonSetBaudrate"))->click();
        QVERIFY(win.logged(QStringLiteral("autobaud 19200")));
        win.w<QPushButton>(QStringLiteral("ButtonReadState"))->click();
        QVERIFY(win.logged(QStringLiteral("box 5: OFF")));
        win.w<QPushButton>(QStringLiteral("ButtonToggle"))->click();
        QVERIFY(win.logged(QStringLiteral("box 5: ON")));
        // Back to the rate the other tests expect.
        win.set(QStringLiteral("ComboBoxBaudrate"), QStringLiteral("9600"));
        win.w<QPushButton>(QStringLiteral("ButtonSetBaudrate"))->click();
        QVERIFY(win.logged(QStringLiteral("autobaud 9600")));
    }

    // The flasher loads a firmware file through the device's boot loader,
    // which checks every block; afterwards the device is itself again. Asked
    // to, it identifies the device first and reports its reply.
    void firmwareUpdateThroughTheBootLoader_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("block");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("idReply");
        QTest::newRow("Zerbo, 64") << "zerbo" << 64 << "Zerbo"
                                   << "#09.00.00";
        QTest::newRow("Vigilo-GSM, 256") << "vigilogsm" << 256 << "VigiloGSM"
                                         << "#01.00.01";
    }

    void firmwareUpdateThroughTheBootLoader()
    {
        QFETCH(QString, family);
        QFETCH(int, block);
        QFETCH(QString, panel);
        QFETCH(QString, idReply);

        QTemporaryDir dir;
        QByteArray rom;
        for (int i = 0; i < 300; ++i)
            rom += QStringLiteral("%1:%2\r\n")
                       .arg(i, 4, 16, QLatin1Char('0'))
                       .arg((i * 40503 + 0x1234) & 0xFFFF, 4, 16, QLatin1Char('0'))
                       .toLatin1();
        QFile f(dir.filePath(QStringLiteral("fw.rom")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(rom);
        f.close();

        QProcess flash;
        const QString report = dir.filePath(QStringLiteral("report.jsonl"));
        flash.start(kFlash, {QStringLiteral("--settings"), TestSettingsFile(), QStringLiteral("--block"),
                             QString::number(block), QStringLiteral("--identify"), QStringLiteral("--report"), report,
                             QStringLiteral("Com%1").arg(m_com[family]), f.fileName()});
        QVERIFY(flash.waitForFinished(30000));
        const QString out = QString::fromUtf8(flash.readAllStandardOutput());
        QVERIFY2(flash.exitCode() == 0, qPrintable(out + QString::fromUtf8(flash.readAllStandardError())));
        QVERIFY(out.contains(QStringLiteral("Firmware-Update OK")));
        const QJsonObject line = QJsonDocument::fromJson(FileBytes(report)).object();
        QCOMPARE(line[QStringLiteral("identification")].toString(), idReply);
        QCOMPARE(line[QStringLiteral("device")].toString(), QStringLiteral("Com%1").arg(m_com[family]));
        QCOMPARE(line[QStringLiteral("path")].toString(), m_path[family]);
        QCOMPARE(line[QStringLiteral("status")].toInt(), 0);

        TWindow win;
        win.select(m_com[family]);
        QCOMPARE(win.form->ActivePanel, panel);
    }

    // The list download writes the logger's whole track and its end line.
    void listDownloadFromTheLogger()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("track.lst"));
        TWindow win;
        win.select(m_com[QStringLiteral("gpslogger")]);
        QCOMPARE(win.form->ActivePanel, QStringLiteral("GPSDataLogger"));
        win.scope.dialogs->files.enqueue(file);
        win.w<QPushButton>(QStringLiteral("BtnL_GPSDL"))->click();
        QVERIFY(win.form->PlainCapture);
        QVERIFY(PumpUntil([&] { return !win.form->PlainCapture; }, 10000));

        QByteArray track;
        for (const QByteArray& sentence : TSimGpsLogger::Track())
            track += sentence + "\r\n";
        const QByteArray content = FileBytes(file);
        QVERIFY2(content.startsWith(track), content.constData());
        const QByteArray rest = content.mid(track.size());
        QVERIFY2(rest.startsWith("end of data ...") && rest.endsWith("\r\n") && rest.count('\n') == 1,
                 rest.constData());
    }

    // ESC ends a list under way with "user break ...".
    void escapeBreaksTheList()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("part.lst"));
        TWindow win;
        win.select(m_com[QStringLiteral("gpslogger")]);
        win.scope.dialogs->files.enqueue(file);
        win.w<QPushButton>(QStringLiteral("BtnL_GPSDL"))->click();
        QVERIFY(win.logged(QString::fromLatin1(TSimGpsLogger::Track()[1])));
        win.w<QPushButton>(QStringLiteral("Button21"))->click();
        QVERIFY(win.logged(QStringLiteral("user break ...")));
        Pump(300);
        const QStringList log = LogLines(*win.form);
        QVERIFY(!log.join(u'\n').contains(QStringLiteral("end of data")));
        QVERIFY(!log.join(u'\n').contains(QString::fromLatin1(TSimGpsLogger::Track().last())));
    }

    // Installed beside the window, --map points the ports of the settings
    // file the window uses there (~/.config/VelmorServiceSoftware/) at the
    // simulated devices.
    void mapIntoTheWindowsSettings()
    {
        QTemporaryDir dir;
        const QString prefix = dir.filePath(QStringLiteral("usr"));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/bin")));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/share/applications")));
        const QString sim = prefix + QStringLiteral("/bin/velmor-devsim");
        QVERIFY(QFile::copy(kSim, sim));
        QFile(sim).setPermissions(QFileDevice::ExeOwner | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile entry(prefix + QStringLiteral("/share/applications/VelmorServiceSoftware.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.close();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
        env.remove(QStringLiteral("XDG_CONFIG_HOME"));
        p.setProcessEnvironment(env);
        p.start(sim, {QStringLiteral("--map"), QStringLiteral("--device"), QStringLiteral("zerbo:3")});
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += p.readAllStandardOutput()).contains("ready\n"), 10000);
        p.terminate();
        QVERIFY(p.waitForFinished(5000));
        const QList<QByteArray> first = out.split('\n').first().split(' ');
        QCOMPARE(first.size(), 3);
        const QString ini =
            dir.filePath(QStringLiteral("home/.config/VelmorServiceSoftware/VelmorServiceSoftware.ini"));
        QFile f(ini);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(ini));
        const QByteArray text = f.readAll();
        QVERIFY2(text.contains("[Ports]") && text.contains("Com3=" + first[2]), text.constData());
    }
};

QTEST_MAIN(TestDevSim)
#include "tst_devsim.moc"
