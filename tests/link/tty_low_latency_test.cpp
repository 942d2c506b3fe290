// SPDX-License-Identifier: MIT
// The driver's low-latency flag where there is nothing to ask or give back,
// through a fake terminal control (the whole round: qt_port_test.cpp).
#include "link/tty_low_latency.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavelin::link {
namespace {

constexpr int kOther = 0x0050; // flags of the driver's that must survive
constexpr int kFd = 7;

// A driver's serial flags, and the calls made on them.
class FakeTty final : public TtyControl {
public:
    std::optional<int> ReadFlags(int fd) override
    {
        calls.push_back("get " + std::to_string(fd));
        return flags;
    }
    bool WriteFlags(int fd, int value) override
    {
        calls.push_back("set " + std::to_string(fd) + " " + std::to_string(value));
        if (refuseWrites)
            return false;
        flags = value;
        return true;
    }
    std::optional<int> flags;
    bool refuseWrites = false;
    std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;
const std::string kGet = "get 7", kSetLow = "set 7 " + std::to_string(kOther | kLowLatencyFlag);

TEST(LowLatencyRequest, LeavesAloneWhatItDidNotChange)
{
    struct Row {
        const char* what;
        std::optional<int> flags;
        bool refuseWrites;
        Calls atOpen;
    } rows[] = {
        {"a pseudo-terminal has no serial settings", std::nullopt, false, {kGet}},
        {"the flag is set already", kOther | kLowLatencyFlag, false, {kGet}},
        {"the driver refuses the flag", kOther, true, {kGet, kSetLow}},
    };
    for (const Row& row : rows) {
        FakeTty tty;
        tty.flags = row.flags;
        tty.refuseWrites = row.refuseWrites;
        LowLatencyRequest request(tty);
        request.Ask(kFd);
        EXPECT_EQ(tty.calls, row.atOpen) << row.what;
        request.GiveBack(kFd);
        EXPECT_EQ(tty.calls, row.atOpen) << row.what << ": nothing to give back";
        EXPECT_EQ(tty.flags, row.flags) << row.what;
    }

    // Someone else cleared the flag while the port was open, or the device
    // went away: the close writes nothing.
    FakeTty tty;
    tty.flags = kOther;
    LowLatencyRequest request(tty);
    request.Ask(kFd);
    tty.flags = kOther;
    request.GiveBack(kFd);
    EXPECT_EQ(tty.calls, (Calls{kGet, kSetLow, kGet}));
    request.Ask(kFd);
    request.Forget();
    request.GiveBack(kFd);
    EXPECT_EQ(tty.calls.back(), kSetLow);
}

} // namespace
} // namespace tavelin::link
