// SPDX-License-Identifier: MIT
#include "qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace tavelin::link {

QtEventPump::QtEventPump() = default;
QtEventPump::~QtEventPump() = default;

void QtEventPump::YieldOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtEventPump::RunUntil(Clock::time_point deadline, const std::function<bool()>& done)
{
    // The timer only exists to wake the blocking wait below at the deadline;
    // every other event wakes it too, and done() is asked again after each.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QEventLoop loop;
    while (!done()) {
        const auto left = deadline - Now();
        if (left <= Clock::duration::zero())
            return done();
        if (!wake.isActive()) {
            // Rounded up, so the wake never comes before the deadline.
            const auto ms = std::chrono::ceil<Millis>(left).count();
            wake.start(static_cast<int>(std::min<long long>(ms, INT_MAX)));
        }
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace tavelin::link
