#include "app/GeneralError.h"
#include "app/UnitMain.h"
#include "firmware/UnitFlashen.h"
#include "firmware/UnitFlashenCSD.h"

#include <QApplication>

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
    TApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VelmorServiceSoftware"));
    QApplication::setApplicationDisplayName(QStringLiteral("VelmorServiceSoftware"));

    TFormMain formMain;
    TFormFlashen formFlashen(&formMain);
    TFormFlashenCSD formFlashenCSD(&formMain);
    formMain.show();
    return app.exec();
}
