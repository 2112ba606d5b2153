#include "gps/ConversionRun.h"

#include "app/UnitMain.h"

void RunConversion(TFormMain* main, TExportFormat format)
{
    Q_UNUSED(main);
    Q_UNUSED(format);
}
