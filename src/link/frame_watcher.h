// SPDX-License-Identifier: MIT
// Someone watching the line as it happens: the frame trace (trace.h) and the
// line monitor (modes/line_monitor.h), told of each frame sent and received,
// each receive that timed out, and the port's state as each of these
// happens. The link tells every watcher attached to it (FrameWatchers), in
// the order they were attached, so a link nobody watches pays a test of an
// empty list per frame and nothing else. Calls come on the link's own
// thread, in the middle of an exchange: a watcher keeps what it is told and
// returns at once.
#pragma once

#include "event_pump.h"
#include "serial_port.h"
#include "trace_line.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tavelin::link {

class FrameWatcher {
public:
    virtual ~FrameWatcher() = default;
    // frame: STX through the check character.
    virtual void Sent(Clock::time_point now, std::span<const std::uint8_t> frame) = 0;
    virtual void Received(Clock::time_point now, std::span<const std::uint8_t> frame, TraceResult result) = 0;
    virtual void TimedOut(Clock::time_point now, long long waitedMs) = 0;
    // Before each of the above: the port as it stands then.
    virtual void WatchPort(Clock::time_point now, const SerialPort& port) = 0;
};

// The watchers of one link. Each is shown the port (WatchPort) and then told
// what happened; a close of the port is shown alone (PortChanged).
class FrameWatchers {
public:
    void Attach(FrameWatcher& watcher); // at most once: attached again, it stays where it was
    void Detach(FrameWatcher& watcher);
    bool Attached(const FrameWatcher& watcher) const;
    // The first watcher of the kind `Kind` attached, or null.
    template <class Kind>
    Kind* Find() const
    {
        for (FrameWatcher* watcher : watchers_)
            if (auto* found = dynamic_cast<Kind*>(watcher))
                return found;
        return nullptr;
    }

    void Sent(Clock::time_point now, const SerialPort& port, std::span<const std::uint8_t> frame) const;
    void Received(Clock::time_point now, const SerialPort& port, std::span<const std::uint8_t> frame,
                  TraceResult result) const;
    void TimedOut(Clock::time_point now, const SerialPort& port, long long waitedMs) const;
    void PortChanged(Clock::time_point now, const SerialPort& port) const;

private:
    std::vector<FrameWatcher*> watchers_;
};

} // namespace tavelin::link
