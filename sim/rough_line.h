// SPDX-License-Identifier: MIT
// The draws of a rough line (RoughLine in sim_config.h): where the hand-held
// pauses, which frame it sends twice and which answer it holds back. One
// generator seeded once, so the same seed and the same conversation give
// the same faults.
#pragma once

#include "link/event_pump.h"

#include <cstdint>
#include <optional>
#include <random>

namespace tavelin::sim {

class RoughLineDraws {
public:
    explicit RoughLineDraws(std::uint32_t seed);

    // A data block is about to be answered or sent: the pause before it, if
    // one falls on this block.
    std::optional<link::Clock::duration> PauseAtBlock();
    // An answer is about to go out: how long it is held back, if at all.
    std::optional<link::Clock::duration> LateAnswer();
    // A frame is about to go out: true when it goes out twice.
    bool Doubled();

private:
    bool OneIn(int n);
    link::Clock::duration Between(int loMs, int hiMs);

    std::mt19937 engine_;
    int blocksToPause_;
};

} // namespace tavelin::sim
