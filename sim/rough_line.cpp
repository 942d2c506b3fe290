// SPDX-License-Identifier: MIT
#include "rough_line.h"

namespace tavelin::sim {

namespace {

// Blocks between two pauses. The first pause comes sooner, anywhere in the
// first gap, so that a short transfer may meet one as well.
constexpr int kGapMin = 100;
constexpr int kGapMax = 200;
constexpr int kPauseMinMs = 100;
constexpr int kPauseMaxMs = 1500;
constexpr int kDoubledOneIn = 250;
constexpr int kLateOneIn = 250;
// Past the PC's answer time-out of 500 ms more often than not.
constexpr int kLateMinMs = 300;
constexpr int kLateMaxMs = 900;

} // namespace

RoughLineDraws::RoughLineDraws(std::uint32_t seed) : engine_(seed)
{
    blocksToPause_ = std::uniform_int_distribution<int>(1, kGapMax)(engine_);
}

std::optional<link::Clock::duration> RoughLineDraws::PauseAtBlock()
{
    if (--blocksToPause_ > 0)
        return std::nullopt;
    blocksToPause_ = std::uniform_int_distribution<int>(kGapMin, kGapMax)(engine_);
    return Between(kPauseMinMs, kPauseMaxMs);
}

std::optional<link::Clock::duration> RoughLineDraws::LateAnswer()
{
    if (!OneIn(kLateOneIn))
        return std::nullopt;
    return Between(kLateMinMs, kLateMaxMs);
}

bool RoughLineDraws::Doubled() { return OneIn(kDoubledOneIn); }

bool RoughLineDraws::OneIn(int n) { return std::uniform_int_distribution<int>(1, n)(engine_) == 1; }

link::Clock::duration RoughLineDraws::Between(int loMs, int hiMs)
{
    return link::Millis(std::uniform_int_distribution<int>(loMs, hiMs)(engine_));
}

} // namespace tavelin::sim
