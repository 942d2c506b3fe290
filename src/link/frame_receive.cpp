// SPDX-License-Identifier: MIT
// Receiving one frame: hunt for STX, re-synchronise on a damaged header,
// check ETX, then validate the check character and the ID.
#include "frame.h"

#include "settings/end_param.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace tavelin::link {

namespace {

constexpr std::size_t kHeaderBody = kFrameHeaderSize - 1; // kind, ID, sequence, length

bool IsDigit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

bool IsHeader(const Bytes& body)
{
    return body.size() == kHeaderBody && body[0] >= 'A' && body[0] <= 'Z'
        && std::all_of(body.begin() + 1, body.end(), IsDigit);
}

std::size_t DataLength(const Bytes& body)
{
    std::size_t length = 0;
    for (std::size_t i = 5; i < kHeaderBody; ++i)
        length = length * 10 + (body[i] - '0');
    return length;
}

class FrameReceiver {
public:
    // since: when the wait for this reply began (now, for a plain receive).
    FrameReceiver(Link& link, Clock::time_point since)
        : link_(link), start_(since), huntLimit_(start_ + ReceiveLimit(link)), limit_(huntLimit_)
    {
    }

    // kOk or kFailed with the whole frame in `frame`, or kTimedOut.
    int Receive(Bytes& frame);

private:
    bool HuntByte(std::uint8_t& byte);
    bool NextByte(std::uint8_t& byte, bool hunting);
    bool Take(std::size_t count, Bytes& out, bool hunting = false);
    ReadResult ReadWithinLimit(std::size_t count, Bytes& out, bool hunting);
    int TimedOut();

    Link& link_;
    const Clock::time_point start_;
    // No header yet: InTimeout and an empty frame's line time from the start.
    const Clock::time_point huntLimit_;
    // That, or the same with the line time of the frame whose header came.
    Clock::time_point limit_;
    // Bytes already read that belong to the stream again: a rejected header
    // is hunted over once more, so a real frame hiding in it is not lost.
    // Few and taken from the front: a vector holds them without the
    // allocations a deque makes as soon as it exists.
    Bytes pending_;
    // Bytes were passed over before the frame: noise, or a damaged frame.
    bool skipped_ = false;
    // Past the limit: how many of the bytes that had arrived by then may
    // still be hunted through.
    std::optional<std::size_t> lateBytes_;
    // Buffers kept over the byte-by-byte hunt, so no byte costs an allocation.
    Bytes one_;
    Bytes rest_;
};

int FrameReceiver::TimedOut()
{
    const auto now = link_.pump.Now();
    link_.watchers.TimedOut(now, link_.port, std::chrono::duration_cast<Millis>(now - start_).count());
    link_.state.flags.RxTimedOut = settings::kFalse;
    return kTimedOut;
}

// One byte of the hunt for STX. Once the limit has passed, only the bytes
// that had arrived by then are still looked at: an answer that came in time
// is not lost because the program was busy when the limit fell, and endless
// noise still cannot keep the hunt going.
bool FrameReceiver::HuntByte(std::uint8_t& byte)
{
    if (link_.pump.Now() >= limit_) {
        if (!lateBytes_)
            lateBytes_ = pending_.size() + link_.port.InBufferCount();
        if (*lateBytes_ == 0)
            return false;
    }
    return NextByte(byte, true);
}

// One byte of the hunt or of the header: the receiver lets events run first
// when nothing is buffered, and looks at the stop-request file after each.
bool FrameReceiver::NextByte(std::uint8_t& byte, bool hunting)
{
    if (pending_.empty() && link_.port.InBufferCount() == 0)
        link_.pump.YieldOnce();
    const bool ok = Take(1, one_, hunting);
    settings::ReadEndParam(link_.state);
    if (!ok)
        return false;
    byte = one_[0];
    return true;
}

// Takes `count` bytes of the stream, pending ones first. False on a read
// time-out (which raises RxTimedOut).
bool FrameReceiver::Take(std::size_t count, Bytes& out, bool hunting)
{
    if (lateBytes_) // every byte taken past the limit, hunted or not, uses up the allowance
        *lateBytes_ -= std::min(*lateBytes_, count);
    const std::size_t fromPending = std::min(count, pending_.size());
    out.assign(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(fromPending));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(fromPending));
    if (out.size() == count)
        return true;
    if (ReadWithinLimit(count - out.size(), rest_, hunting) == ReadResult::TimedOut) {
        link_.state.flags.RxTimedOut = settings::kTrue;
        return false;
    }
    out.insert(out.end(), rest_.begin(), rest_.end());
    return out.size() == count;
}

// A port read waits InTimeout; here it waits no later than the limit, so that
// a receive never outlasts its allowance. A read in the hunt still waits no
// longer than InTimeout; one inside a frame may wait for the rest of it, which
// at a low speed can take longer than InTimeout. After the limit a read takes
// only what has already arrived.
ReadResult FrameReceiver::ReadWithinLimit(std::size_t count, Bytes& out, bool hunting)
{
    SerialPort& port = link_.port;
    const int inTimeout = port.InTimeout();
    long long wait = std::chrono::ceil<Millis>(limit_ - link_.pump.Now()).count();
    if (hunting)
        wait = std::min<long long>(wait, inTimeout);
    port.SetInTimeout(static_cast<int>(std::clamp<long long>(wait, 0, INT_MAX)));
    const ReadResult result = port.Read(count, out);
    port.SetInTimeout(inTimeout);
    return result;
}

int FrameReceiver::Receive(Bytes& frame)
{
    for (;;) { // restart point
        limit_ = huntLimit_;
        if (!lateBytes_) // past the limit, waiting would only let more noise in
            WaitSec(link_.pump, 0.002);
        Bytes body;
        for (bool accepted = false; !accepted;) {
            std::uint8_t byte = 0;
            if (!HuntByte(byte))
                return TimedOut();
            if (byte != STX) {
                skipped_ = true;
                continue;
            }
            if (!Take(kHeaderBody - 1, body) || !NextByte(byte, false))
                return TimedOut();
            body.push_back(byte);
            accepted = IsHeader(body);
            if (!accepted) { // hunt again from the byte after this STX
                pending_.insert(pending_.begin(), body.begin(), body.end());
                skipped_ = true;
            }
        }
        const std::size_t length = DataLength(body);
        limit_ = start_ + ReceiveLimit(link_, length);
        Bytes rest; // data, ETX, check character
        if (!Take(length + 2, rest))
            return TimedOut();
        if (rest[length] != ETX) {
            skipped_ = true;
            continue; // not a frame after all: hunt afresh
        }

        frame.clear();
        frame.reserve(kFrameOverhead + length);
        frame.push_back(STX);
        frame.insert(frame.end(), body.begin(), body.end());
        frame.insert(frame.end(), rest.begin(), rest.end());
        const bool bccOk = CalcBccBin(std::span(frame).subspan(1, frame.size() - 2)) == frame.back();
        const bool idOk = std::equal(body.begin() + 1, body.begin() + 4, link_.state.CurHhtId.begin(),
                                     link_.state.CurHhtId.end());
        const TraceResult result = !bccOk ? TraceResult::BadCheck
            : !idOk                         ? TraceResult::WrongId
            : skipped_                      ? TraceResult::Resynchronised
                                            : TraceResult::Ok;
        link_.watchers.Received(link_.pump.Now(), link_.port, frame, result);
        return bccOk && idOk ? kOk : kFailed;
    }
}

int ReceiveText(Link& link, Clock::time_point since, std::string& frame)
{
    Bytes bytes;
    const int result = FrameReceiver(link, since).Receive(bytes);
    if (result != kTimedOut)
        frame.assign(bytes.begin(), bytes.end());
    return result;
}

int ReceiveBinary(Link& link, Clock::time_point since, std::string& header, Bytes& data)
{
    Bytes bytes;
    const int result = FrameReceiver(link, since).Receive(bytes);
    if (result != kTimedOut) {
        header.assign(bytes.begin(), bytes.begin() + kFrameHeaderSize);
        data.assign(bytes.begin() + kFrameHeaderSize, bytes.end() - 2);
    }
    return result;
}

} // namespace

int RecvFrame(Link& link, std::string& frame) { return ReceiveText(link, link.pump.Now(), frame); }

int RecvFrameBin(Link& link, std::string& header, Bytes& data)
{
    return ReceiveBinary(link, link.pump.Now(), header, data);
}

int ReplyWait::Receive(std::string& frame)
{
    if (passedOver_ > kMostPassedOver)
        return kTimedOut;
    return ReceiveText(link_, since_, frame);
}

int ReplyWait::ReceiveBin(std::string& header, Bytes& data)
{
    if (passedOver_ > kMostPassedOver)
        return kTimedOut;
    return ReceiveBinary(link_, since_, header, data);
}

void ReplyWait::PassOver(std::size_t frameBytes)
{
    ++passedOver_;
    since_ += LineTime(link_, frameBytes);
}

} // namespace tavelin::link
