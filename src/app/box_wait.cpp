// SPDX-License-Identifier: MIT
#include "box_wait.h"

#include <charconv>

namespace tavelin::app {

namespace {

std::chrono::milliseconds BatchBound(const std::string& shorterBound)
{
    long long ms = 0;
    const char* end = shorterBound.data() + shorterBound.size();
    const auto [at, error] = std::from_chars(shorterBound.data(), end, ms);
    if (error != std::errc() || at != end || ms <= 0 || ms >= kBatchBoxBound.count())
        return kBatchBoxBound;
    return std::chrono::milliseconds(ms);
}

} // namespace

BoxWait ChooseBoxWait(bool screen, bool automatic, bool desktopSeen, const std::string& shorterBound)
{
    BoxWait wait;
    wait.show = screen && desktopSeen;
    if (automatic)
        wait.bound = BatchBound(shorterBound);
    return wait;
}

} // namespace tavelin::app
