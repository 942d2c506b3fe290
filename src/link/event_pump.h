// SPDX-License-Identifier: MIT
// The event pump and monotonic clock that every wait of the link layer goes
// through. Waits never spin: a real pump sleeps in the event loop until an
// event or the deadline arrives; the virtual pump of the tests jumps straight
// to the next scheduled event, so a time-out costs no real time.
#pragma once

#include <chrono>
#include <functional>

namespace tavelin::link {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

class EventPump {
public:
    virtual ~EventPump() = default;

    // Monotonic time: midnight or a change of the wall clock never moves it.
    virtual Clock::time_point Now() const = 0;

    // Lets pending events run once without waiting for new ones.
    virtual void YieldOnce() = 0;

    // Runs events until done() holds or the deadline passes, sleeping while
    // nothing happens. Returns done() as it stands at the end.
    virtual bool RunUntil(Clock::time_point deadline, const std::function<bool()>& done) = 0;

    // Has the pump's waits sleep on a waitable object of the system (on
    // Windows an event handle) beside its own events: each time a wait finds
    // it signalled, `signalled` runs in the pump, which must leave it
    // unsignalled. False where the pump cannot; its owner then looks in
    // slices. Unwatch before the object goes.
    virtual bool Watch(void* object, std::function<void()> signalled)
    {
        (void)object;
        (void)signalled;
        return false;
    }
    virtual void Unwatch(void* object) { (void)object; }
};

// A wait that lets the user interface run: the settling waits of the adapter
// set-up and the frame receiver.
inline void WaitSec(EventPump& pump, double seconds)
{
    const auto span = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    pump.RunUntil(pump.Now() + span, [] { return false; });
}

// One deadline for a blocking operation: started once, asked how long is left.
class Deadline {
public:
    Deadline(const EventPump& pump, Millis span) : pump_(pump), end_(pump.Now() + span) {}
    Clock::time_point End() const { return end_; }
    bool Expired() const { return pump_.Now() >= end_; }
    Millis Left() const
    {
        const auto left = std::chrono::duration_cast<Millis>(end_ - pump_.Now());
        return left.count() > 0 ? left : Millis(0);
    }

private:
    const EventPump& pump_;
    Clock::time_point end_;
};

} // namespace tavelin::link
