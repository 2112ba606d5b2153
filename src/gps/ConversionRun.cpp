#include "gps/ConversionRun.h"

#include "app/UnitMain.h"
#include "widgets/Dialogs.h"

#include <QCoreApplication>

namespace {

// Log lines and warning of a file that cannot be opened or written.
void ReportFileError(TFormMain* main, const QString& fileName)
{
    const QString text = QCoreApplication::translate("ConversionRun", "Fehler bei Dateizugriff (%1)").arg(fileName);
    main->Print(QString());
    main->Print(QString());
    main->Print(text);
    main->Print(QString());
    Dialogs().Warning(text);
}

void LogFinished(TFormMain* main)
{
    main->Print(QString());
    main->Print(QCoreApplication::translate("ConversionRun", "fertig!"));
    main->Print(QString());
    main->Print(QString());
}

}  // namespace

void RunConversion(TFormMain* main, TExportFormat format)
{
    main->PlainCapture = false;
    main->PlcCapture = false;
    main->StampCapture = false;

    const TFormatInfo& info = FormatInfo(format);
    const TOpenFileRequest request{QCoreApplication::translate("NmeaConvert", info.title.toUtf8().constData()),
                                   QCoreApplication::translate("NmeaConvert", info.filter.toUtf8().constData()),
                                   main->GpsDir, main->GpsFile};
    QString input = Dialogs().OpenFile(request);
    if (input.isEmpty()) {
        main->Print(QString());
        main->Print(QString());
        main->Print(QCoreApplication::translate("ConversionRun", "Konvertierung abgebrochen ..."));
        main->Print(QString());
        // A capture that was still running into a slot ends here.
        main->CloseDataFile();
        main->CloseExportFile();
        LogFinished(main);
        return;
    }
    if (!HasExtension(input))
        input += QStringLiteral(".txt");
    main->GpsDir = request.initialDir;
    main->GpsFile = input;
    main->WriteSettings();

    // The input takes the place of whatever the data slot held; the
    // conversion streams through buffers of its own.
    main->CloseDataFile();
    TNmeaConversion conversion(format);
    if (conversion.OpenInput(input) != 0) {
        ReportFileError(main, input);
        return;
    }
    const QString output = OutputFileName(input, info.extension);
    main->CloseExportFile();
    // Converting a file into itself is refused before anything is written.
    if (conversion.OpenOutput(output) != 0) {
        ReportFileError(main, output);
        return;
    }

    main->Print(QString());
    main->Print(QString());
    main->Print(QCoreApplication::translate("ConversionRun", "Konvertierung gestartet ..."));
    main->Print(QString());
    main->Print(QCoreApplication::translate("ConversionRun", "Quelle: %1").arg(input));
    main->Print(QCoreApplication::translate("ConversionRun", "Ziel:   %1").arg(output));
    main->Print(QString());
    main->Print(QCoreApplication::translate("ConversionRun", "bitte warten ..."));
    main->Print(QString());

    if (!conversion.Run()) {
        ReportFileError(main, conversion.FailedFile());
        return;
    }
    LogFinished(main);
}
