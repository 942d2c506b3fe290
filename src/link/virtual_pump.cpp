// SPDX-License-Identifier: MIT
#include "virtual_pump.h"

namespace tavelin::link {

void VirtualPump::Schedule(Clock::time_point at, std::function<void()> action)
{
    if (at < now_)
        at = now_;
    queue_.emplace(std::make_pair(at, sequence_++), std::move(action));
}

bool VirtualPump::RunNextDueBy(Clock::time_point limit)
{
    if (queue_.empty() || queue_.begin()->first.first > limit)
        return false;
    auto node = queue_.extract(queue_.begin());
    now_ = std::max(now_, node.key().first);
    node.mapped()();
    return true;
}

void VirtualPump::YieldOnce()
{
    if (!RunNextDueBy(now_)) {
        const auto next = now_ + Millis(1);
        while (RunNextDueBy(next)) {
        }
        now_ = next;
    }
}

bool VirtualPump::RunUntil(Clock::time_point deadline, const std::function<bool()>& done)
{
    while (!done()) {
        if (!RunNextDueBy(deadline)) {
            now_ = std::max(now_, deadline);
            return done();
        }
    }
    return true;
}

void VirtualPump::Advance(Clock::duration span)
{
    RunUntil(now_ + span, [] { return false; });
}

} // namespace tavelin::link
