// SPDX-License-Identifier: MIT
// The event pump of the real program: a wait sleeps until an event arrives
// (bytes on the port, a timer, a click, a watched object signalled) or the
// deadline passes, and runs Qt's events as they come, so the windows stay
// responsive and an idle wait costs no CPU. How it sleeps is each system's
// (qt_event_pump_posix.cpp: in Qt's event loop, woken by a precise Qt timer,
// with nothing to watch, as Qt SerialPort watches its own descriptors;
// qt_event_pump_win32.cpp: on the watched event handles, a high-resolution
// waitable timer and the thread's message queue at once).
#pragma once

#include "link/event_pump.h"

#include <QMetaObject>

#include <memory>
#include <vector>

namespace tavelin::link {

// Wakes the pump's sleep once, a span from now (qt_event_pump_alarm.h).
class PumpAlarm;

class QtEventPump final : public EventPump {
public:
    QtEventPump();
    ~QtEventPump() override;
    QtEventPump(const QtEventPump&) = delete;
    QtEventPump& operator=(const QtEventPump&) = delete;

    Clock::time_point Now() const override { return Clock::now(); }
    void YieldOnce() override;
    bool RunUntil(Clock::time_point deadline, const std::function<bool()>& done) override;
    bool Watch(void* object, std::function<void()> signalled) override;
    void Unwatch(void* object) override;

private:
    struct Watched {
        void* object;
        std::function<void()> signalled;
    };

    static std::unique_ptr<PumpAlarm> MakeAlarm();
    // Sleeps until something happens or the alarm rings (set for `left` when
    // it is not set yet), and runs what happened.
    void SleepOnce(PumpAlarm& alarm, Clock::duration left);

    std::vector<Watched> watches_; // in the order they were watched
    // When Qt last ran the thread's events, in its own loop or in a wait's
    // (qt_event_pump_win32.cpp), told by its event dispatcher.
    Clock::time_point eventsRan_{};
    QMetaObject::Connection eventsRanWatch_;
    // One alarm per wait under way (an event handler may wait too), kept for
    // the next wait afterwards.
    std::vector<std::unique_ptr<PumpAlarm>> spareAlarms_;
};

} // namespace tavelin::link
