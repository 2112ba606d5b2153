#pragma once

#include "app/UnitMain.h"
#include "support/DevicePeer.h"
#include "support/ScriptedDialogs.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <memory>

class TEnduranceRun;

// Resident memory of this process in KiB (VmRSS), after the allocator has
// handed back what it can.
long ResidentKiB();

// A Vigilo-GSM unit on Com3 answering the endurance run's query with two
// lines and every trigger command with one, and the ticks of both periodic
// jobs driven directly on a test clock: the endurance run's query (every
// 30 s, into a stamped protocol file) and the cyclic trigger's second.
class TSoakRig {
public:
    enum class Job { Endurance, Trigger };

    TSoakRig();
    ~TSoakRig();

    // Starts the job (the endurance run writes its protocol into a temporary
    // directory; the trigger runs every second) and its first ticks.
    bool Start(Job job);
    void Stop();

    struct Day {
        int ticks = 0;
        long startKiB = 0, endKiB = 0;
        qint64 logChars = 0;  // characters the log took in during the ticks
        double wallSeconds = 0;
    };
    // Runs ticks of the running job; every clearEvery ticks (0: never) the
    // log is cleared, and with clearEvery it is cleared at the start and at
    // the end too. Returns false when the device's answers stopped coming.
    bool Run(int ticks, int clearEvery, Day& day);

    TFormMain& Form() { return *m_form; }

private:
    void tick();
    int answered() const;

    TScriptedDialogsScope m_scope;
    TDevicePeer m_peer;
    std::unique_ptr<TFormMain> m_form;
    QTemporaryDir m_dir;
    std::atomic<int> m_queries{0}, m_triggers{0};
    QDateTime m_now;
    Job m_job = Job::Endurance;
    TEnduranceRun* m_run = nullptr;
};
