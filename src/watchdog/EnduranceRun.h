#pragma once

#include <QObject>
#include <QString>

class TFormMain;

// The protocol file's name: ".pro" is appended when the chosen file name has
// no extension (no dot in its last path component).
QString ProtocolFileName(const QString& chosen);

// The endurance run of a GSM watchdog unit: a protocol file chosen by the
// user receives every line the unit sends, time-stamped, while the unit is
// asked for its GSM state at a fixed pace: 2 s after the start, then every
// 30 s. The stop button ends both; otherwise the capture ends when another
// function closes the data file (or writing it fails) and the queries go on
// until the program ends.
class TEnduranceRun : public QObject {
    Q_OBJECT
public:
    // Runs Timer4Timer on every tick of the main window's Timer4.
    explicit TEnduranceRun(TFormMain* main, QObject* parent = nullptr);

    static constexpr int FirstQueryMs = 2000;
    static constexpr int QueryIntervalMs = 30000;
    // How often a query held while the port waits for its device looks again.
    static constexpr int HeldQueryMs = 500;

    // Chooses the protocol file and starts the run.
    void ButtonDauerlaufClick();
    // Ends the run: no further query, the time-stamped capture off and the
    // protocol file closed with every line received so far.
    void ButtonDauerlaufStopClick();
    // One query of the run: Timer4 off while "gsminfo" goes out (a message
    // shown meanwhile cannot start a second query), then re-armed at 30 s.
    void Timer4Timer();

private:
    TFormMain* m_main;
    bool m_stopped = false;
};
