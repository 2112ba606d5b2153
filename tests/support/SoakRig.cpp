#include "support/SoakRig.h"

#include "widgets/LogTools.h"

#include "panels/PanelVigiloGSM.h"
#include "rx/RxLogic.h"
#include "support/Harness.h"
#include "support/ProcStatus.h"
#include "watchdog/EnduranceRun.h"
#include "widgets/RadioGroup.h"
#include "widgets/SpinEdit.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>

#include <malloc.h>

long ResidentKiB()
{
    malloc_trim(0);
    return ProcStatusKiB("VmRSS:");
}

TSoakRig::TSoakRig() : m_now(QDate(2024, 6, 1), QTime(0, 0, 0))
{
    WriteTestSettings("[Misc]\r\nCOM=0\r\n");
    m_peer.MapPort(TestSettingsFile(), 3);
    m_peer.SetLineHandler([this](const QByteArray& line) -> QByteArray {
        if (line == "{+}h")
            return "#01.00.01\r";
        if (line == "{+}gsminfo") {
            const int n = ++m_queries;
            return "GSM: registered, operator 26201\rCSQ: " + QByteArray::number(10 + n % 20) + ",0  BER 0\r";
        }
        if (line.startsWith("{1}TRIG=")) {
            ++m_triggers;
            return "TRIG OK " + line.mid(8) + "\r";
        }
        return {};
    });
    m_form = std::make_unique<TFormMain>();
    m_form->Timer1.stop();
    m_form->RadioGroupCOM()->SetItemIndex(2);
    m_form->Timer1.stop();
    m_form->ClearPanels(QStringLiteral("VigiloGSM"));
    m_run = static_cast<TPanelVigiloGSM*>(m_form->Panel(QStringLiteral("VigiloGSM")))->EnduranceRun();
    SetStampClock([this] { return m_now; });
}

TSoakRig::~TSoakRig()
{
    Stop();
    m_form.reset();
    SetStampClock(nullptr);
    RemoveTestSettings();
}

bool TSoakRig::Start(Job job)
{
    Stop();
    m_job = job;
    if (job == Job::Endurance) {
        m_scope.dialogs->files.enqueue(m_dir.filePath(QStringLiteral("day")));
        m_run->ButtonDauerlaufClick();
        m_form->Timer4.stop();
        if (!m_form->StampCapture)
            return false;
    } else {
        m_form->EditTrig()->SetValue(1);
        m_form->TrigStartBtnClick();
        m_form->Timer1.stop();
        // The start sends at once.
        if (!PumpUntil([this] { return m_triggers == 1 && m_form->RxLine.isEmpty(); }, 10000))
            return false;
    }
    // What the first ticks bring into being once (fonts, layout, buffers).
    Day warmUp;
    return Run(10, 0, warmUp);
}

void TSoakRig::Stop()
{
    m_form->Timer4.stop();
    m_form->StampCapture = false;
    m_form->CloseDataFile();
    m_form->BtnTrigStopClick();
}

int TSoakRig::answered() const { return m_job == Job::Endurance ? int(m_queries) : int(m_triggers); }

void TSoakRig::tick()
{
    if (m_job == Job::Endurance) {
        m_now = m_now.addSecs(30);
        m_run->Timer4Timer();
        m_form->Timer4.stop();
    } else {
        m_now = m_now.addSecs(1);
        m_form->Timer1Timer();
    }
}

bool TSoakRig::Run(int ticks, int clearEvery, Day& day)
{
    TFormMain& form = *m_form;
    // The device answers every tick.
    const int base = answered();
    auto caughtUp = [&](int i) {
        m_peer.ClearReceived();  // the peer's own record is not the program's memory
        return PumpUntil([&] { return answered() >= base + i && form.RxLine.isEmpty(); }, 10000);
    };
    if (clearEvery > 0)
        form.Memo1DblClick();
    Pump(50);
    day.ticks = ticks;
    day.startKiB = ResidentKiB();
    // Counted as logged, not as the window holds them: the window keeps the
    // latest lines only.
    const qint64 before = form.LogTools()->LoggedCharacters();
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= ticks; ++i) {
        tick();
        if ((i % 100 == 0 || i == ticks) && !caughtUp(i))
            return false;
        if (clearEvery > 0 && (i % clearEvery == 0 || i == ticks)) {
            if (!caughtUp(i))
                return false;
            form.Memo1DblClick();
        }
    }
    Pump(50);
    day.wallSeconds = double(clock.nsecsElapsed()) / 1e9;
    day.logChars = form.LogTools()->LoggedCharacters() - before;
    day.endKiB = ResidentKiB();
    return true;
}
