#pragma once

#include <QObject>

class TFormMain;

// The endurance run of a GSM watchdog unit: a protocol file chosen by the
// user receives every line the unit sends, time-stamped, while the unit is
// asked for its GSM state at a fixed pace.
class TEnduranceRun : public QObject {
    Q_OBJECT
public:
    explicit TEnduranceRun(TFormMain* main, QObject* parent = nullptr);

    // Chooses the protocol file and starts the run.
    void ButtonDauerlaufClick();
    // One query of the run.
    void Timer4Timer();

private:
    TFormMain* m_main;
};
