// SPDX-License-Identifier: MIT
// The automatic cycle in-process: the link rig with simulated hand-helds, and
// a window stand-in that records what it is shown.
#include "app/startup.h"
#include "link/port_names.h"
#include "modes/auto_cycle.h"
#include "settings/codepage.h"
#include "settings/param_files.h"
#include "support/link_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>

namespace tavelin::modes {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class RecordingView final : public AutoView {
public:
    void SetMessage(std::string_view text) override
    {
        messages.emplace_back(text);
        if (onMessage)
            onMessage(text);
    }
    void SetEndButtonCaption(std::string_view text) override { captions.emplace_back(text); }
    settings::HistoryList* History() override { return &list; }
    transfer::ProgressIndicator& Progress() override { return progress; }
    void ShowMessageBox(std::string_view text) override { boxes.emplace_back(text); }
    void RequestUnload() override { ++unloads; }
    void LogLine(std::string_view line) override
    {
        log.emplace_back(line);
        if (onLog)
            onLog(line);
    }

    struct List final : settings::HistoryList {
        int Count() const override { return int(lines.size()); }
        void RemoveFirst() override { lines.pop_front(); }
        void Add(const std::string& line, bool) override { lines.push_back(line); }
        void SelectLast() override {}
        std::deque<std::string> lines;
    } list;
    transfer::NoProgress progress;
    std::vector<std::string> messages, captions, boxes, log;
    std::function<void(std::string_view)> onMessage, onLog; // a test's look at the moment
    int unloads = 0;
};

class AutoCycleTest : public ::testing::Test, public testing::LinkRig {
protected:
    AutoCycleTest()
    {
        auto& s = state.settings;
        s.PollInterval = 30;
        s.UploadMode = 1;
        s.HistoryMode = 2;
        s.AutoPollCount = 1;
        s.HhtIdOn.fill("0");
        fs::create_directories(work.Path() / "down");
        fs::create_directories(work.Path() / "up");
        s.DownDir = Dir("down");
        s.UpDir = Dir("up");
    }

    std::string Dir(const std::string& relative) const
    {
        return (work.Path() / relative).string() + char(fs::path::preferred_separator);
    }

    void Enable(std::initializer_list<int> ids)
    {
        for (int id : ids)
            state.settings.HhtIdOn[id - 1] = "1";
        app::InitPollRange(state);
    }

    // Starts the simulator, then the run, and ticks it to its end.
    bool Run(std::int16_t runMode, sim::SimConfig config, ManualSelection selection = {})
    {
        state.settings.RunMode = runMode;
        AttachHandHelds(std::move(config));
        cycle = std::make_unique<AutoCycle>(link, view, std::move(selection));
        const bool started = cycle->Start();
        while (!cycle->Ended() && ticks < 100000) {
            pump.Advance(30ms);
            cycle->Tick();
            ++ticks;
        }
        return started;
    }

    std::string Result() const
    {
        const std::string line = settings::Cp932ToUtf8(work.Get("RESULT.DAT"));
        return line.size() > 18 ? line.substr(18) : line;
    }
    std::string History() const { return settings::Cp932ToUtf8(work.Get("HISTORY.DAT")); }
    std::string Stored(int id, const std::string& name) const
    {
        return work.Get((fs::path("hht") / ("00" + std::to_string(id)) / name).string());
    }

    RecordingView view;
    std::unique_ptr<AutoCycle> cycle;
    int ticks = 0;
};

// Simulated hand-helds answering `ids`, on a line of `baud` bit/s (0: instant).
sim::SimConfig Hhts(std::set<int> ids, int baud = 0)
{
    sim::SimConfig config;
    config.ids = std::move(ids);
    config.lineBaud = baud;
    return config;
}

std::string Pattern(std::size_t size)
{
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = char(i * 7 + (i >> 9));
    return data;
}

TEST_F(AutoCycleTest, EveryAnsweringHandHeldIsServedEveryRound)
{
    work.Put("down/A.DAT", Pattern(1300));
    work.Put("down/B.DAT", "b");
    Enable({1, 2});
    state.settings.AutoPollCount = 3;
    ASSERT_TRUE(Run(2, Hhts({1, 2})));

    EXPECT_EQ(Result(), " 0 , 6 ,正常終了\r\n");
    EXPECT_EQ(Stored(1, "A.DAT"), Pattern(1300));
    EXPECT_EQ(Stored(2, "B.DAT"), "b");
    EXPECT_EQ(view.list.lines.size(), 12u);
    EXPECT_EQ(view.unloads, 1);
    EXPECT_EQ(view.messages.front(), "ハンディ［001］に接続しています");
    EXPECT_NE(std::find(view.captions.begin(), view.captions.end(), "中　断"), view.captions.end());
    EXPECT_EQ(view.captions.back(), "終　了");
    EXPECT_EQ(port.Calls().front(), "CommPort 1");
    EXPECT_EQ(simulator->GetStats().Violations(), 0);
}

TEST_F(AutoCycleTest, DisabledIdsCostNoTickAndSilentOnesNoHistory)
{
    work.Put("down/A.DAT", "a");
    Enable({5, 9});
    state.settings.AutoPollCount = 3;
    Run(2, Hhts({5}));
    EXPECT_EQ(ticks, 6); // 005, 009 three times
    EXPECT_EQ(Result(), " 0 , 3 ,正常終了\r\n");
    EXPECT_EQ(History().find("009"), std::string::npos);
    EXPECT_NE(History().find("005, 2 ,A.DAT, 1 , 0 ,正常終了"), std::string::npos);
}

TEST_F(AutoCycleTest, NoConfiguredIdEndsAtOnce)
{
    app::InitPollRange(state); // nothing enabled: -1 and 127
    EXPECT_FALSE(Run(2, Hhts({1})));
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(Result(), " 0 , 0 ,正常終了\r\n");
    EXPECT_EQ(view.unloads, 1);
}

TEST_F(AutoCycleTest, EndButtonStopsOnlyTheTransferUnderWay)
{
    work.Put("down/BIG.DAT", Pattern(20000));
    Enable({1, 2});
    // The operator presses End while hand-held 001 is being served.
    pump.ScheduleAfter(2s, [this] { state.flags.StopRequest = settings::kTrue; });
    Run(2, Hhts({1, 2}, 19200));
    EXPECT_NE(History().find("001, 2 ,BIG.DAT, 0 ,-2 ,中断"), std::string::npos) << History();
    EXPECT_EQ(Stored(2, "BIG.DAT"), Pattern(20000));
    EXPECT_EQ(Result(), " 0 , 2 ,正常終了\r\n");
}

TEST_F(AutoCycleTest, StopRequestFile)
{
    Enable({1});
    state.settings.AutoPollCount = 0; // only a request ends this run
    work.Put("ENDPRM.DAT", "2");
    Run(2, Hhts({1}));
    EXPECT_EQ(Result(), " 0 , 0 ,正常終了\r\n");
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(state.flags.QuitRequest, settings::kFalse);
    EXPECT_EQ(state.flags.StopRequest, settings::kFalse);
}

// ENDPRM.DAT there from the start is most likely left from an earlier stop:
// every run would end at once with a line of success and nothing served.
// The log says so; a request written while the run goes on is no leftover.
TEST_F(AutoCycleTest, StopRequestFoundAtTheStartIsSaid)
{
    Enable({1});
    state.settings.AutoPollCount = 0;
    const auto said = [this] {
        return std::count_if(view.log.begin(), view.log.end(), [](const std::string& line) {
            return line.find("ENDPRM.DAT (") != std::string::npos &&
                   line.ends_with(") was already there when the run began, so it ended at once and served no "
                                  "hand-held; remove the file before the next run");
        });
    };
    for (const char* request : {"1", "2"}) {
        work.Put("ENDPRM.DAT", request);
        cycle.reset();
        view.log.clear();
        Run(2, Hhts({1}));
        EXPECT_EQ(Result(), " 0 , 0 ,正常終了\r\n");
        EXPECT_EQ(said(), 1) << request;
    }
    fs::remove(work.Path() / "ENDPRM.DAT");
    cycle.reset();
    view.log.clear();
    pump.ScheduleAfter(100ms, [this] { work.Put("ENDPRM.DAT", "1"); });
    Run(2, Hhts({1}));
    EXPECT_NE(Result(), " 0 , 0 ,正常終了\r\n"); // served before the request came
    EXPECT_EQ(said(), 0);
}

TEST_F(AutoCycleTest, TickDuringAnExchangeIsIgnored)
{
    work.Put("down/A.DAT", Pattern(5000));
    Enable({1, 2});
    std::string idDuringNestedTick;
    pump.ScheduleAfter(200ms, [this, &idDuringNestedTick] {
        ASSERT_TRUE(cycle->InTick());
        cycle->Tick(); // a timer tick arriving while 001 is served
        idDuringNestedTick = state.CurHhtId;
    });
    Run(2, Hhts({1, 2}));
    EXPECT_EQ(idDuringNestedTick, "001");
    EXPECT_EQ(Stored(1, "A.DAT"), Pattern(5000));
    EXPECT_EQ(Result(), " 0 , 2 ,正常終了\r\n");
}

TEST_F(AutoCycleTest, DirectoryOfMoreThan129FilesNamesTheRest)
{
    for (int i = 0; i < 131; ++i)
        work.Put("down/F" + std::to_string(i) + ".DAT", "x");
    Enable({1});
    Run(2, Hhts({1}));
    int sent = 0, refused = 0;
    std::istringstream history(History());
    for (std::string line; std::getline(history, line);) {
        sent += line.ends_with(" 0 ,正常終了\r");
        refused += line.ends_with("-5 ,ファイルＩ／Ｏエラー\r");
    }
    EXPECT_EQ(sent, 129);
    EXPECT_EQ(refused, 2);
    EXPECT_EQ(simulator->GetStats().filesStored, 129);
}

TEST_F(AutoCycleTest, EmptyDownloadDirectoryCountsTheVisit)
{
    Enable({1});
    Run(2, Hhts({1}));
    EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n");
    EXPECT_TRUE(view.list.lines.empty());
}

TEST_F(AutoCycleTest, ApplicationInstall)
{
    work.Put("PROG.hex", ":00000001FF\r\n");
    state.settings.ApFile = work.Text() + "PROG.hex";
    Enable({1});
    Run(1, Hhts({1}));
    EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n");
    EXPECT_EQ(Stored(1, "PROG.HEX"), ":00000001FF\r\n"); // hand-helds keep names in capitals
    EXPECT_EQ(view.list.lines.back(), "ID 001: PROG.hex :  ＡＰインストール正常終了");
    EXPECT_NE(History().find("001, 1 ,PROG.hex, 13 , 0 ,正常終了"), std::string::npos);
}

// People type "/" on Windows too, where it separates a path as "\\" does.
TEST_F(AutoCycleTest, ForwardSlashesSeparateDirectoryAndName)
{
    work.Put("PROG.hex", ":00000001FF\r\n");
    work.Put("down/ITEM.DAT", "item");
    state.settings.ApFile = work.Path().generic_string() + "/PROG.hex";
    state.settings.DownDir = (work.Path() / "down").generic_string() + "/";
    Enable({1});
    Run(1, Hhts({1}));
    EXPECT_EQ(Stored(1, "PROG.HEX"), ":00000001FF\r\n");
    cycle.reset();
    ticks = 0;
    Run(2, Hhts({1}));
    EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n");
    EXPECT_EQ(Stored(1, "ITEM.DAT"), "item");
}

TEST_F(AutoCycleTest, ApplicationFileProblemsEndTheRunWithCodeFour)
{
    work.Put("PROG.BIN", "x");
    for (const std::string& apFile : {work.Text() + "PROG.BIN", work.Text() + "NONE.HEX", work.Text()}) {
        state.settings.ApFile = apFile;
        Enable({1});
        cycle.reset();
        ticks = 0;
        Run(1, Hhts({1}));
        EXPECT_EQ(Result(), "-1 , 4 ,データパラメータエラー\r\n") << apFile;
    }
}

// Code 4 alone left the administrator to guess: the log names the line of
// DIRPRM.DAT and why the run cannot use it.
TEST_F(AutoCycleTest, ADataParameterTheRunCannotUseIsNamedWithItsLineAndWhy)
{
    work.Put("PROG.BIN", "x");
    const std::string folder = work.Text();
    const struct {
        std::int16_t runMode;
        std::string ApFile, DownDir, UpDir;
        std::string said; // after "<work folder>DIRPRM.DAT line "
    } rows[] = {
        {1, folder + "PROG.BIN", "", "", "1: the application file " + folder + "PROG.BIN cannot be installed"},
        {1, folder + "NONE.HEX", "", "", "1: the application file " + folder + "NONE.HEX is not there"},
        {1, folder, "", "", "1: the application file " + folder + " is a folder, not a file"},
        {1, "", "", "", "1: the application file is not named"},
        {2, "", folder + "down", "", "2: the file to download " + folder + "down is a folder: end it with "},
        {2, "", folder + "PROG.BIN/", "", "2: the download folder " + folder + "PROG.BIN/ is "}, // a file, not a folder
        {3, "", "", Dir("gone"), "3: the upload folder " + Dir("gone") + " is not there"},
    };
    for (const auto& row : rows) {
        state.settings.ApFile = row.ApFile;
        state.settings.DownDir = row.DownDir;
        state.settings.UpDir = row.UpDir;
        Enable({1});
        cycle.reset();
        view.log.clear();
        ticks = 0;
        Run(row.runMode, Hhts({1}));
        EXPECT_EQ(Result(), "-1 , 4 ,データパラメータエラー\r\n") << row.said;
        ASSERT_FALSE(view.log.empty()) << row.said;
        const std::string& line = view.log.back();
        EXPECT_EQ(line.rfind(folder + "DIRPRM.DAT line " + row.said, 0), 0u) << line;
        EXPECT_TRUE(line.ends_with("; the run ends with code 4 in RESULT.DAT")) << line;
    }
}

TEST_F(AutoCycleTest, WrongModeIsRecordedWithoutAName)
{
    work.Put("PROG.HEX", "x");
    state.settings.ApFile = work.Text() + "PROG.HEX";
    Enable({1});
    sim::SimConfig config = Hhts({1});
    config.faults.wrongMode = true;
    Run(1, config);
    EXPECT_EQ(view.list.lines.back(), "ID 001:  :  ＨＨＴモードエラー");
    EXPECT_NE(History().find("001, 1 ,, 0 ,-4 ,ＨＨＴモードエラー"), std::string::npos);
}

TEST_F(AutoCycleTest, UploadRunFetchesEveryFile)
{
    fs::create_directories(work.Path() / "hht/001");
    work.Put("hht/001/ORD.DAT", Pattern(1100));
    Enable({1});
    Run(3, Hhts({1}));
    EXPECT_EQ(work.Get("up/ORD.DAT"), Pattern(1100));
    EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n");

    state.settings.UpDir = Dir("missing");
    cycle.reset();
    ticks = 0;
    Run(3, Hhts({1}));
    EXPECT_EQ(Result(), "-1 , 4 ,データパラメータエラー\r\n");
}

TEST_F(AutoCycleTest, CopyToAllFromTheManualWindow)
{
    work.Put("down/GOOD.DAT", "g");
    Enable({1});
    ManualSelection selection{Dir("down"), {"TOO-LONG-NAME.DAT", "GOOD.DAT"}, ""};
    ASSERT_TRUE(Run(4, Hhts({1}), selection));
    EXPECT_EQ(view.boxes, std::vector<std::string>{"ファイル名［ TOO-LONG-NAME.DAT ］はＨＨＴで使用できません"});
    EXPECT_EQ(Stored(1, "GOOD.DAT"), "g");
    EXPECT_EQ(view.list.lines[0], "ID 001: TOO-LONG-NAME.DAT : ファイル名使用不可");
    EXPECT_EQ(view.list.lines[1], "ID 001: GOOD.DAT :  ダウンロード正常終了");
    EXPECT_FALSE(work.Has("RESULT.DAT")); // the manual window's runs leave no result line
    EXPECT_TRUE(std::find(port.Calls().begin(), port.Calls().end(), "Open") == port.Calls().end());
}

TEST_F(AutoCycleTest, InstallOnAllRefusesAFileThatIsNoApplication)
{
    Enable({1});
    Run(5, Hhts({1}), {Dir("down"), {}, "DATA.TXT"});
    EXPECT_EQ(view.boxes, std::vector<std::string>{"ファイル［ DATA.TXT ］はアプリケーションファイルではありません"});
    EXPECT_EQ(view.unloads, 1);
    EXPECT_TRUE(cycle->Ended());
}

TEST_F(AutoCycleTest, UnloadClosesThePortAndReportsTheRun)
{
    Enable({1});
    state.settings.AutoPollCount = 0;
    state.settings.RunMode = 2;
    AttachHandHelds(Hhts({1}));
    cycle = std::make_unique<AutoCycle>(link, view);
    ASSERT_TRUE(cycle->Start());
    for (int i = 0; i < 3; ++i)
        cycle->Tick();
    cycle->Unload();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(state.flags.StopRequest, settings::kTrue);
    EXPECT_EQ(Result(), " 0 , 3 ,正常終了\r\n");
}

// The start line names an adapter's latency timer above what costs little
// (the notes themselves: tests/link/adapter_latency_test.cpp).
TEST_F(AutoCycleTest, TheStartLineNamesASlowAdaptersTimerAndItsRemedy)
{
    Enable({1});
    const std::string note = "; the USB serial adapter's latency timer is 16 ms, which delays every block";
    port.SetAdapterLatency(link::AdapterLatency{16, 1, link::LatencyRemedy::UdevRule});
    Run(2, Hhts({1}));
    ASSERT_FALSE(view.log.empty());
    const std::string& line = view.log.front();
    EXPECT_NE(line.find(" run on COM1 ("), std::string::npos) << line;
    EXPECT_NE(line.find(note), std::string::npos) << line;
    EXPECT_NE(line.find("60-tavelin-ftdi-latency.rules"), std::string::npos) << line;

    // A quiet run says the slow timer alone.
    state.quiet = true;
    cycle.reset();
    view.log.clear();
    Run(2, Hhts({1}));
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_EQ(view.log[0].rfind("COM1: the USB serial adapter's latency timer is 16 ms", 0), 0u) << view.log[0];
}

} // namespace
} // namespace tavelin::modes

namespace tavelin::modes {
namespace {

TEST_F(AutoCycleTest, PortSetUpFailuresLeaveTheirResultCode)
{
    Enable({1});
    state.settings.BaudCode = "9"; // a speed code without a meaning
    EXPECT_FALSE(Run(2, Hhts({1})));
    EXPECT_EQ(Result(), "-1 , 2 ,通信条件パラメータエラー\r\n");
    EXPECT_EQ(view.unloads, 1);

    // An irlink adapter that never echoes its speed code.
    state.settings.BaudCode = "2";
    state.settings.PortKindCode = "3";
    cycle.reset();
    EXPECT_FALSE(Run(2, Hhts({1})));
    EXPECT_EQ(Result(), "-1 , 5 ,ＩＲＬＩＮＫ接続エラー\r\n");
    EXPECT_FALSE(port.IsOpen());

    port.FailNextOpen({link::OpenError::NotFound, "No such file or directory"});
    state.settings.PortKindCode = "0";
    cycle.reset();
    view.log.clear();
    EXPECT_FALSE(Run(2, Hhts({1})));
    EXPECT_EQ(Result(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
    // The log names the port, its device and the reason, in the one wording.
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_EQ(view.log[0].rfind("COM1 (" + link::PortDeviceName(1, {}) + "): ", 0), 0u) << view.log[0];
    EXPECT_NE(view.log[0].find("No such file or directory"), std::string::npos) << view.log[0];
}

// The hand-held's line goes away in the middle of the first visit's
// exchange (its third frame) and never comes back: the run ends at that
// visit, even without a round limit, at once when no wait is allowed and at
// the bound otherwise. The runs of the manual window leave no result line
// but say so in a message box.
class PortLossTest : public AutoCycleTest, public ::testing::WithParamInterface<int> {
protected:
    void RunUntilTheDeviceIsGiveUp(int waitSeconds)
    {
        const int mode = GetParam();
        work.Put("down/A.DAT", Pattern(3000));
        fs::create_directories(work.Path() / "hht/001");
        work.Put("hht/001/ORD.DAT", Pattern(3000));
        Enable({1, 2});
        state.settings.AutoPollCount = 0;
        state.lineWaitSeconds = waitSeconds;
        sim::SimConfig config = Hhts({1, 2}, 19200);
        config.faults.closeAfterReceived = 3;
        ::testing::internal::CaptureStderr();
        Run(mode, config, mode == 4 ? ManualSelection{Dir("down"), {"A.DAT"}, ""} : ManualSelection{});
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err, ""); // the window writes the log, not the cycle

        EXPECT_TRUE(cycle->Ended());
        EXPECT_EQ(ticks, 1);
        EXPECT_EQ(view.unloads, 1);
        if (mode == 4) {
            EXPECT_FALSE(work.Has("RESULT.DAT"));
            EXPECT_EQ(view.boxes, std::vector<std::string>{"指定されたＣＯＭポートは使用できません"});
        } else {
            EXPECT_EQ(Result(), "-1 , 1 ,ＣＯＭポートエラー\r\n");
            EXPECT_TRUE(view.boxes.empty());
        }
    }
};

TEST_P(PortLossTest, DeviceGoneWithoutAWaitEndsTheRunAtOnce)
{
    RunUntilTheDeviceIsGiveUp(0);
    ASSERT_FALSE(view.log.empty());
    EXPECT_EQ(view.log.back(), link::PortFailureLine(1, {}, "the device went away"));
    EXPECT_LT(pump.Now().time_since_epoch(), 5s);
}

TEST_P(PortLossTest, DeviceNotBackWithinTheBoundEndsTheRunThere)
{
    RunUntilTheDeviceIsGiveUp(settings::kDefaultLineWaitSeconds);
    ASSERT_GE(view.log.size(), 2u);
    EXPECT_EQ(view.log[view.log.size() - 2],
              link::PortFailureLine(1, {}, "the device went away; waiting up to 300 s for it to come back"));
    EXPECT_EQ(view.log.back(),
              link::PortFailureLine(1, {}, "the device went away and did not come back within 300 s"));
    EXPECT_GE(pump.Now().time_since_epoch(), 300s);
    EXPECT_LT(pump.Now().time_since_epoch(), 305s);
    const std::string gone = "回線切断: " + link::PortDeviceName(1, {});
    EXPECT_NE(std::find(view.messages.begin(), view.messages.end(), gone), view.messages.end());
}

std::string ModeName(const ::testing::TestParamInfo<int>& info)
{
    return info.param == 2 ? "Down" : info.param == 3 ? "Up" : "CopyToAll";
}

INSTANTIATE_TEST_SUITE_P(Modes, PortLossTest, ::testing::Values(2, 3, 4), ModeName);

// The hand-held leaves the line at its N-th frame, in the middle of the
// first visit's transfer, and comes back on it after a while.
class LineReturnTest : public AutoCycleTest, public ::testing::WithParamInterface<int> {
protected:
    LineReturnTest()
    {
        work.Put("down/A.DAT", Pattern(3000));
        fs::create_directories(work.Path() / "hht/001");
        work.Put("hht/001/ORD.DAT", Pattern(3000));
        Enable({1, 2});
        state.settings.AutoPollCount = 2;
    }

    sim::SimConfig AwayAt(int frame, link::Millis away)
    {
        sim::SimConfig config = Hhts({1, 2}, 19200);
        config.faults.awayAfterReceived = frame;
        config.faults.awayFor = away;
        return config;
    }

    long Said(std::string_view words) const
    {
        const std::string line = link::PortFailureLine(1, {}, std::string(words));
        return std::count_if(view.log.begin(), view.log.end(),
                             [&](const std::string& said) { return said.starts_with(line); });
    }

    void ServeThroughTroubleAfterTheReturn(sim::SimConfig config)
    {
        state.settings.AutoPollCount = 30; // rounds of silent polls pass quickly: some outlast the trouble
        Run(2, std::move(config));
        EXPECT_EQ(Said("the device is back after 1."), 1);
        EXPECT_EQ(simulator->GetStats().pauses, 1); // the trouble came
        EXPECT_TRUE(Stored(1, "A.DAT") == Pattern(3000)) << History();
        EXPECT_TRUE(Stored(2, "A.DAT") == Pattern(3000)) << History();
        EXPECT_EQ(simulator->GetStats().Violations(), 0);
        EXPECT_EQ(Result().substr(0, 4), " 0 ,");
    }

    // The PC side's files apart from the run's own: what the first visit
    // left is what they are when the line goes away.
    std::set<std::string> PcFiles() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(work.Path()))
            if (entry.is_regular_file() && entry.path().parent_path().filename() != "001" &&
                entry.path().parent_path().filename() != "002")
                names.insert(fs::relative(entry.path(), work.Path()).generic_string());
        return names;
    }
};

// Cut off mid-transfer, back within the bound: the file under way failed and
// left nothing half-written, the run served the other rounds, and the
// hand-held cut off got its file in the next round. One line says the device
// went away, one that it is back; the window showed 回線切断 meanwhile.
TEST_P(LineReturnTest, DeviceBackWithinTheBoundServesTheRoundsLeft)
{
    const int mode = GetParam();
    std::set<std::string> filesWhenGone;
    std::optional<link::Clock::time_point> goneAt, pollAfterReturn;
    view.onLog = [&](std::string_view line) {
        if (line.find("waiting up to") != std::string_view::npos) {
            goneAt = pump.Now();
            filesWhenGone = PcFiles();
        }
    };
    view.onMessage = [&](std::string_view text) {
        if (goneAt && !pollAfterReturn && text.starts_with("ハンディ［"))
            pollAfterReturn = pump.Now();
    };
    Run(mode, AwayAt(mode == 2 ? 4 : 6, 2000ms));
    EXPECT_EQ(filesWhenGone, (std::set<std::string>{"HISTORY.DAT", "down/A.DAT"}));
    ASSERT_TRUE(goneAt && pollAfterReturn);
    const auto cost = std::chrono::duration_cast<link::Millis>(*pollAfterReturn - *goneAt - 2000ms);
    std::cout << "[ figures  ] from the device's return to the next poll: " << cost.count() << " ms\n";
    EXPECT_LE(cost, 400ms);
    EXPECT_EQ(Result(), " 0 , 4 ,正常終了\r\n") << History();
    EXPECT_EQ(Said("the device went away; waiting up to 300 s for it to come back"), 1);
    EXPECT_EQ(Said("the device is back after 2."), 1);
    EXPECT_EQ(Said("the device went away and"), 0);
    const std::string gone = "回線切断: " + link::PortDeviceName(1, {});
    EXPECT_NE(std::find(view.messages.begin(), view.messages.end(), gone), view.messages.end());
    const std::string name = mode == 2 ? "A.DAT" : "ORD.DAT";
    const std::string history = History();
    const auto failed = history.find("001, " + std::to_string(mode) + " ," + name + ", 0 ,");
    const auto served = history.find("001, " + std::to_string(mode) + " ," + name + ", 3000 , 0 ,正常終了");
    EXPECT_NE(failed, std::string::npos) << history;
    EXPECT_NE(served, std::string::npos) << history;
    EXPECT_LT(failed, served) << history;
    EXPECT_TRUE((mode == 2 ? Stored(1, "A.DAT") : work.Get("up/ORD.DAT")) == Pattern(3000));
    EXPECT_EQ(simulator->GetStats().Violations(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, LineReturnTest, ::testing::Values(2, 3), ModeName);

// A stop while the run waits ends the wait at once: ENDPRM.DAT, read at each
// try, and 中断 or a signal (StopRequest), seen as soon as it is set. The run
// ends as a stopped one does.
TEST_F(LineReturnTest, StopDuringTheWaitEndsItAtOnce)
{
    for (const bool byFile : {true, false}) {
        std::optional<link::Clock::time_point> goneAt;
        view.onLog = [&](std::string_view line) {
            if (goneAt || line.find("waiting up to") == std::string_view::npos)
                return;
            goneAt = pump.Now();
            pump.ScheduleAfter(10s, [this, byFile] {
                if (byFile)
                    work.Put("ENDPRM.DAT", "1");
                else
                    state.flags.StopRequest = settings::kTrue;
            });
        };
        cycle.reset();
        Run(2, AwayAt(4, 60000ms));
        ASSERT_TRUE(goneAt);
        EXPECT_LE(pump.Now() - *goneAt, 10s + (byFile ? 300ms : 0ms)) << byFile;
        EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n") << byFile;
        EXPECT_EQ(Said("the device went away and"), 0);
        fs::remove(work.Path() / "ENDPRM.DAT");
        pump.Advance(60s); // the device is back for the next run
    }
}

// Right after the return the hand-held is busy (paused past the poll's
// time-out), or answers the first poll late: the run takes the silence or the
// stale answer for what it is and serves everything in the rounds left.
TEST_F(LineReturnTest, PausedHandHeldAfterTheReturnConfusesNothing)
{
    sim::SimConfig config = AwayAt(4, 1000ms);
    config.faults.pauseBeforeReceived = {{5, 1500ms}}; // the first poll after the return
    ServeThroughTroubleAfterTheReturn(config);
}

TEST_F(LineReturnTest, LateAnswerAfterTheReturnConfusesNothing)
{
    sim::SimConfig config = AwayAt(4, 1000ms);
    config.faults.pauseBeforeSent = {{4, 400ms}}; // the answer to the first poll after the return
    ServeThroughTroubleAfterTheReturn(config);
}

TEST_F(AutoCycleTest, StopRequestFileDuringATransferStopsItAndTheRun)
{
    work.Put("down/BIG.DAT", Pattern(20000));
    Enable({1, 2});
    pump.ScheduleAfter(2s, [this] { work.Put("ENDPRM.DAT", "1"); });
    Run(2, Hhts({1, 2}, 19200));
    EXPECT_EQ(History(), "001, 2 ,BIG.DAT, 0 ,-2 ,中断\r\n");
    EXPECT_EQ(Result(), " 0 , 1 ,正常終了\r\n");
    EXPECT_FALSE(fs::exists(work.Path() / "hht/002/BIG.DAT"));
}

} // namespace
} // namespace tavelin::modes
