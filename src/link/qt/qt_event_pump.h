// SPDX-License-Identifier: MIT
// The event pump of the real program: waits sleep in Qt's event loop until an
// event arrives (bytes on the port, a timer, a click, a watched object
// signalled) or the deadline passes, so the windows stay responsive and an
// idle wait costs no CPU. How the sleep ends at the deadline and what may be
// watched is each system's (qt_event_pump_posix.cpp: a precise Qt timer, and
// nothing to watch, as Qt SerialPort watches its own descriptors;
// qt_event_pump_win32.cpp: Windows' event handles and a high-resolution
// waitable timer, woken on through QWinEventNotifier).
#pragma once

#include "link/event_pump.h"

#include <QObject>

#include <map>
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
    static std::unique_ptr<PumpAlarm> MakeAlarm();

    std::map<void*, std::unique_ptr<QObject>> watches_;
    // One alarm per wait under way (an event handler may wait too), kept for
    // the next wait afterwards.
    std::vector<std::unique_ptr<PumpAlarm>> spareAlarms_;
};

} // namespace tavelin::link
