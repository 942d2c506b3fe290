// SPDX-License-Identifier: MIT
// An event pump on the real clock without Qt, for tests of a real port where
// nothing but the port happens: a wait sleeps until its deadline, since no
// event could end it sooner.
#pragma once

#include "link/event_pump.h"

#include <chrono>
#include <thread>

namespace tavelin::testing {

class SleepingPump final : public link::EventPump {
public:
    link::Clock::time_point Now() const override { return link::Clock::now(); }
    void YieldOnce() override {}
    bool RunUntil(link::Clock::time_point deadline, const std::function<bool()>& done) override
    {
        while (!done()) {
            const auto now = Now();
            if (now >= deadline)
                return done();
            // Whole milliseconds, rounded up: a fraction makes the runtime
            // under Windows wait it out on the processor.
            std::this_thread::sleep_for(std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
        }
        return true;
    }
};

} // namespace tavelin::testing
