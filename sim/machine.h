// SPDX-License-Identifier: MIT
// The hand-held's protocol machine without a transport: bytes in, bytes out,
// one timer. It answers the one-frame commands itself (poll, end, erase,
// rename) and hands the longer ones to an exchange; faults are applied to
// frames on their way out and in.
//
// The hand-held can pause (machine_pause.cpp): it then takes nothing off the
// line, acts on nothing and sends nothing until the pause is over, when it
// sends what it held, acts on what came meanwhile in order and runs the
// timers that fell due.
#pragma once

#include "exchange.h"
#include "frame_decoder.h"
#include "rough_line.h"

#include <deque>
#include <functional>
#include <utility>
#include <map>
#include <optional>

namespace tavelin::sim {

class Machine final : public ExchangeContext {
public:
    explicit Machine(SimConfig config);

    void Feed(std::span<const std::uint8_t> bytes, link::Clock::time_point now);
    void Tick(link::Clock::time_point now);
    // During a pause, its end: nothing else happens before it.
    std::optional<link::Clock::time_point> NextDue() const { return pausedUntil_ ? pausedUntil_ : due_; }
    // Pauses the hand-held for `length` from `now`, or after the pause under way.
    void Pause(link::Clock::time_point now, link::Clock::duration length);
    link::Bytes TakeOutput() { return std::exchange(output_, {}); }
    void SetLogger(std::function<void(const std::string&)> logger) { logger_ = std::move(logger); }
    const Stats& GetStats() const { return stats_; }
    // After FaultOptions::closeAfterReceived: the transport closes its end of
    // the line, and the machine neither takes nor sends anything more.
    bool LineClosed() const { return lineClosed_; }
    // After FaultOptions::awayAfterReceived, once: how long the transport
    // leaves the line. The machine has given up its exchange and starts anew.
    std::optional<link::Clock::duration> TakeAway() { return std::exchange(away_, std::nullopt); }
    std::filesystem::path StoreOf(int id) const;

    // ExchangeContext
    void Send(char kind, int digit, std::span<const std::uint8_t> data) override;
    void SendNoise(std::span<const std::uint8_t> bytes) override { Put(bytes); }
    // A timer armed during a pause runs from its end, when the hand-held
    // does what it armed the timer for.
    void Arm(link::Clock::duration after) override { due_ = pausedUntil_.value_or(now_) + after; }
    void AtDataBlock() override;
    void Disarm() override { due_.reset(); }
    void Log(const std::string& line) override;
    const SimConfig& Config() const override { return config_; }
    Stats& Counters() override { return stats_; }
    HhtUnit& Unit() override { return *unit_; }

private:
    // machine_pause.cpp
    bool Paused() const { return pausedUntil_.has_value(); }
    void BeginPause(link::Clock::duration length, const std::string& where);
    void Advance(link::Clock::time_point now);
    void Drain();
    bool PausesBeforeReceived();
    void PauseBeforeSent(int number);
    void Put(std::span<const std::uint8_t> bytes);

    void RunTimer();
    void Dispatch(const ReceivedFrame& frame);
    void CloseLine();
    void LeaveLine();
    void DropExchange(); // what a line's end takes with it
    void Command(const ReceivedFrame& frame);
    void Erase(const std::string& text);
    void Rename(const std::string& text);
    void Reply(char kind, std::uint8_t byte);
    void Begin(std::unique_ptr<Exchange> exchange);
    void EndIfOver();

    SimConfig config_;
    std::map<std::string, HhtUnit> units_; // by ID text
    HhtUnit* unit_ = nullptr;               // the ID addressed by the last frame
    FrameDecoder decoder_;
    Stats stats_;
    link::Bytes output_;
    link::Clock::time_point now_{};
    std::optional<link::Clock::time_point> due_;
    std::unique_ptr<Exchange> exchange_;
    std::string exchangeId_;
    int receivedForUs_ = 0;
    bool lineClosed_ = false;
    std::optional<link::Clock::duration> away_;
    // An erase or rename whose answer was lost comes again unchanged; the
    // answer is repeated rather than the command done twice.
    std::string lastCommand_;
    std::pair<char, std::uint8_t> lastReply_{};

    std::optional<link::Clock::time_point> pausedUntil_;
    link::Bytes heldInput_;             // arrived during a pause, as a UART holds it
    link::Bytes heldOutput_;            // to go out when the pause is over
    std::deque<ReceivedFrame> waiting_; // taken off the line, not yet acted on
    int pausedAtReceived_ = 0;          // the received frame a pause was taken before
    bool answering_ = false;            // acting on a frame, not on a timer
    std::optional<RoughLineDraws> rough_;
    std::function<void(const std::string&)> logger_;
};

} // namespace tavelin::sim
