// The one-second timer of the main window: seconds counter, cyclic trigger,
// status bar clock, and the on/off test toggle. Methods of TFormMain
// (declared in app/UnitMain.h), kept beside the trigger logic.
#include "app/UnitMain.h"
#include "rx/RxLogic.h"
#include "serial/PortLink.h"
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
    // A trigger due while the port waits for its device goes at the first
    // tick after it is back.
    if (TriggerCountdown == 0 && DeviceAwaited(*this))
        TriggerCountdown = 1;
    if (TriggerCountdown == 0) {
        // A trigger is due. Without a port the send shows a modal message,
        // and the ticks that run meanwhile find the countdown at 0 and hold
        // it at -1, so they neither send nor ask again; the reload below
        // follows once the message is gone.
        if (TSpinEdit* state = SpinEditZustand()) {
            const int value = NextTimedTrigger(state->Value());
            state->SetValue(value);
            SendPlain(TriggerCommand(value));
        }
        SecondsCounter = 0;
        TSpinEdit* interval = EditTrig();
        TriggerCountdown = interval ? interval->Value() : -1;
    }
    SetStatusText(2, QString::number(SecondsCounter));
    SetStatusText(0, StatusClockText());
}

void TFormMain::TrigStartBtnClick()
{
    TSpinEdit* state = SpinEditZustand();
    TSpinEdit* interval = EditTrig();
    if (!state || !interval)
        return;
    // The field's maximum limits the counter here; only the timed trigger wraps.
    state->SetValue(state->Checked(qint64(state->Value()) + 1));
    SendPlain(TriggerCommand(state->Value()));
    Restart1s();
    TriggerCountdown = interval->Value();
}

void TFormMain::BtnTrigStopClick() { TriggerCountdown = -1; }

void TFormMain::EditTrigChange(bool fromOtherGroup)
{
    if (fromOtherGroup && TriggerCountdown < 0)
        return;
    if (TSpinEdit* interval = EditTrig())
        TriggerCountdown = interval->Value();
}

void TFormMain::SetTriggerIntervalFromRetrigger(int retriggerTime)
{
    // An unchanged text emits no change, so the countdown then runs on as it was.
    if (TSpinEdit* interval = EditTrig())
        interval->SetValue(interval->Checked(TriggerIntervalFor(retriggerTime)));
}

void TFormMain::ButtonTest1Click()
{
    // Enabling a running toggle leaves its rhythm alone.
    if (!Timer3.isActive())
        Timer3.start();
}

void TFormMain::ButtonTest0Click() { Timer3.stop(); }

void TFormMain::Timer3Timer()
{
    SendPlain(OnOffToggle ? QStringLiteral("{+}on\r") : QStringLiteral("{+}off\r"));
    OnOffToggle = !OnOffToggle;
    if (auto* counter = findChild<TSpinEdit*>(QStringLiteral("SpinEdit_QTS")))
        counter->SetValue(counter->Checked(qint64(counter->Value()) + 1));
}

TSpinEdit* TFormMain::SpinEditZustand() const { return findChild<TSpinEdit*>(QStringLiteral("SpinEditZustand")); }

TSpinEdit* TFormMain::EditTrig() const { return findChild<TSpinEdit*>(QStringLiteral("EditTrig")); }
