// SPDX-License-Identifier: MIT
// The file list: a header with the file count and the free bytes, entry
// frames of several 19-character entries (name padded to 12, size in 7
// digits), and an end frame. The header carries digit 0 and the entry frames
// 1, 2, ... 9, 0, 1, ..., so that each differs from the one before.
//
// The PC acknowledges the header and every entry frame but not the end frame.
// A PC whose acknowledgement of the header is lost waits for entries, while
// one that missed the header asks for the list again; so silence after the
// header is taken as a lost acknowledgement and the entries follow, and a new
// "F" simply starts the list again.
#include "exchange.h"

#include "link/frame.h"

#include <algorithm>

namespace tavelin::sim {

namespace {

class ListExchange final : public Exchange {
public:
    explicit ListExchange(ExchangeContext& ctx) : ctx_(ctx) {}

    void Start() override
    {
        files_ = ctx_.Unit().store.List();
        const std::int64_t free = ctx_.Unit().store.FreeBytes(ctx_.Config().freeSpace);
        const auto count = std::min<std::int64_t>(static_cast<std::int64_t>(files_.size()), 999);
        const std::string header = Digits(count, 3) + Digits(free, 7);
        pending_.Send(ctx_, 'D', 0, link::Bytes(header.begin(), header.end()));
    }

    bool OnFrame(const ReceivedFrame& frame) override
    {
        if (frame.kind == 'A' && frame.DataIs(link::ACK) && frame.digit == pending_.Digit()) {
            Acknowledged();
            return true;
        }
        if (frame.kind == 'A' && frame.DataIs(ENQ)) {
            Resend();
            return true;
        }
        if (frame.kind == 'A')
            return true; // an acknowledgement of another frame: the timer resends
        if (frame.kind == 'R' || frame.kind == 'E') {
            ctx_.Log("list: ended by the PC after " + std::to_string(sentEntries_) + " entries");
            End();
            return true;
        }
        return false;
    }

    void OnTimer() override
    {
        if (next_ == 0) { // the header: see the note at the top
            ++ctx_.Counters().assumedAcks;
            return SendEntries();
        }
        Resend();
    }

private:
    void Acknowledged()
    {
        if (next_ > 0 && ShouldRepeat()) {
            ctx_.Log("fault: entry frame " + std::to_string(ordinal_) + " sent again after its acknowledgement");
            return Resend();
        }
        SendEntries();
    }

    bool ShouldRepeat()
    {
        if (repeated_ || !ctx_.Config().faults.repeatBlock.contains(ordinal_))
            return false;
        repeated_ = true;
        return true;
    }

    void SendEntries()
    {
        const std::size_t perFrame = static_cast<std::size_t>(std::clamp(ctx_.Config().listEntriesPerFrame, 1, 26));
        if (sentEntries_ >= files_.size()) {
            ctx_.SendByte('E', 0, link::EOT); // not acknowledged by the PC
            ctx_.Log("list: " + std::to_string(files_.size()) + " files");
            return End();
        }
        std::string text;
        const std::size_t end = std::min(files_.size(), sentEntries_ + perFrame);
        for (std::size_t i = sentEntries_; i < end; ++i)
            text += Padded(files_[i].name, 12) + Digits(files_[i].size, 7);
        sentEntries_ = end;
        ++next_;
        ordinal_ = ++ctx_.Counters().dataFramesSent;
        repeated_ = false;
        pending_.Send(ctx_, 'D', next_ % 10, link::Bytes(text.begin(), text.end()));
    }

    void Resend()
    {
        if (!pending_.Resend(ctx_)) {
            ctx_.Log("list: given up, no acknowledgement");
            End();
        }
    }

    void End()
    {
        ctx_.Disarm();
        Finish();
    }

    ExchangeContext& ctx_;
    std::vector<StoredFile> files_;
    PendingFrame pending_;
    std::size_t sentEntries_ = 0;
    int next_ = 0;     // entry frames sent so far
    int ordinal_ = 0;  // number of the current entry frame among all data frames
    bool repeated_ = false;
};

} // namespace

std::unique_ptr<Exchange> MakeListExchange(ExchangeContext& ctx) { return std::make_unique<ListExchange>(ctx); }

} // namespace tavelin::sim
