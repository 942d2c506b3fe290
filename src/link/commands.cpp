// SPDX-License-Identifier: MIT
#include "commands.h"

namespace tavelin::link {

namespace {

// Every command starts the same way: its own read time-out, and stale input
// dropped so that an old answer is never taken for the new one.
void PrepareCommand(Link& link, int inTimeoutMs)
{
    link.port.SetInTimeout(inTimeoutMs);
    link.port.DiscardInput();
}

} // namespace

int ReceiveAnswer(Link& link, std::string& frame)
{
    ReplyWait wait(link);
    for (;;) {
        const int received = wait.Receive(frame);
        const std::string kind = FrameChar(frame, 2);
        if (received != kOk || (kind != "D" && kind != "E"))
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
