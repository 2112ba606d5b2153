#include "app/GeneralError.h"

#include "widgets/Dialogs.h"

#include <QCoreApplication>
#include <QString>

void ShowGeneralError(const std::exception& e) { Dialogs().Error(QString::fromUtf8(e.what())); }

void ShowGeneralError() { Dialogs().Error(QCoreApplication::translate("GeneralError", "Unbekannter Fehler")); }
