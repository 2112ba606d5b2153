// The program on the screens technicians' laptops have, under a real X
// server with a window manager: each window inside the free area of the
// screen, menus and status bar on it, every panel shown from the menus
// without the window growing.
#include "app/ProgramWindows.h"
#include "app/UnitMain.h"
#include "firmware/UnitFlashen.h"
#include "firmware/UnitFlashenCSD.h"
#include "gps/TrackView.h"
#include "support/Harness.h"
#include "support/UserPath.h"

#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <cstdio>

namespace {

const QSize kPartsSize(1043, 846);

// --- the program on the X server (a run of its own per screen) ----------------

QStringList g_problems;

void Problem(const QString& text) { g_problems << text; }

QRect GlobalRect(QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }

// The window manager frames a window a moment after it is mapped; then the
// fit is made again.
bool WaitFramed(QWidget* w)
{
    if (!QTest::qWaitForWindowExposed(w, 10000))
        return false;
    const bool framed =
        PumpUntil([w] { return w->windowHandle() && !w->windowHandle()->frameMargins().isNull(); }, 5000);
    // The window settles inside the free area once the window manager has
    // framed and placed it.
    const QRect available = w->screen()->availableGeometry();
    PumpUntil([w, available] { return available.contains(w->frameGeometry()); }, 2500);
    Pump(100);
    return framed;
}

void CheckInside(const QString& what, QWidget* w, const QRect& available)
{
    const QRect frame = w->frameGeometry();
    std::printf("  %s: frame %d,%d %dx%d, inside %dx%d\n", qPrintable(what), frame.x(), frame.y(), frame.width(),
                frame.height(), w->width(), w->height());
    if (!available.contains(frame))
        Problem(QStringLiteral("%1: frame %2,%3 %4x%5 not inside the free area")
                    .arg(what)
                    .arg(frame.x())
                    .arg(frame.y())
                    .arg(frame.width())
                    .arg(frame.height()));
}

// Clicks a menu bar entry, then (for a menu) the entry in its menu.
void ChooseFromMenu(TFormMain& form, QAction* entry, const QRect& available)
{
    QMenuBar* bar = form.menuBar();
    if (bar->actions().contains(entry)) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(entry).center());
        return;
    }
    for (QAction* top : bar->actions()) {
        QMenu* menu = top->menu();
        if (!menu || !menu->actions().contains(entry))
            continue;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
        if (!QTest::qWaitForWindowExposed(menu, 5000)) {
            Problem(menu->objectName() + QStringLiteral(": menu not opened"));
            return;
        }
        if (!available.contains(menu->frameGeometry()))
            Problem(menu->objectName() + QStringLiteral(": menu not on the screen"));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
        return;
    }
    Problem(entry->objectName() + QStringLiteral(": not in the menus"));
}

int RunOnScreen()
{
    WriteTestSettings("[Misc]\r\nCOM=0\r\n");
    TProgramWindows windows;
    TFormMain& form = *windows.form;
    form.Timer1.stop();
    QList<QString> messages;
    QRect available;
    // Every message box shown meanwhile (no port chosen) lies on the screen too.
    TModalWatch watch([&](QWidget* box, const TModalWatch::Seen& seen) {
        messages << seen.text;
        WaitFramed(box);
        CheckInside(QStringLiteral("message \"%1\"").arg(seen.text.left(30).simplified()), box, available);
        AcceptMessageBox(box);
    });

    form.show();
    available = form.screen()->availableGeometry();
    const bool framed = WaitFramed(&form);
    std::printf("screen %dx%d, scale %g, free area %d,%d %dx%d\n", form.screen()->size().width(),
                form.screen()->size().height(), form.devicePixelRatioF(), available.x(), available.y(),
                available.width(), available.height());
    if (!framed)
        Problem(QStringLiteral("no window manager framed the window"));
    CheckInside(QStringLiteral("main window"), &form, available);
    const QMargins m = form.windowHandle()->frameMargins();
    const QSize room(available.width() - m.left() - m.right(), available.height() - m.top() - m.bottom());
    const QSize expected = kPartsSize.boundedTo(room);
    if (form.size() != expected)
        Problem(QStringLiteral("window %1x%2, expected %3x%4")
                    .arg(form.width())
                    .arg(form.height())
                    .arg(expected.width())
                    .arg(expected.height()));
    for (QWidget* bar : {static_cast<QWidget*>(form.menuBar()), static_cast<QWidget*>(form.statusBar())})
        if (!bar->isVisible() || !available.contains(GlobalRect(bar)))
            Problem(bar->objectName() + QStringLiteral(" not on the screen"));

    const QSize start = form.size();
    auto* scroll = form.findChild<QScrollArea*>(QStringLiteral("PanelRechtsScroll"));
    const std::pair<const char*, const char*> panels[] = {
        {"Vigilo", "Vigilo1"}, {"VigiloGSM", "VigiloGSM1"},   {"Quintra", "Quintra1"},
        {"Zerbo", "Zerbo1"},   {"GPSDataLogger", nullptr},    {"Lupino", "Lupino1"},
        {"Tocsa", "Tocsa1"},   {"KippaSmart", "KippaSmart1"}, {"VigiloGSMNEU", "VigiloGSMNEU1"},
        {"allgemein", "COM1"},
    };
    for (const auto& [name, entry] : panels) {
        auto* action = entry ? form.findChild<QAction*>(QLatin1String(entry)) : nullptr;
        if (!entry)
            form.ClearPanels(QLatin1String(name));  // the logger's panel comes with its identification
        else if (!action->isVisible())
            action->trigger();  // the hidden entry of the smart switch panel
        else
            ChooseFromMenu(form, action, available);
        QGroupBox* panel = form.Panel(QLatin1String(name));
        // Lupino's entry stops at the DTR line of the port nobody chose (the
        // general error display says so); its panel is shown by hand.
        if (!PumpUntil([panel] { return panel->isVisible(); }, 500) && QLatin1String(name) == "Lupino")
            panel->show();
        if (!PumpUntil([panel] { return panel->isVisible(); }, 3000))
            Problem(QStringLiteral("%1 not shown").arg(QLatin1String(name)));
        Pump(100);
        if (form.size() != start)
            Problem(QStringLiteral("%1: the window grew to %2x%3").arg(name).arg(form.width()).arg(form.height()));
        // Where the panel needs more room than there is, the panel area
        // scrolls to all of it.
        const QSize needs = panel->minimumSizeHint();
        const QSize has = scroll->viewport()->size();
        if (needs.height() > has.height() && scroll->verticalScrollBar()->maximum() < needs.height() - has.height())
            Problem(QStringLiteral("%1 needs %2 px high, has %3, no scrolling")
                        .arg(name)
                        .arg(needs.height())
                        .arg(has.height()));
        if (needs.width() > has.width() && scroll->horizontalScrollBar()->maximum() < needs.width() - has.width())
            Problem(QStringLiteral("%1 needs %2 px wide, has %3, no scrolling")
                        .arg(name)
                        .arg(needs.width())
                        .arg(has.width()));
        std::printf("  panel %s: needs %dx%d, has %dx%d\n", name, needs.width(), needs.height(), has.width(),
                    has.height());
        CheckInside(QStringLiteral("main window with %1").arg(QLatin1String(name)), &form, available);
    }

    for (QDialog* dialog :
         {static_cast<QDialog*>(windows.flashen.get()), static_cast<QDialog*>(windows.flashenCsd.get())}) {
        dialog->show();
        WaitFramed(dialog);
        CheckInside(dialog->objectName(), dialog, available);
        dialog->hide();
    }

    QTemporaryDir dir;
    const QString track = dir.filePath(QStringLiteral("track.lst"));
    PutFile(track, "$GPGGA,120000,5230.0000,N,01322.0000,E,1,08,1.0,40.0,M,0.0,M,,*4A\r\n"
                   "$GPGGA,120100,5230.5000,N,01323.0000,E,1,08,1.0,45.0,M,0.0,M,,*4A\r\n");
    if (TTrackWindow* view = ShowTrackWindow(&form, track)) {
        WaitFramed(view);
        CheckInside(QStringLiteral("track window"), view, available);
        view->close();
    } else {
        Problem(QStringLiteral("no track window"));
    }
    if (messages.isEmpty())
        Problem(QStringLiteral("no message box seen"));
    for (const QString& p : g_problems)
        std::fprintf(stderr, "PROBLEM %s\n", qPrintable(p));
    std::fflush(stdout);
    return g_problems.isEmpty() ? 0 : 1;
}

// --- the test: one X server with a window manager per screen --------------------

class TXServer {
public:
    bool Start(const QSize& size, QString* why)
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString wm = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        // The X server writes its display number to standard output.
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height())});
        if (!m_server.waitForStarted(5000)) {
            *why = QStringLiteral("Xvfb did not start");
            return false;
        }
        QByteArray number;
        QElapsedTimer t;
        t.start();
        while (!number.endsWith('\n') && t.elapsed() < 10000 && m_server.state() == QProcess::Running) {
            m_server.waitForReadyRead(200);
            number += m_server.readAllStandardOutput();
        }
        if (!number.endsWith('\n')) {
            *why = QStringLiteral("Xvfb gave no display: ") + QString::fromLocal8Bit(m_server.readAllStandardError());
            return false;
        }
        display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        m_wm.setProcessEnvironment(env);
        // Once it manages the screen the window manager runs the start-up
        // command, which marks it ready.
        const QString ready = m_dir.filePath(QStringLiteral("ready"));
        m_wm.start(wm, {QStringLiteral("--sm-disable"), QStringLiteral("--startup"), QStringLiteral("touch ") + ready});
        if (!m_wm.waitForStarted(5000) || !PumpUntil([&ready] { return QFile::exists(ready); }, 20000)) {
            *why = QStringLiteral("openbox did not start: ") + QString::fromLocal8Bit(m_wm.readAllStandardError());
            return false;
        }
        return true;
    }
    ~TXServer()
    {
        for (QProcess* p : {&m_wm, &m_server}) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }
    QString display;

private:
    QTemporaryDir m_dir;
    QProcess m_server, m_wm;
};

}  // namespace

class TestScreen : public QObject {
    Q_OBJECT

private slots:
    void fitsTheScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QString>("scale");
        QTest::newRow("1366x768") << QSize(1366, 768) << QString();
        QTest::newRow("1280x720") << QSize(1280, 720) << QString();
        QTest::newRow("1280x800") << QSize(1280, 800) << QString();
        QTest::newRow("1536x864") << QSize(1536, 864) << QString();
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QString();
        QTest::newRow("1920x1080 at 150 %") << QSize(1920, 1080) << QStringLiteral("1.5");
    }

    void fitsTheScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(QString, scale);
        for (const char* program : {"Xvfb", "openbox"})
            if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (Debian packages xvfb and openbox; "
                                                "setup.sh installs them)")
                                     .arg(QLatin1String(program))));
        TXServer x;
        QString why;
        QVERIFY2(x.Start(screen, &why), qPrintable(why));
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), x.display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("VELMOR_SCREEN_RUN"), QStringLiteral("1"));
        // Under the sanitizers the X libraries' own allocations, kept until
        // the process ends, would read as leaks of the run; the program's
        // code is checked for leaks by the offscreen tests.
        const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   asan + (asan.isEmpty() ? QString() : QStringLiteral(":")) + QStringLiteral("detect_leaks=0"));
        env.remove(QStringLiteral("QT_SCALE_FACTOR"));
        if (!scale.isEmpty())
            env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
        run.setProcessEnvironment(env);
        run.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(run.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(run.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(run.readAllStandardError());
        qInfo().noquote() << out;
        QStringList problems;
        for (const QString& line : err.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("PROBLEM ")))
                problems << line.mid(8);
        QVERIFY2(run.exitStatus() == QProcess::NormalExit, qPrintable(err));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        QVERIFY2(run.exitCode() == 0, qPrintable(err));
        QVERIFY2(out.contains(QLatin1String("panel Quintra")), qPrintable(out));
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("VELMOR_SCREEN_RUN")) {
        QApplication app(argc, argv);
        return RunOnScreen();
    }
    QApplication app(argc, argv);
    TestScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screen.moc"
