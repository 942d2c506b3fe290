// SPDX-License-Identifier: MIT
// Someone watching the line as it happens (the line monitor): told of each
// frame sent and received, each receive that timed out, and the port's state
// as each of these happens. The link calls one only while one is attached,
// so a link nobody watches pays a null test per frame and nothing else.
// Calls come on the link's own thread, in the middle of an exchange: a
// watcher keeps what it is told and returns at once.
#pragma once

#include "event_pump.h"
#include "serial_port.h"
#include "trace_line.h"

#include <cstdint>
#include <span>

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

} // namespace tavelin::link
