#include "watchdog/EnduranceRun.h"

#include "app/UnitMain.h"

TEnduranceRun::TEnduranceRun(TFormMain* main, QObject* parent) : QObject(parent), m_main(main) {}

void TEnduranceRun::ButtonDauerlaufClick() {}

void TEnduranceRun::Timer4Timer() {}
