// SPDX-License-Identifier: MIT
#include "adapter_hold.h"

#include <algorithm>

namespace tavelin::sim {

void AdapterHold::Push(const link::Bytes& bytes, link::Clock::time_point lastAt, link::Clock::duration byteTime)
{
    const auto count = static_cast<link::Clock::rep>(bytes.size());
    for (link::Clock::rep i = 0; i < count; ++i)
        pending_.push_back({lastAt - byteTime * (count - 1 - i), bytes[static_cast<std::size_t>(i)]});
}

// The first run-out of the timer at or after the first pending byte arrived:
// the empty hand-overs before it only move the timer on.
std::optional<link::Clock::time_point> AdapterHold::NextDue() const
{
    if (pending_.empty())
        return std::nullopt;
    const auto waited = pending_.front().at - lastHandOver_;
    const auto periods = std::max<link::Clock::rep>(1, (waited + latency_ - link::Clock::duration(1)) / latency_);
    const auto timer = lastHandOver_ + latency_ * periods;
    if (pending_.size() >= kPacketBytes && pending_[kPacketBytes - 1].at <= timer)
        return pending_[kPacketBytes - 1].at; // a full packet goes before the timer
    return timer;
}

std::vector<std::pair<link::Clock::time_point, link::Bytes>> AdapterHold::HandOvers(link::Clock::time_point now)
{
    std::vector<std::pair<link::Clock::time_point, link::Bytes>> packets;
    for (auto due = NextDue(); due && *due <= now; due = NextDue()) {
        link::Bytes packet;
        while (!pending_.empty() && packet.size() < kPacketBytes && pending_.front().at <= *due) {
            packet.push_back(pending_.front().byte);
            pending_.pop_front();
        }
        lastHandOver_ = *due;
        packets.emplace_back(*due, std::move(packet));
    }
    return packets;
}

} // namespace tavelin::sim
