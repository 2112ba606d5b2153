#include "firmware/UnitFlashenCSD.h"

#include "app/UnitMain.h"

void ButtonFUCSDClick(TFormMain* main)
{
    Q_UNUSED(main);
}
