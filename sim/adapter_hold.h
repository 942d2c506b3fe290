// SPDX-License-Identifier: MIT
// The receive side of a USB serial adapter with an FTDI chip, between the
// hand-held's line and the PC. The chip holds the bytes it receives and hands
// them to the PC in one packet when 62 are pending, or when its latency timer
// runs out. The timer restarts at every hand-over, and an idle chip hands over
// an empty packet each time it runs out, so with nothing pending hand-overs
// fall every `latency` after the last one. Bytes are given with the moments
// they reached the chip, which may lie ahead of the moment they are pushed
// (the in-process line knows when a frame will have crossed it).
#pragma once

#include "link/event_pump.h"
#include "link/serial_port.h"

#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace tavelin::sim {

class AdapterHold {
public:
    static constexpr std::size_t kPacketBytes = 62; // 64-byte USB packets less 2 status bytes

    // `latency` above zero: a latency of zero is no adapter at all.
    explicit AdapterHold(link::Clock::duration latency) : latency_(latency) {}

    // `bytes` reached the chip one after the other, `byteTime` apart, the last
    // of them at `lastAt`.
    void Push(const link::Bytes& bytes, link::Clock::time_point lastAt, link::Clock::duration byteTime);

    // The packets handed to the PC by `now`, in order, each with its moment.
    std::vector<std::pair<link::Clock::time_point, link::Bytes>> HandOvers(link::Clock::time_point now);

    // The moment of the next packet; nothing while nothing is pending.
    std::optional<link::Clock::time_point> NextDue() const;

private:
    struct Held {
        link::Clock::time_point at;
        std::uint8_t byte;
    };

    link::Clock::duration latency_;
    link::Clock::time_point lastHandOver_{};
    std::deque<Held> pending_;
};

} // namespace tavelin::sim
