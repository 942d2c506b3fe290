// SPDX-License-Identifier: MIT
// The pump's alarm is a precise Qt timer. No waitable objects besides file
// descriptors here, and those Qt watches itself (QSocketNotifier, Qt
// SerialPort).
#include "qt_event_pump.h"
#include "qt_event_pump_alarm.h"

namespace tavelin::link {

std::unique_ptr<PumpAlarm> QtEventPump::MakeAlarm()
{
    return MakeTimerAlarm();
}

bool QtEventPump::Watch(void*, std::function<void()>)
{
    return false;
}

void QtEventPump::Unwatch(void*) {}

} // namespace tavelin::link
