// SPDX-License-Identifier: MIT
#include "tty_low_latency.h"

namespace tavelin::link {

void LowLatencyRequest::Ask(int fd)
{
    setHere_ = false;
    const auto flags = tty_.ReadFlags(fd);
    if (!flags || (*flags & kLowLatencyFlag) != 0)
        return;
    setHere_ = tty_.WriteFlags(fd, *flags | kLowLatencyFlag);
}

// The flags are read again: only the one the program set is taken back.
void LowLatencyRequest::GiveBack(int fd)
{
    if (!setHere_)
        return;
    setHere_ = false;
    if (const auto flags = tty_.ReadFlags(fd); flags && (*flags & kLowLatencyFlag) != 0)
        tty_.WriteFlags(fd, *flags & ~kLowLatencyFlag);
}

} // namespace tavelin::link
