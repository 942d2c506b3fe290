// SPDX-License-Identifier: MIT
// The pump sleeps in Qt's event loop, and its alarm is a precise Qt timer.
// No waitable objects besides file descriptors here, and those Qt watches
// itself (QSocketNotifier, Qt SerialPort).
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

std::unique_ptr<PumpAlarm> QtEventPump::MakeAlarm()
{
    return std::make_unique<TimerAlarm>();
}

void QtEventPump::SleepOnce(PumpAlarm& alarm, Clock::duration left)
{
    if (!alarm.Pending())
        alarm.Set(left);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool QtEventPump::Watch(void*, std::function<void()>)
{
    return false;
}

void QtEventPump::Unwatch(void*) {}

} // namespace tavelin::link
