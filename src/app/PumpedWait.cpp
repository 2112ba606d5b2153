#include "app/PumpedWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

bool PumpedWait(int limitMs, const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    // A timer at the deadline wakes the event loop, so the wait sleeps while
    // nothing happens instead of spinning. It is re-armed for what is left
    // whenever it has fired before the deadline.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        if (done && done())
            return true;
        const qint64 left = limitMs - clock.elapsed();
        if (left <= 0)
            return done ? done() : true;
        if (!wake.isActive())
            wake.start(int(left));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}
