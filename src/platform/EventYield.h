#pragma once
// Long loops on the user-interface thread call this between items: pending window events run every
// few milliseconds, so the window stays responsive without paying for a pass of the event loop per
// item.

#include <QCoreApplication>
#include <QElapsedTimer>

namespace platform {

class EventYield {
public:
    EventYield() { clock_.start(); }
    void operator()()
    {
        // Reading the clock costs more than a short item: look at it every few calls only.
        if (++calls_ % 32 != 0)
            return;
        if (clock_.elapsed() >= IntervalMs) {
            QCoreApplication::processEvents();
            clock_.restart();
        }
    }

private:
    static constexpr qint64 IntervalMs = 10;
    QElapsedTimer clock_;
    unsigned calls_ = 0;
};

} // namespace platform
