// SPDX-License-Identifier: MIT
#include "qt_event_pump.h"
#include "qt_event_pump_alarm.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace tavelin::link {

namespace {

class TimerAlarm final : public PumpAlarm {
public:
    TimerAlarm()
    {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
    }
    void Set(Clock::duration left) override
    {
        // Rounded up, so the wake never comes before the deadline.
        const auto ms = std::chrono::ceil<Millis>(left).count();
        timer_.start(static_cast<int>(std::min<long long>(ms, INT_MAX)));
    }
    bool Pending() const override { return timer_.isActive(); }
    void Cancel() override { timer_.stop(); }

private:
    QTimer timer_;
};

} // namespace

std::unique_ptr<PumpAlarm> MakeTimerAlarm()
{
    return std::make_unique<TimerAlarm>();
}

QtEventPump::QtEventPump() = default;
QtEventPump::~QtEventPump() = default;

void QtEventPump::YieldOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtEventPump::RunUntil(Clock::time_point deadline, const std::function<bool()>& done)
{
    // The alarm only exists to wake the blocking wait below at the deadline;
    // every other event wakes it too, and done() is asked again after each.
    std::unique_ptr<PumpAlarm> alarm;
    if (spareAlarms_.empty()) {
        alarm = MakeAlarm();
    } else {
        alarm = std::move(spareAlarms_.back());
        spareAlarms_.pop_back();
    }
    QEventLoop loop;
    bool finished = false;
    while (!(finished = done())) {
        const auto left = deadline - Now();
        if (left <= Clock::duration::zero())
            break;
        if (!alarm->Pending())
            alarm->Set(left);
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    alarm->Cancel();
    spareAlarms_.push_back(std::move(alarm));
    return finished;
}

} // namespace tavelin::link
