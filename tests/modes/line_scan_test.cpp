// SPDX-License-Identifier: MIT
// The line scan against the simulated hand-held on virtual time: the order
// of the settings, what is found at the hand-held's own speed only, every ID
// polled whatever the line does, the stops and what they leave, and the time
// the help text promises.
#include "modes/line_scan.h"
#include "support/link_rig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace tavelin::modes {
namespace {

struct Poll {
    int setting, id, result;
};

class RecordingProgress final : public ScanProgress {
public:
    void SettingBegins(const ScanSetting& setting, int index, int) override
    {
        begun.push_back(setting);
        current = index;
    }
    void SettingFailed(const ScanSetting&, link::PortSetupResult, const std::string&) override { ++failed; }
    void Polled(int id, int result) override
    {
        polls.push_back({current, id, result});
        if (onPoll)
            onPoll(polls.back());
    }
    void SettingEnds(const ScanFind&) override { ++ended; }

    // The last ID polled at a setting (0: none).
    int LastId(int setting) const
    {
        int last = 0;
        for (const Poll& p : polls)
            last = p.setting == setting ? p.id : last;
        return last;
    }

    std::vector<ScanSetting> begun;
    std::vector<Poll> polls;
    std::function<void(const Poll&)> onPoll;
    int current = -1, failed = 0, ended = 0;
};

// The rig's settings: 19200, N,8,1, RS-232C, 50 ms.
class LineScanTest : public ::testing::Test, public testing::LinkRig {
protected:
    LineScanTest() { state.CurHhtId = "042"; }
    void Hht(std::set<int> ids, int ownBaud, sim::MismatchAnswer mismatch = sim::MismatchAnswer::Garbled,
             sim::FaultOptions faults = {})
    {
        sim::SimConfig config;
        config.faults = std::move(faults);
        config.ids = std::move(ids);
        config.hhtBaud = ownBaud;
        config.mismatch = mismatch;
        AttachHandHelds(std::move(config));
    }
    double Seconds() const { return std::chrono::duration<double>(pump.Now().time_since_epoch()).count(); }

    RecordingProgress progress;
};

TEST_F(LineScanTest, PlanTriesTheKindsSpeedsSlowestFirstAndEverythingWithAll)
{
    const auto plan = ScanPlan(state.settings, false);
    std::vector<int> bauds;
    for (const auto& s : plan) {
        bauds.push_back(BaudOf(s));
        EXPECT_EQ(s.parityCode + s.dataBitsCode + s.stopBitsCode + s.portKindCode, "2100");
    }
    EXPECT_EQ(bauds, (std::vector<int>{4800, 9600, 19200, 38400, 57600, 115200}));
    state.settings.PortKindCode = "2"; // the modem-line adapter knows three speeds
    EXPECT_EQ(ScanPlan(state.settings, false).size(), 3u);
    // 6 + 5 + 3 + 5 speeds over the kinds, each with 12 framings.
    EXPECT_EQ(ScanPlan(state.settings, true).size(), 19u * 12u);
    EXPECT_EQ(SettingText(plan[3]), "38400 bit/s, N,8,1, RS-232C");
}

TEST_F(LineScanTest, FindsEveryIdOfARackAtTheOwnSpeedOnly)
{
    Hht({1, 7, 50, 128}, 38400); // cradles far apart in the range
    const auto plan = ScanPlan(state.settings, false);
    const ScanOutcome outcome = RunScan(link, plan, progress);

    EXPECT_EQ(outcome.end, ScanEnd::Complete);
    EXPECT_TRUE(outcome.left.Empty());
    ASSERT_EQ(outcome.found.size(), 1u);
    EXPECT_EQ(BaudOf(outcome.found[0].setting), 38400);
    EXPECT_EQ(outcome.found[0].ids, (std::vector<int>{1, 7, 50, 128}));
    EXPECT_EQ(progress.begun, plan);
    EXPECT_EQ(progress.ended, 6);
    EXPECT_EQ(progress.polls.size(), 6u * 128u);
    // At a wrong speed the answer arrives garbled, never as an answer.
    for (const Poll& p : progress.polls) {
        if (p.setting != 3) {
            EXPECT_NE(p.result, link::kOk) << p.setting << " " << p.id;
        }
    }
    // The record and the addressed ID are as before; the port is closed.
    EXPECT_EQ(state.settings.BaudCode, "2");
    EXPECT_EQ(state.CurHhtId, "042");
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(LineScanTest, NothingAnsweringTakesTheTimeTheTimeOutsSay)
{
    Hht({7}, 300, sim::MismatchAnswer::Silent); // a speed no plan tries
    const auto plan = ScanPlan(state.settings, false);
    const double start = Seconds();
    const ScanOutcome outcome = RunScan(link, plan, progress);
    const double took = Seconds() - start;

    EXPECT_EQ(outcome.end, ScanEnd::Complete);
    EXPECT_TRUE(outcome.found.empty());
    EXPECT_EQ(progress.polls.size(), 6u * 128u);
    const double promised = WorstCaseSeconds(plan, 50);
    EXPECT_NEAR(promised, 45.4, 0.1);
    EXPECT_LE(took, promised);
    EXPECT_GE(took, 6 * 128 * 0.050); // every silent ID costs its PollTimeout

}

// A paused hand-held, its answer sent late and so heard during the next
// ID's poll, and a PC busy while an answer arrives: each costs at most the
// IDs polled while it lasts, and no ID is taken for another.
TEST_F(LineScanTest, APauseALateAnswerOrABusyPcLosesOnlyTheIdsPolledMeanwhile)
{
    using namespace std::chrono_literals;
    sim::FaultOptions faults;
    faults.pauseBeforeSent[1] = 70ms; // 005's answer comes after its time-out
    Hht({5, 6, 9, 40, 41, 90}, 19200, sim::MismatchAnswer::Garbled, faults);
    progress.onPoll = [&](const Poll& p) {
        if (p.id == 8) // 009 answers while the PC draws a window
            pump.ScheduleAfter(10ms, [&] { pump.Busy(400ms); });
        if (p.id == 9)
            simulator->Pause(1s); // a loose cradle: the next IDs are silent
    };
    const auto plan = ScanPlan(state.settings, false);
    const ScanOutcome outcome = RunScan(link, {plan[2]}, progress);

    ASSERT_EQ(outcome.found.size(), 1u);
    EXPECT_EQ(outcome.found[0].ids, (std::vector<int>{6, 9, 40, 41, 90}));
    EXPECT_EQ(progress.LastId(0), 128);
    EXPECT_EQ(progress.polls.size(), 128u);
}

TEST_F(LineScanTest, StopsAfterThePollUnderWayAndSaysWhatWasLeft)
{
    Hht({100}, 4800);
    progress.onPoll = [&](const Poll& p) {
        if (p.setting == 1 && p.id == 3)
            state.flags.StopRequest = settings::kTrue;
    };
    const auto plan = ScanPlan(state.settings, false);
    const ScanOutcome outcome = RunScan(link, plan, progress);
    EXPECT_EQ(outcome.end, ScanEnd::Stopped);
    EXPECT_EQ(progress.begun.size(), 2u);
    EXPECT_EQ(progress.polls.back().id, 3);
    ASSERT_EQ(outcome.found.size(), 1u); // what was found before the stop stays
    EXPECT_EQ(outcome.found[0].ids, std::vector<int>{100});
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(LeftTexts(outcome.left), (std::vector<std::string>{"IDs 004-128 at 9600 bit/s, N,8,1, RS-232C",
                                                                 "4 settings from 19200 bit/s, N,8,1, RS-232C on"}));

    // Stopped after the last ID of a setting: that setting is whole.
    progress.onPoll = [&](const Poll& p) {
        if (p.setting == 4 && p.id == 128)
            state.flags.StopRequest = settings::kTrue;
    };
    state.flags.StopRequest = settings::kFalse;
    EXPECT_EQ(LeftTexts(RunScan(link, plan, progress).left),
              std::vector<std::string>{"the setting 115200 bit/s, N,8,1, RS-232C"});
}

TEST_F(LineScanTest, EndParamStopsOnlyWhenWatched)
{
    Hht({2}, 4800);
    work.Put("ENDPRM.DAT", "2");
    const auto plan = ScanPlan(state.settings, false);
    const ScanOutcome stopped = RunScan(link, plan, progress, {.watchEndParam = true});
    EXPECT_EQ(stopped.end, ScanEnd::Stopped);
    EXPECT_TRUE(progress.polls.empty());
    EXPECT_FALSE(stopped.left.partial);
    EXPECT_EQ(stopped.left.notBegun, plan);

    const ScanOutcome outcome = RunScan(link, {plan[0]}, progress);
    EXPECT_EQ(outcome.end, ScanEnd::Complete);
    ASSERT_EQ(outcome.found.size(), 1u);
    EXPECT_EQ(outcome.found[0].ids, std::vector<int>{2});
}

} // namespace
} // namespace tavelin::modes
