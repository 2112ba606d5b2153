#include "app/GeneralError.h"
#include "app/Language.h"
#include "app/ProgramInfo.h"
#include "app/ProgramWindows.h"
#include "app/SettingsLocation.h"
#include "app/UnitMain.h"

#include <QApplication>

#include <cstdio>

namespace {

// Last line of defence: an error escaping an event handler is shown by the
// general error display and the program runs on.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowGeneralError(e);
        } catch (...) {
            ShowGeneralError();
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    // --help and --version are answered on the terminal before Qt starts, so
    // that they need no display (the manual page is made from them); so is a
    // wrong --lang.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TProgramStart start = ParseProgramArguments(arguments);
    if (start.answer) {
        std::fwrite(start.answer->constData(), 1, start.answer->size(), stdout);
        return 0;
    }
    if (start.error) {
        std::fwrite(start.error->constData(), 1, start.error->size(), stderr);
        return 2;
    }

    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VelmorServiceSoftware"));
    QApplication::setApplicationDisplayName(QStringLiteral("VelmorServiceSoftware"));

    // The language is in force before the first window is made.
    UseLanguage(StartLanguage(start.language, SettingsFileForProgram(QCoreApplication::applicationFilePath())));
    TProgramWindows windows;
    windows.form->show();
    return app.exec();
}
