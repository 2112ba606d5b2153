#include "app/ProgramWindows.h"

#include "app/LanguageMenu.h"
#include "app/UnitMain.h"
#include "firmware/UnitFlashen.h"
#include "firmware/UnitFlashenCSD.h"
#include "widgets/ScreenFit.h"

#include <QApplication>
#include <QIcon>

TProgramWindows::TProgramWindows()
{
    static bool kept = false;
    if (!kept) {
        kept = true;
        KeepWindowsOnScreen(*qApp);
    }
    Q_INIT_RESOURCE(velmor_icons);
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    form = std::make_unique<TFormMain>();
    AddLanguageMenu(*form);
    flashen = std::make_unique<TFormFlashen>(form.get());
    flashenCsd = std::make_unique<TFormFlashenCSD>(form.get());
}

TProgramWindows::~TProgramWindows()
{
    flashenCsd.reset();
    flashen.reset();
    form.reset();
}
