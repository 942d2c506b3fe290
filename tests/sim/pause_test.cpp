// SPDX-License-Identifier: MIT
// A hand-held that pauses, answers twice and answers late, as the PC sees it.
#include "cli_options.h"
#include "sim_fixture.h"

namespace tavelin::sim::testing {
namespace {

using namespace std::chrono_literals;

const std::string kAck = Char(ACK), kEot = Char(EOT);
std::string Name12(std::string_view name) { return std::string(name) + std::string(12 - name.size(), ' '); }

// However the pause comes about, the second command's answer and the poll
// sent during the pause come at its end, in order.
struct Hold {
    const char* what;
    std::map<int, Millis> FaultOptions::*fault; // frame 2 paused before, or nullptr: Simulator::Pause
};

class HoldTest : public SimTest, public ::testing::WithParamInterface<Hold> {};

TEST_P(HoldTest, AnswersWhatCameMeanwhileInOrderWhenItEnds)
{
    if (GetParam().fault != nullptr)
        (config.faults.*GetParam().fault) = {{2, 800ms}};
    Start();
    Send('C', 0, "P");
    ASSERT_TRUE(Recv().Is('A', 0, kAck));
    const auto start = pump.Now();
    if (GetParam().fault == nullptr)
        sim->Pause(800ms);
    Send('C', 0, "E" + Name12("NONE.DAT"));
    pump.Advance(300ms);
    Send('C', 0, "P");
    pump.Advance(499ms);
    EXPECT_EQ(port.InBufferCount(), 0u);
    EXPECT_EQ(sim->NextDue(), start + 800ms);
    pump.Advance(1ms);
    EXPECT_TRUE(Recv(0).Is('R', 0, "F"));
    EXPECT_TRUE(Recv(0).Is('A', 0, kAck));
    EXPECT_EQ(stats().pauses, 1);
    EXPECT_EQ(stats().pausedMs, 800);
    EXPECT_EQ(stats().unexpectedFrames, 0);
}

INSTANTIATE_TEST_SUITE_P(Pauses, HoldTest,
                         ::testing::Values(Hold{"BeforeReceived", &FaultOptions::pauseBeforeReceived},
                                           Hold{"BeforeSent", &FaultOptions::pauseBeforeSent},
                                           Hold{"Asked", nullptr}),
                         [](const auto& info) { return std::string(info.param.what); });

// The list header is taken as acknowledged after a silent resend time (1 s);
// that timer waits for a pause that covers it, and one armed when the
// header goes out after a pause runs from the pause's end.
struct TimerCase {
    const char* what;
    Millis pauseBeforeHeader;   // FaultOptions::pauseBeforeSent {1: ...}
    Millis askAt, askFor;       // Simulator::Pause(askFor) this long after the command
};

class TimerTest : public SimTest, public ::testing::WithParamInterface<TimerCase> {};

TEST_P(TimerTest, EntriesFollowTheHeaderAtTheEndOfThePause)
{
    const TimerCase& row = GetParam();
    if (row.pauseBeforeHeader.count() > 0)
        config.faults.pauseBeforeSent = {{1, row.pauseBeforeHeader}};
    Start();
    Seed(1, "A.DAT", "a");
    const auto start = pump.Now();
    Send('C', 0, "F");
    pump.Advance(row.askAt);
    if (row.askFor.count() > 0)
        sim->Pause(row.askFor);
    pump.Advance(start + 1499ms - pump.Now());
    const std::size_t header = BuildFrame('D', "001", 0, B("0013999999")).size();
    EXPECT_EQ(port.InBufferCount(), header); // not acknowledged
    pump.Advance(1ms);
    EXPECT_GT(port.InBufferCount(), header);
    EXPECT_TRUE(Recv(0).Is('D', 0, "0013999999"));
    EXPECT_EQ(Recv(0).digit, 1); // the entries
}

INSTANTIATE_TEST_SUITE_P(Pauses, TimerTest,
                         ::testing::Values(TimerCase{"PauseOverTheResendTime", 0ms, 200ms, 1300ms},
                                           TimerCase{"PauseBeforeTheHeader", 500ms, 0ms, 0ms}),
                         [](const auto& info) { return std::string(info.param.what); });

// A PC whose request is answered late sends it again. The request is
// answered twice and the file still comes in once, although the set's
// request ("DATA.TXT...") begins with the letter of a command.
struct RepeatedRequest {
    const char* what;
    std::string opening; // answered "A"/ACK before the request
    std::string request;
};

class RepeatedRequestTest : public SimTest, public ::testing::WithParamInterface<RepeatedRequest> {};

TEST_P(RepeatedRequestTest, IsAnsweredAgainAndTheFileStoredOnce)
{
    const RepeatedRequest& row = GetParam();
    config.faults.pauseBeforeSent = {{row.opening.empty() ? 1 : 2, 800ms}};
    Start();
    if (!row.opening.empty()) {
        Send('C', 0, row.opening);
        ASSERT_TRUE(Recv().Is('A', 0, kAck));
    }
    Send('C', 0, row.request);
    EXPECT_EQ(Recv(500).rc, -3); // the PC's time-out
    Send('C', 0, row.request);
    EXPECT_TRUE(Recv().Is('A', 0, kAck));
    EXPECT_TRUE(Recv().Is('A', 0, kAck));
    Send('D', 0, "abc");
    EXPECT_TRUE(Recv().Is('A', 0, kAck));
    EXPECT_TRUE(Recv().Is('A', 0, kAck)); // stored
    Send('E', 0, kEot);
    if (!row.opening.empty())
        Send('D', 0, kEot);
    EXPECT_EQ(Recv().rc, -3);
    EXPECT_EQ(Stored(1, "DATA.TXT"), "abc");
    EXPECT_EQ(stats().filesStored, 1);
    EXPECT_EQ(stats().resends, 1);
    EXPECT_EQ(stats().unexpectedFrames, 0);
    EXPECT_EQ(stats().Violations(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Downloads, RepeatedRequestTest,
    ::testing::Values(RepeatedRequest{"OneFile", "", "D" + Name12("DATA.TXT") + "0000003"},
                      RepeatedRequest{"FileOfASet", "W001", Name12("DATA.TXT") + "0000003"}),
    [](const auto& info) { return std::string(info.param.what); });

// A download of one-byte blocks fed straight to the machine, each given time
// to be answered; every 50th block comes twice, as when its answer was lost.
struct RoughRun {
    Stats stats;
    Bytes heard;
    std::string stored;
};

RoughRun DownloadOverARoughLine(SimConfig config, std::uint32_t seed, int blocks)
{
    std::filesystem::remove_all(config.storeRoot);
    config.faults.rough = {true, seed};
    Simulator hht(config);
    Clock::time_point now{};
    RoughRun run;
    const auto put = [&](char kind, int digit, const std::string& data) {
        hht.Feed(BuildFrame(kind, "001", digit, B(data)), now);
        while (const auto due = hht.NextDue()) {
            if (*due > now + 2s)
                break; // the idle limit: the PC is not that slow
            now = std::max(now, *due);
            hht.Tick(now);
        }
        const Bytes out = hht.TakeOutput();
        run.heard.insert(run.heard.end(), out.begin(), out.end());
        now += 10ms;
    };
    std::string content;
    for (int i = 0; i < blocks; ++i)
        content += static_cast<char>('a' + i % 26);
    const std::string size = std::to_string(blocks);
    put('C', 0, "D" + Name12("ROUGH.DAT") + std::string(7 - size.size(), '0') + size);
    for (int i = 0; i < blocks; ++i) {
        put('D', i % 10, content.substr(std::size_t(i), 1));
        if (i % 50 == 49)
            put('D', i % 10, content.substr(std::size_t(i), 1));
    }
    put('E', 0, kEot);
    run.stats = hht.GetStats();
    std::ifstream in(hht.StoreOf(1) / "ROUGH.DAT", std::ios::binary);
    run.stored.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    run.stored = run.stored == content ? "whole" : "damaged";
    return run;
}

class RoughLineTest : public SimTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(RoughLineTest, IsTheSameForASeedAndRoughAtTheRatesAskedFor)
{
    constexpr int kBlocks = 5000;
    const RoughRun run = DownloadOverARoughLine(config, GetParam(), kBlocks);
    const RoughRun again = DownloadOverARoughLine(config, GetParam(), kBlocks);
    const RoughRun other = DownloadOverARoughLine(config, GetParam() + 1, kBlocks);
    EXPECT_EQ(run.stored, "whole");
    EXPECT_EQ(run.heard, again.heard);
    EXPECT_NE(run.heard, other.heard);

    const Stats& s = run.stats;
    EXPECT_EQ(s.dataFramesReceived, kBlocks + kBlocks / 50);
    EXPECT_EQ(s.repeatedBlocksReceived, kBlocks / 50);
    EXPECT_EQ(s.pauses, again.stats.pauses);
    EXPECT_EQ(s.pausedMs, again.stats.pausedMs);
    // one pause every 100-200 blocks taken, of 0.1-1.5 s
    EXPECT_GE(s.pauses, kBlocks / 200 - 1);
    EXPECT_LE(s.pauses, kBlocks / 100 + 1);
    EXPECT_GE(s.pausedMs, 100 * s.pauses);
    EXPECT_LE(s.pausedMs, 1500 * s.pauses);
    // about 1 in 250 of some 5,100 frames sent: 20 of each expected
    for (const int count : {s.doubledFrames, s.lateAnswers}) {
        EXPECT_GE(count, 6);
        EXPECT_LE(count, 40);
    }
    EXPECT_EQ(s.Violations(), 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RoughLineTest, ::testing::Values(1u, 20240u, 4294967294u));

TEST(PauseListOption, TakesFramesWithLengthsAndNothingElse)
{
    using Pauses = std::map<int, Millis>;
    EXPECT_EQ(ParsePauseList("3:700"), (Pauses{{3, 700ms}}));
    EXPECT_EQ(ParsePauseList("9:1,2:600000"), (Pauses{{2, 600000ms}, {9, 1ms}}));
    for (const char* wrong : {"", "3", "3:", ":700", "0:700", "3:0", "3:600001", "3:70x", "3:700,", "3:1,3:2",
                              "-1:5", "3:-5", "2147483648:1"})
        EXPECT_EQ(ParsePauseList(wrong), std::nullopt) << wrong;
}

} // namespace
} // namespace tavelin::sim::testing
