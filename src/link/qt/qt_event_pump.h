// SPDX-License-Identifier: MIT
// The event pump of the real program: waits sleep in Qt's event loop until an
// event arrives (bytes on the port, a timer, a click) or the deadline passes,
// so the windows stay responsive and an idle wait costs no CPU.
#pragma once

#include "link/event_pump.h"

namespace tavelin::link {

class QtEventPump final : public EventPump {
public:
    Clock::time_point Now() const override { return Clock::now(); }
    void YieldOnce() override;
    bool RunUntil(Clock::time_point deadline, const std::function<bool()>& done) override;
};

} // namespace tavelin::link
