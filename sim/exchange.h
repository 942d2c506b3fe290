// SPDX-License-Identifier: MIT
// One exchange of the hand-held with the PC (a list, a download, an upload),
// and what it may use: the line to the PC, a timer, the addressed ID's files
// and the simulator's options and counters. The machine feeds an exchange the
// frames of its ID and ends it when it is over or a new command arrives.
#pragma once

#include "frame_decoder.h"
#include "hht_store.h"
#include "sim_config.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tavelin::sim {

constexpr std::uint8_t ENQ = 0x05;

// The state kept for one answered ID while the simulator runs.
struct HhtUnit {
    int id = 0;
    std::string text; // "001"
    HhtStore store;
    int filesStored = 0;
};

class ExchangeContext {
public:
    virtual ~ExchangeContext() = default;
    virtual void Send(char kind, int digit, std::span<const std::uint8_t> data) = 0;
    virtual void SendNoise(std::span<const std::uint8_t> bytes) = 0; // bytes outside any frame
    virtual void Arm(link::Clock::duration after) = 0;
    virtual void Disarm() = 0;
    // A download block was taken and is about to be answered, or an upload
    // block is about to go out for the first time: where a rough line pauses.
    virtual void AtDataBlock() = 0;
    virtual void Log(const std::string& line) = 0; // the ID is put in front
    virtual const SimConfig& Config() const = 0;
    virtual Stats& Counters() = 0;
    virtual HhtUnit& Unit() = 0;

    void SendText(char kind, int digit, std::string_view text)
    {
        Send(kind, digit, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    void SendByte(char kind, int digit, std::uint8_t byte) { Send(kind, digit, std::span(&byte, 1)); }
};

// A frame that waits for the PC's answer and goes out again when the answer
// does not come in time.
class PendingFrame {
public:
    void Send(ExchangeContext& ctx, char kind, int digit, link::Bytes data)
    {
        kind_ = kind;
        digit_ = digit;
        data_ = std::move(data);
        resends_ = 0;
        Put(ctx);
    }
    // False when the resend budget is spent.
    bool Resend(ExchangeContext& ctx)
    {
        if (resends_ >= ctx.Config().maxResends)
            return false;
        ++resends_;
        ++ctx.Counters().resends;
        Put(ctx);
        return true;
    }
    int Digit() const { return digit_; }

private:
    void Put(ExchangeContext& ctx)
    {
        ctx.Send(kind_, digit_, data_);
        ctx.Arm(ctx.Config().resendAfter);
    }

    char kind_ = 0;
    int digit_ = 0;
    link::Bytes data_;
    int resends_ = 0;
};

class Exchange {
public:
    virtual ~Exchange() = default;
    virtual void Start() = 0;
    // A frame of this exchange's ID; false when it has no place in the exchange.
    virtual bool OnFrame(const ReceivedFrame& frame) = 0;
    // True for a command frame that belongs to this exchange (a file of a set).
    virtual bool TakesCommand(const ReceivedFrame&) const { return false; }
    virtual void OnTimer() = 0;
    bool Over() const { return over_; }

protected:
    void Finish() { over_ = true; }

private:
    bool over_ = false;
};

// Fields of a command's text: a space-padded name, a decimal number read as
// the PC reads one (leading spaces skipped, up to the first non-digit).
std::string NameField(std::string_view text, std::size_t from, std::size_t length);
std::int64_t NumberField(std::string_view text, std::size_t from);
std::string Padded(std::string_view name, std::size_t width);
std::string Digits(std::int64_t value, int width);

std::unique_ptr<Exchange> MakeListExchange(ExchangeContext& ctx);
std::unique_ptr<Exchange> MakeDownloadExchange(ExchangeContext& ctx, const ReceivedFrame& command);
std::unique_ptr<Exchange> MakeSetDownloadExchange(ExchangeContext& ctx, const ReceivedFrame& command);
std::unique_ptr<Exchange> MakeUploadAllExchange(ExchangeContext& ctx);
std::unique_ptr<Exchange> MakeUploadOneExchange(ExchangeContext& ctx, const ReceivedFrame& command);

} // namespace tavelin::sim
