// SPDX-License-Identifier: MIT
// The hand-held's protocol machine without a transport: bytes in, bytes out,
// one timer. It answers the one-frame commands itself (poll, end, erase,
// rename) and hands the longer ones to an exchange; faults are applied to
// frames on their way out and in.
#pragma once

#include "exchange.h"
#include "frame_decoder.h"

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
    std::optional<link::Clock::time_point> NextDue() const { return due_; }
    link::Bytes TakeOutput() { return std::exchange(output_, {}); }
    void SetLogger(std::function<void(const std::string&)> logger) { logger_ = std::move(logger); }
    const Stats& GetStats() const { return stats_; }
    // After FaultOptions::closeAfterReceived: the transport closes its end of
    // the line, and the machine neither takes nor sends anything more.
    bool LineClosed() const { return lineClosed_; }
    std::filesystem::path StoreOf(int id) const;

    // ExchangeContext
    void Send(char kind, int digit, std::span<const std::uint8_t> data) override;
    void SendNoise(std::span<const std::uint8_t> bytes) override { output_.insert(output_.end(), bytes.begin(), bytes.end()); }
    void Arm(link::Clock::duration after) override { due_ = now_ + after; }
    void Disarm() override { due_.reset(); }
    void Log(const std::string& line) override;
    const SimConfig& Config() const override { return config_; }
    Stats& Counters() override { return stats_; }
    HhtUnit& Unit() override { return *unit_; }

private:
    void Dispatch(const ReceivedFrame& frame);
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
    // An erase or rename whose answer was lost comes again unchanged; the
    // answer is repeated rather than the command done twice.
    std::string lastCommand_;
    link::Bytes lastReply_;
    std::function<void(const std::string&)> logger_;
};

} // namespace tavelin::sim
