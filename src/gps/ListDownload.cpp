#include "gps/ListDownload.h"

#include "app/UnitMain.h"
#include "widgets/Dialogs.h"

#include <QCoreApplication>

QString ListFileName(const QString& chosen)
{
    const qsizetype nameStart = chosen.lastIndexOf(QLatin1Char('/')) + 1;
    if (chosen.indexOf(QLatin1Char('.'), nameStart) >= 0)
        return chosen;
    return chosen + QStringLiteral(".lst");
}

void BtnL_GPSDLClick(TFormMain& main)
{
    const TOpenFileRequest request{QCoreApplication::translate("ListDownload", "... wohin mit den List-Daten?"),
                                   QCoreApplication::translate("ListDownload", "LST-Datei(*.lst)|*.lst"), main.LstDir,
                                   main.LstFile, TOpenFileRequest::Mode::Save};
    const QString chosen = Dialogs().OpenFile(request);
    if (chosen.isEmpty())
        return;

    const QString fileName = ListFileName(chosen);
    main.LstDir = request.initialDir;
    main.LstFile = fileName;
    main.WriteSettings();

    if (main.OpenDataFileForWriting(fileName) != 0) {
        main.PlainCapture = main.StampCapture = main.PlcCapture = false;
        Dialogs().Warning(QCoreApplication::translate("ListDownload", "Fehler bei Dateizugriff"));
        return;
    }
    main.PlcCapture = false;
    main.StampCapture = false;
    main.PlainCapture = true;
    main.SendPlain(QStringLiteral("L\r"));
}
