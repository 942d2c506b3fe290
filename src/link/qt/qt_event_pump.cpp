// SPDX-License-Identifier: MIT
#include "qt_event_pump.h"
#include "qt_event_pump_alarm.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>

namespace tavelin::link {

QtEventPump::QtEventPump() = default;
QtEventPump::~QtEventPump()
{
    QObject::disconnect(eventsRanWatch_);
}

void QtEventPump::YieldOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtEventPump::RunUntil(Clock::time_point deadline, const std::function<bool()>& done)
{
    // The alarm only exists to end the sleep at the deadline; every other
    // event ends it too, and done() is asked again after each.
    std::unique_ptr<PumpAlarm> alarm;
    if (spareAlarms_.empty()) {
        alarm = MakeAlarm();
    } else {
        alarm = std::move(spareAlarms_.back());
        spareAlarms_.pop_back();
    }
    bool finished = false;
    while (!(finished = done())) {
        const auto left = deadline - Now();
        if (left <= Clock::duration::zero())
            break;
        SleepOnce(*alarm, left);
    }
    alarm->Cancel();
    spareAlarms_.push_back(std::move(alarm));
    return finished;
}

} // namespace tavelin::link
