#include "watchdog/EnduranceRun.h"

#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "serial/PortLink.h"
#include "widgets/Dialogs.h"

#include <QCoreApplication>

QString ProtocolFileName(const QString& chosen)
{
    const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
    if (chosen.indexOf(QLatin1Char('.'), slash + 1) >= 0)
        return chosen;
    return chosen + QStringLiteral(".pro");
}

TEnduranceRun::TEnduranceRun(TFormMain* main, QObject* parent) : QObject(parent), m_main(main)
{
    if (m_main)
        connect(&m_main->Timer4, &QTimer::timeout, this, Guarded([this] { Timer4Timer(); }));
}

void TEnduranceRun::ButtonDauerlaufClick()
{
    TFormMain& main = *m_main;
    // The dialog keeps the directory and file name its previous use left.
    TOpenFileRequest& dialog = main.OpenDialog1;
    dialog.title = QCoreApplication::translate("EnduranceRun", "... wohin mit den Protokoll-Daten?");
    dialog.filter = QCoreApplication::translate("EnduranceRun", "PRO-Datei(*.pro)|*.pro");
    dialog.mode = TOpenFileRequest::Mode::Save;
    const QString chosen = Dialogs().OpenFile(dialog);
    if (chosen.isEmpty())
        return;
    dialog.fileName = chosen;

    if (main.OpenDataFileForWriting(ProtocolFileName(chosen)) != 0) {
        main.StampCapture = false;
        Dialogs().Warning(QCoreApplication::translate("EnduranceRun", "Fehler bei Dateizugriff"));
        return;
    }
    main.StampCapture = true;
    m_stopped = false;
    main.Timer4.setInterval(FirstQueryMs);
    main.Timer4.start();
}

void TEnduranceRun::ButtonDauerlaufStopClick()
{
    TFormMain& main = *m_main;
    m_stopped = true;
    main.Timer4.stop();
    if (main.StampCapture) {
        main.StampCapture = false;
        main.CloseDataFile();
    }
}

void TEnduranceRun::Timer4Timer()
{
    TFormMain& main = *m_main;
    main.Timer4.stop();
    // While the port waits for its device the query stays due: asked once
    // the device is back.
    if (DeviceAwaited(main)) {
        main.Timer4.setInterval(HeldQueryMs);
        main.Timer4.start();
        return;
    }
    // Re-armed whatever the send does, an escaping error included: the run
    // goes on until the program ends.
    // A stop pressed while a message of this query was open holds.
    struct TRearm {
        QTimer& timer;
        const bool& stopped;
        ~TRearm()
        {
            if (stopped)
                return;
            timer.setInterval(QueryIntervalMs);
            timer.start();
        }
    } rearm{main.Timer4, m_stopped};
    main.Send(QStringLiteral("gsminfo"));
}
