#include "support/WindowRig.h"

#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <algorithm>

TWindowRig::TWindowRig(const QByteArray& identification, const QByteArray& settings)
{
    WriteTestSettings(settings);
    peer.MapPort(TestSettingsFile(), 3);
    if (!identification.isEmpty())
        peer.AnswerIdentification(identification);
    form = std::make_unique<TFormMain>();
    form->Timer1.stop();
}

void TWindowRig::selectPort()
{
    form->RadioGroupCOM()->SetItemIndex(2);
    form->Timer1.stop();
}

TSpinEdit* TWindowRig::spin(const QString& name) const { return w<TSpinEdit>(name); }

void TWindowRig::click(const QString& name)
{
    w(name)->click();
    timerWasRestarted = form->Timer1.isActive() && form->Timer1.interval() == 1000;
    form->Timer1.stop();
}

QByteArray TWindowRig::take(qsizetype n, int ms)
{
    peer.WaitForBytes(int(n), ms);
    const QByteArray got = peer.Received();
    peer.ClearReceived();
    return got;
}

bool TWindowRig::logged(const QString& text, int ms) const
{
    return PumpUntil(
        [&] {
            const QStringList lines = LogLines(*form);
            return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(text); });
        },
        ms);
}
