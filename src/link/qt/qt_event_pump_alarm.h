// SPDX-License-Identifier: MIT
// The alarm that wakes QtEventPump (qt_event_pump.h) at a deadline: each
// system makes its own (QtEventPump::MakeAlarm, in qt_event_pump_*.cpp).
#pragma once

#include "qt_event_pump.h"

namespace tavelin::link {

class PumpAlarm {
public:
    virtual ~PumpAlarm() = default;
    // Rings once when `left` (more than zero) has passed.
    virtual void Set(Clock::duration left) = 0;
    // Set and not rung yet.
    virtual bool Pending() const = 0;
    virtual void Cancel() = 0;
};

} // namespace tavelin::link
