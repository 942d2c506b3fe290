// SPDX-License-Identifier: MIT
#include "commands.h"

#include <optional>

namespace tavelin::link {

namespace {

// Every command starts the same way: its own read time-out, and stale input
// dropped so that an old answer is never taken for the new one.
void PrepareCommand(Link& link, int inTimeoutMs)
{
    link.port.SetInTimeout(inTimeoutMs);
    link.port.DiscardInput();
}

// A frame with a good check character whose ID is not the one addressed.
bool FromAnotherId(const Link& link, const std::string& frame)
{
    if (frame.size() < kFrameOverhead || frame.compare(2, 3, link.state.CurHhtId) == 0)
        return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.data());
    return CalcBccBin(std::span(bytes + 1, frame.size() - 2)) == bytes[frame.size() - 1];
}

} // namespace

int ReceiveAnswer(Link& link, std::string& frame)
{
    ReplyWait wait(link);
    std::optional<std::string> another; // a frame from another ID, the answer if no other comes
    for (;;) {
        const int received = wait.Receive(frame);
        if (received == kTimedOut && another) {
            frame = *another;
            return kFailed;
        }
        const std::string kind = FrameChar(frame, 2);
        if (received == kFailed && FromAnotherId(link, frame))
            another = frame;
        else if (received != kOk || (kind != "D" && kind != "E"))
            return received;
        wait.PassOver(frame.size());
    }
}

int ConnectHht(Link& link)
{
    PrepareCommand(link, link.state.settings.PollTimeout);
    SendFrame(link, "C", 0, "P");
    std::string frame;
    const int received = ReceiveAnswer(link, frame);
    if (received == kTimedOut)
        return kTimedOut;
    if (received == kOk && FrameChar(frame, 2) == "A" && FrameChar(frame, 11) == std::string(1, char(ACK)))
        return kOk;
    return kFailed;
}

void EndSession(Link& link)
{
    PrepareCommand(link, link.state.settings.CommTimeout);
    SendFrame(link, "C", 0, "I");
}

} // namespace tavelin::link
