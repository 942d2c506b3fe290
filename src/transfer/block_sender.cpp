// SPDX-License-Identifier: MIT
#include "block_sender.h"

#include "exchange.h"
#include "frame_fields.h"

#include <algorithm>
#include <array>
#include <span>

namespace tavelin::transfer {

namespace {

constexpr int kMaxResends = 20; // a block goes out at most 21 times

// The next block, or an empty span when the file gave fewer bytes than due.
std::span<const std::uint8_t> ReadBlock(std::istream& file, std::int64_t remaining,
                                        std::array<std::uint8_t, kBlockSize>& buffer)
{
    const auto want = static_cast<std::streamsize>(std::min<std::int64_t>(remaining, kBlockSize));
    file.read(reinterpret_cast<char*>(buffer.data()), want);
    if (file.gcount() != want)
        return {};
    return {buffer.data(), static_cast<std::size_t>(want)};
}

void RefuseFile(link::Link& link, int seq) { link::SendFrame(link, "R", seq, "F"); }

enum class Reply { Acknowledged, Refused, Ended, Failed, Stale, Stopped };

// An acknowledgement of the block before this one is a late or doubled
// answer: a hand-held that paused answers a block and its resend alike.
// Taking it for a failed attempt would send the next block twice, and the
// hand-held would answer both, for the rest of the file.
Reply ClassifyReply(int rc, const std::string& frame, int seq, bool afterABlock)
{
    if (rc != 0)
        return Reply::Failed;
    switch (FrameKind(frame)) {
    case 'A': {
        if (FirstDataChar(frame) != link::ACK)
            return Reply::Failed;
        const int digit = FrameDigit(frame);
        if (digit == seq)
            return Reply::Acknowledged;
        return afterABlock && digit == (seq + 9) % 10 ? Reply::Stale : Reply::Failed;
    }
    case 'R': return Reply::Refused;
    case 'E': return Reply::Ended;
    default: return Reply::Failed;
    }
}

// The answer to the block just sent, past any that belong to the one before.
Reply AwaitAnswer(link::Link& link, std::string& frame, int seq, bool afterABlock)
{
    link::ReplyWait wait(link);
    for (;;) {
        const int rc = wait.Receive(frame);
        if (StopRequested(link))
            return Reply::Stopped;
        const Reply reply = ClassifyReply(rc, frame, seq, afterABlock);
        if (reply != Reply::Stale)
            return reply;
        wait.PassOver(frame.size());
    }
}

} // namespace

BlockOutcome SendBlocks(link::Link& link, std::istream& file, std::int64_t length, ProgressIndicator& progress,
                        BlockCounters& counters, bool discardOnStop)
{
    std::array<std::uint8_t, kBlockSize> buffer{};
    counters.seq = 0;
    std::span<const std::uint8_t> block = ReadBlock(file, length, buffer);
    if (block.empty()) {
        RefuseFile(link, counters.seq);
        return {BlockEnd::ReadFailed};
    }
    progress.SetMin(0);
    progress.SetMax(length);
    progress.SetValue(0);
    progress.SetVisible(true);
    counters.attempts = 0;
    std::int64_t position = 0;
    std::string frame;
    for (;;) {
        link::SendFrameBin(link, "D", counters.seq, block);
        switch (AwaitAnswer(link, frame, counters.seq, position > 0)) {
        case Reply::Stopped:
            if (discardOnStop)
                link.port.DiscardInput();
            SendChar(link, "E", counters.seq, link::CAN);
            ClearStop(link);
            return {BlockEnd::Stopped};
        case Reply::Refused: return {BlockEnd::Refused, FirstDataChar(frame)};
        case Reply::Ended: return {BlockEnd::HhtEnded};
        case Reply::Failed:
        case Reply::Stale:
            if (++counters.attempts > kMaxResends)
                return {BlockEnd::NotAcknowledged};
            continue;
        case Reply::Acknowledged: break;
        }
        position += static_cast<std::int64_t>(block.size());
        progress.SetValue(position);
        if (position >= length)
            return {BlockEnd::AllAcknowledged};
        block = ReadBlock(file, length - position, buffer);
        if (block.empty()) {
            RefuseFile(link, counters.seq);
            return {BlockEnd::ReadFailed};
        }
        counters.seq = (counters.seq + 1) % 10;
        counters.attempts = 0;
    }
}

bool RefusedAfterLastBlock(link::Link& link)
{
    std::string frame;
    if (link::RecvFrame(link, frame) == 0 && FrameKind(frame) == 'R')
        return true;
    SendChar(link, "E", 0, link::EOT);
    return false;
}

} // namespace tavelin::transfer
