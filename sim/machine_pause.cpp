// SPDX-License-Identifier: MIT
// The hand-held's pauses: while one lasts, bytes from the PC wait as a UART
// holds them, what the hand-held was about to send waits with them, and so
// do its timers. When it ends the held frames go out first, then what came
// meanwhile is acted on in order, then the timers that fell due run: a
// hand-held that wakes reads its buffer before it looks at its clock.
#include "machine.h"

namespace tavelin::sim {

namespace {

std::string Ms(link::Clock::duration length)
{
    return std::to_string(std::chrono::duration_cast<link::Millis>(length).count()) + " ms";
}

} // namespace

void Machine::Pause(link::Clock::time_point now, link::Clock::duration length)
{
    Advance(now);
    if (!lineClosed_)
        BeginPause(length, "");
}

// Pauses follow one another: one that begins during another starts at its end.
void Machine::BeginPause(link::Clock::duration length, const std::string& where)
{
    pausedUntil_ = pausedUntil_.value_or(now_) + length;
    ++stats_.pauses;
    stats_.pausedMs += std::chrono::duration_cast<link::Millis>(length).count();
    Log("fault: pause of " + Ms(length) + (where.empty() ? "" : " " + where));
}

void Machine::Advance(link::Clock::time_point now)
{
    now_ = std::max(now_, now);
    while (pausedUntil_ && now_ >= *pausedUntil_ && !lineClosed_) {
        pausedUntil_.reset();
        Put(std::exchange(heldOutput_, {}));
        Drain();
        if (!Paused())
            RunTimer();
    }
}

// Acts on the frames taken off the line, and on the bytes held during a
// pause, until they are done or a new pause begins.
void Machine::Drain()
{
    while (!Paused() && !lineClosed_) {
        if (waiting_.empty()) {
            if (heldInput_.empty())
                return;
            const link::Bytes held = std::exchange(heldInput_, {});
            std::vector<ReceivedFrame> frames;
            decoder_.Feed(held, stats_, frames);
            waiting_.assign(std::make_move_iterator(frames.begin()), std::make_move_iterator(frames.end()));
            continue;
        }
        const ReceivedFrame frame = std::move(waiting_.front());
        waiting_.pop_front();
        if (!frame.checkOk)
            continue;
        answering_ = true;
        Dispatch(frame);
        answering_ = false;
    }
}

// The frame comes back to the front of the queue and passes here again when
// the pause is over: it pauses once.
bool Machine::PausesBeforeReceived()
{
    const int number = receivedForUs_ + 1;
    const auto pause = config_.faults.pauseBeforeReceived.find(number);
    if (pause == config_.faults.pauseBeforeReceived.end() || pausedAtReceived_ == number)
        return false;
    pausedAtReceived_ = number;
    BeginPause(pause->second, "before received frame " + std::to_string(number));
    return true;
}

void Machine::PauseBeforeSent(int number)
{
    const auto pause = config_.faults.pauseBeforeSent.find(number);
    if (pause != config_.faults.pauseBeforeSent.end())
        BeginPause(pause->second, "before sent frame " + std::to_string(number));
    // A late answer is one to a frame of the PC, not a resend on a timer,
    // and an answer that waits for a pause is late already.
    if (!rough_ || !answering_ || Paused())
        return;
    if (const auto late = rough_->LateAnswer()) {
        pausedUntil_ = now_ + *late;
        ++stats_.lateAnswers;
        Log("fault: sent frame " + std::to_string(number) + " held back " + Ms(*late));
    }
}

void Machine::AtDataBlock()
{
    if (!rough_)
        return;
    if (const auto pause = rough_->PauseAtBlock())
        BeginPause(*pause, "at a data block");
}

void Machine::Put(std::span<const std::uint8_t> bytes)
{
    link::Bytes& to = Paused() ? heldOutput_ : output_;
    to.insert(to.end(), bytes.begin(), bytes.end());
}

} // namespace tavelin::sim
