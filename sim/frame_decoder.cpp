// SPDX-License-Identifier: MIT
#include "frame_decoder.h"

#include "link/frame.h"

namespace tavelin::sim {

namespace {

constexpr std::size_t kHeader = link::kFrameHeaderSize; // STX through the length digits

bool IsDigit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

std::size_t DigitsValue(const link::Bytes& bytes, std::size_t from, std::size_t count)
{
    std::size_t value = 0;
    for (std::size_t i = from; i < from + count; ++i)
        value = value * 10 + (bytes[i] - '0');
    return value;
}

} // namespace

void FrameDecoder::Feed(std::span<const std::uint8_t> bytes, Stats& stats, std::vector<ReceivedFrame>& out)
{
    for (const std::uint8_t byte : bytes) {
        Take(byte, stats, out);
        while (!replay_.empty()) {
            const std::uint8_t again = replay_.front();
            replay_.pop_front();
            Take(again, stats, out);
        }
    }
}

void FrameDecoder::Take(std::uint8_t byte, Stats& stats, std::vector<ReceivedFrame>& out)
{
    if (frame_.empty()) {
        if (byte == link::STX)
            frame_.push_back(byte);
        else
            ++stats.strayBytes;
        return;
    }
    frame_.push_back(byte);
    const std::size_t at = frame_.size() - 1;
    // Each header byte is judged as it comes, so a second STX right after
    // the first restarts the frame at once.
    if (at == 1 && !(byte >= 'A' && byte <= 'Z')) {
        ++stats.layoutViolations;
        return Resync();
    }
    if (at >= 2 && at < kHeader && !IsDigit(byte)) {
        ++stats.layoutViolations;
        return Resync();
    }
    if (at == kHeader - 1) {
        const std::size_t length = DigitsValue(frame_, 6, 4);
        if (length > kMaxDataPerFrame) {
            ++stats.lengthViolations;
            return Resync();
        }
        expected_ = length + link::kFrameOverhead;
        return;
    }
    if (at >= kHeader && frame_.size() == expected_)
        Finish(stats, out);
}

// Gives back every byte after the failed STX, so a frame that began inside
// the damaged one is still found.
void FrameDecoder::Resync()
{
    replay_.insert(replay_.begin(), frame_.begin() + 1, frame_.end());
    frame_.clear();
    expected_ = 0;
}

void FrameDecoder::Finish(Stats& stats, std::vector<ReceivedFrame>& out)
{
    const std::size_t length = expected_ - link::kFrameOverhead;
    if (frame_[kHeader + length] != link::ETX) {
        ++stats.etxViolations;
        return Resync();
    }
    ReceivedFrame frame;
    frame.kind = static_cast<char>(frame_[1]);
    frame.id.assign(frame_.begin() + 2, frame_.begin() + 5);
    frame.digit = frame_[5] - '0';
    frame.data.assign(frame_.begin() + kHeader, frame_.begin() + static_cast<std::ptrdiff_t>(kHeader + length));
    const std::span<const std::uint8_t> checked(frame_.data() + 1, kHeader + length);
    frame.checkOk = link::CalcBccBin(checked) == frame_.back();
    if (!frame.checkOk)
        ++stats.bccViolations;
    else
        ++stats.framesReceived;
    frame_.clear();
    expected_ = 0;
    out.push_back(std::move(frame));
}

} // namespace tavelin::sim
