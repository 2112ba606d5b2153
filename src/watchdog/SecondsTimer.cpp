// The one-second timer of the main window: seconds counter, cyclic trigger,
// status bar clock, and the on/off test toggle.
#include "app/UnitMain.h"
#include "rx/RxLogic.h"
#include "watchdog/TriggerLogic.h"
#include "widgets/SpinEdit.h"

#include <QDateTime>

QString TFormMain::StatusClockText() const
{
    return QStringLiteral("V") + VersionText + QStringLiteral(", ") + LocalDateTimeText(QDateTime::currentDateTime());
}

void TFormMain::Timer1Timer()
{
    SecondsCounter = NextSecondsCount(SecondsCounter);
    TriggerCountdown = NextCountdown(TriggerCountdown);
    if (TriggerCountdown == 0) {
        if (TSpinEdit* state = SpinEditZustand()) {
            const int value = NextTimedTrigger(state->Value());
            state->SetValue(value);
            SendPlain(TriggerCommand(value));
        }
        SecondsCounter = 0;
        TriggerCountdown = EditTrig() ? EditTrig()->Value() : -1;
    }
    SetStatusText(2, QString::number(SecondsCounter));
    SetStatusText(0, StatusClockText());
}

void TFormMain::Timer3Timer()
{
    SendPlain(OnOffToggle ? QStringLiteral("{+}on\r") : QStringLiteral("{+}off\r"));
    OnOffToggle = !OnOffToggle;
    if (auto* counter = findChild<TSpinEdit*>(QStringLiteral("SpinEdit_QTS")))
        counter->SetValue(counter->Value() + 1);
}

TSpinEdit* TFormMain::SpinEditZustand() const
{
    return findChild<TSpinEdit*>(QStringLiteral("SpinEditZustand"));
}

TSpinEdit* TFormMain::EditTrig() const
{
    return findChild<TSpinEdit*>(QStringLiteral("EditTrig"));
}
