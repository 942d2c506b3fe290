// SPDX-License-Identifier: MIT
// An event pump on virtual time for tests and the in-process simulator.
// Scheduled actions run in time order; a wait jumps to the next action or to
// its deadline at once, so twenty time-outs cost microseconds.
#pragma once

#include "event_pump.h"

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace tavelin::link {

class VirtualPump final : public EventPump {
public:
    Clock::time_point Now() const override { return now_; }

    // Runs what is due now; when nothing is, lets one millisecond pass, as a
    // real yield would, so that a loop of yields always moves time on.
    void YieldOnce() override;
    bool RunUntil(Clock::time_point deadline, const std::function<bool()>& done) override;

    void Schedule(Clock::time_point at, std::function<void()> action);
    void ScheduleAfter(Clock::duration delay, std::function<void()> action) { Schedule(now_ + delay, std::move(action)); }

    // Lets virtual time pass, running every action that falls due meanwhile.
    void Advance(Clock::duration span);
    // The program is busy inside one event (a window drawing, a slow disk):
    // time passes and nothing else runs meanwhile; what fell due runs late.
    void Busy(Clock::duration span) { now_ += span; }
    bool HasPending() const { return !queue_.empty(); }

private:
    bool RunNextDueBy(Clock::time_point limit);

    Clock::time_point now_{};
    std::uint64_t sequence_ = 0;
    std::map<std::pair<Clock::time_point, std::uint64_t>, std::function<void()>> queue_;
};

} // namespace tavelin::link
