// SPDX-License-Identifier: MIT
#include "memory_port.h"

namespace tavelin::link {

void MemoryPort::SetCommPort(int number)
{
    commPort_ = number;
    calls_.push_back("CommPort " + std::to_string(number));
}

void MemoryPort::SetSettings(const std::string& text)
{
    settings_ = text;
    calls_.push_back("Settings " + text);
}

OpenResult MemoryPort::Open()
{
    calls_.push_back("Open");
    if (pump_.Now() < absentUntil_)
        return {OpenError::NotFound, "no such device"};
    OpenResult result = std::exchange(nextOpen_, OpenResult{});
    open_ = result.Ok();
    lost_ = false;
    return result;
}

void MemoryPort::Vanish(Clock::duration away)
{
    absentUntil_ = pump_.Now() + away;
    lost_ = true;
    open_ = false;
    ClearInput();
}

void MemoryPort::Close()
{
    calls_.push_back("Close");
    open_ = false;
}

void MemoryPort::SetDtr(bool on) { calls_.push_back(on ? "DTR 1" : "DTR 0"); }
void MemoryPort::SetRts(bool on) { calls_.push_back(on ? "RTS 1" : "RTS 0"); }

Clock::duration MemoryPort::LineTime(std::size_t bytes) const
{
    if (baud_ <= 0)
        return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 * double(bytes) / baud_));
}

ReadResult MemoryPort::Read(std::size_t count, Bytes& out)
{
    if (lost_)
        return ReadResult::TimedOut;
    const auto deadline = pump_.Now() + Millis(inTimeout_);
    if (!pump_.RunUntil(deadline, [&] { return lost_ || InBufferCount() >= count; }) || lost_)
        return ReadResult::TimedOut;
    const auto from = input_.begin() + static_cast<std::ptrdiff_t>(inputRead_);
    out.assign(from, from + static_cast<std::ptrdiff_t>(count));
    inputRead_ += count;
    if (inputRead_ == input_.size())
        ClearInput();
    else if (inputRead_ >= 4096 && inputRead_ * 2 >= input_.size()) {
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(inputRead_));
        inputRead_ = 0;
    }
    return ReadResult::Ok;
}

void MemoryPort::Write(std::span<const std::uint8_t> bytes)
{
    if (lost_)
        return;
    written_.insert(written_.end(), bytes.begin(), bytes.end());
    outLineFreeAt_ = std::max(outLineFreeAt_, pump_.Now()) + LineTime(bytes.size());
    Bytes copy(bytes.begin(), bytes.end());
    pump_.Schedule(outLineFreeAt_, [this, copy = std::move(copy)] {
        if (receiver_)
            receiver_(copy);
    });
}

std::size_t MemoryPort::OutBufferCount()
{
    if (baud_ <= 0 || outLineFreeAt_ <= pump_.Now())
        return 0;
    const double seconds = std::chrono::duration<double>(outLineFreeAt_ - pump_.Now()).count();
    return static_cast<std::size_t>(seconds * baud_ / 10.0) + 1;
}

// On a paced line the bytes arrive as a UART hands them over, a FIFO's worth
// at a time, not all at the end of a long burst: the first of two frames
// sent back to back is there before the second has crossed the line.
void MemoryPort::SendFromPeer(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t kPiece = 64;
    const std::size_t piece = baud_ > 0 ? kPiece : std::max<std::size_t>(bytes.size(), 1);
    for (std::size_t from = 0; from < bytes.size(); from += piece) {
        const auto part = bytes.subspan(from, std::min(piece, bytes.size() - from));
        inLineFreeAt_ = std::max(inLineFreeAt_, pump_.Now()) + LineTime(part.size());
        pump_.Schedule(inLineFreeAt_, [this, copy = Bytes(part.begin(), part.end())] {
            if (!lost_)
                input_.insert(input_.end(), copy.begin(), copy.end());
        });
    }
}

void MemoryPort::ArriveFromPeer(std::span<const std::uint8_t> bytes)
{
    if (!lost_)
        input_.insert(input_.end(), bytes.begin(), bytes.end());
}

} // namespace tavelin::link
