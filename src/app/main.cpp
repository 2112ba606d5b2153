#include "app/GeneralError.h"
#include "app/ProgramInfo.h"
#include "app/UnitMain.h"
#include "firmware/UnitFlashen.h"
#include "firmware/UnitFlashenCSD.h"

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
    // that they need no display (the manual page is made from them).
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto answer = ProgramTerminalAnswer(arguments)) {
        std::fwrite(answer->constData(), 1, answer->size(), stdout);
        return 0;
    }

    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VelmorServiceSoftware"));
    QApplication::setApplicationDisplayName(QStringLiteral("VelmorServiceSoftware"));

    TFormMain formMain;
    TFormFlashen formFlashen(&formMain);
    TFormFlashenCSD formFlashenCSD(&formMain);
    formMain.show();
    return app.exec();
}
