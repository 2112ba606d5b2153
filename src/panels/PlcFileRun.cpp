#include "panels/PlcFileRun.h"

#include "app/UnitMain.h"
#include "panels/PlcSequence.h"
#include "widgets/Dialogs.h"

#include <QCoreApplication>
#include <QThread>

namespace {

QString fileError() { return QCoreApplication::translate("PlcFileRun", "Fehler bei Dateizugriff"); }

// Shows the dialog; on confirmation remembers directory and file, writes the
// settings file and returns the name with its extension. Empty on cancel.
QString chooseFile(TFormMain& main, const char* title, TOpenFileRequest::Mode mode)
{
    const TOpenFileRequest request{QCoreApplication::translate("PlcSequence", title), PlcFilter(), main.PlcDir,
                                   main.PlcFile, mode};
    const QString chosen = Dialogs().OpenFile(request);
    if (chosen.isEmpty())
        return QString();
    const QString path = WithPlcExtension(chosen);
    main.PlcDir = request.initialDir;
    main.PlcFile = path;
    main.WriteSettings();
    return path;
}

void endCaptures(TFormMain& main)
{
    main.PlainCapture = false;
    main.StampCapture = false;
    main.PlcCapture = false;
    main.CloseDataFile();
}

}  // namespace

void PlcSequenceSave(TFormMain& main)
{
    const QString path = chooseFile(main, kPlcSaveTitle, TOpenFileRequest::Mode::Save);
    if (path.isEmpty())
        return;
    endCaptures(main);
    if (main.OpenDataFileForWriting(path) != 0) {
        main.PlcCapture = false;
        Dialogs().Warning(fileError());
        return;
    }
    main.PlcCapture = true;
    // No time-out: the capture ends at the unit's "OK" line, when another
    // operation takes the slot, or when another panel or port is chosen.
    main.SendPlain(QStringLiteral("{+}PLCget\r"));
}

void PlcSequenceLoad(TFormMain& main)
{
    const QString path = chooseFile(main, kPlcLoadTitle, TOpenFileRequest::Mode::Open);
    if (path.isEmpty())
        return;
    endCaptures(main);
    if (main.OpenDataFileForReading(path) != 0) {
        Dialogs().Warning(fileError());
        return;
    }
    // Checked whole before the first step goes out: a wrong file (a settings
    // file, a binary) would otherwise be sent line by line, 200 ms a line.
    const QString refusal = PlcFileRefusal(main.DataFile);
    main.CloseDataFile();
    if (!refusal.isEmpty()) {
        Dialogs().Warning(refusal);
        return;
    }
    if (main.OpenDataFileForReading(path) != 0) {
        Dialogs().Warning(fileError());
        return;
    }
    // The pause blocks on purpose: the unit takes one step at a time, and its
    // answers are shown once the load is through.
    SendPlcSteps(
        main.DataFile, [&main](const QString& line) { main.SendPlain(line); },
        [] { QThread::msleep(kPlcLoadPauseMs); });
}
