// SPDX-License-Identifier: MIT
// The engines through what a real line does, on virtual time: a hand-held
// that pauses before a frame it takes or sends, answers late or twice, a
// rough line, and a program busy in one event while the answer waits. The
// file arrives whole, and each hiccup costs at most a few frames sent again
// and its own length plus a second and a half: never the rest of the file
// crossing the line twice.
#include "support/sim_engine_fixture.h"

#include <chrono>

namespace tavelin::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kFileSize = 100 * 1024; // 200 blocks
constexpr int kMostExtraFramesEach = 8;
constexpr auto kMostExtraTimeEach = 1500ms;

struct Hiccup {
    const char* name;
    sim::FaultOptions faults;
    link::Clock::duration busy{}; // the program stuck in one event, 2 s into the transfer
};

std::vector<Hiccup> Hiccups()
{
    return {
        {"pause of 0.8 s before a frame it takes", Faults([](sim::FaultOptions& f) { f.pauseBeforeReceived = {{40, 800ms}}; })},
        {"pause of 3 s before a frame it takes", Faults([](sim::FaultOptions& f) { f.pauseBeforeReceived = {{40, 3000ms}}; })},
        {"pause of 1.6 s before a frame it sends", Faults([](sim::FaultOptions& f) { f.pauseBeforeSent = {{40, 1600ms}}; })},
        {"an answer 0.7 s late, past the time-out", Faults([](sim::FaultOptions& f) { f.pauseBeforeSent = {{40, 700ms}}; })},
        {"rough line", Faults([](sim::FaultOptions& f) { f.rough = {true, 3}; })},
        {"rough line, another seed", Faults([](sim::FaultOptions& f) { f.rough = {true, 11}; })},
        {"the program busy for 0.8 s", {}, 800ms},
    };
}

struct Cost {
    int result = -99;
    link::Clock::duration time{};
    int frames = 0;                  // sent again either way: blocks the hand-held took twice, or sent again
    int hiccups = 0;                 // pauses, doubled frames, late answers
    link::Clock::duration paused{}; // the pauses' sum
};

class EnginesOnARoughLine : public SimEngineTest {
public:
    EnginesOnARoughLine()
    {
        state.settings.CommTimeout = 500;
        state.settings.BaudCode = "2";
    }

    // One transfer by `engine` through `hiccup`.
    template <class Engine>
    Cost Through(const Hiccup& hiccup, Engine engine)
    {
        Start(hiccup.faults, 19200);
        const auto start = pump.Now();
        if (hiccup.busy.count() > 0)
            pump.Schedule(start + 2s, [this, busy = hiccup.busy] { pump.Busy(busy); });
        Cost cost;
        cost.result = engine();
        cost.time = pump.Now() - start;
        Settle();
        const sim::Stats& stats = hand->GetStats();
        cost.frames = stats.repeatedBlocksReceived + stats.resends + stats.doubledFrames;
        cost.hiccups = stats.pauses + stats.doubledFrames + stats.lateAnswers + (hiccup.busy.count() > 0 ? 1 : 0);
        cost.paused = std::chrono::milliseconds(stats.pausedMs) + hiccup.busy;
        EXPECT_EQ(stats.Violations(), 0);
        return cost;
    }

    // Every hiccup against the clean line; `arrived` tells whether the file came whole.
    template <class Engine, class Arrived>
    void ThroughEveryHiccup(Engine engine, Arrived arrived)
    {
        const Cost clean = Through({"clean line", {}}, engine);
        ASSERT_EQ(clean.result, 0);
        ASSERT_TRUE(arrived());
        ASSERT_EQ(clean.frames, 0);
        for (const Hiccup& hiccup : Hiccups()) {
            SCOPED_TRACE(hiccup.name);
            const Cost cost = Through(hiccup, engine);
            EXPECT_EQ(cost.result, 0);
            EXPECT_TRUE(arrived());
            EXPECT_GE(cost.hiccups, 1) << "the hiccup never happened";
            EXPECT_LE(cost.frames, kMostExtraFramesEach * cost.hiccups);
            EXPECT_LE(cost.time - clean.time, cost.paused + kMostExtraTimeEach * cost.hiccups);
        }
    }

    const std::string data = Pattern(kFileSize);

private:
    static std::string Pattern(std::size_t size)
    {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 37 + i / 499) & 0xFF);
        return bytes;
    }
};

TEST_F(EnginesOnARoughLine, DownloadOfOneFile)
{
    files.Put("BIG.DAT", data);
    ThroughEveryHiccup([&] { return transfer::DownloadFile(link, "D", files.Text(), "BIG.DAT", progress); },
                       [&] { return store.Get("001/BIG.DAT") == data; });
}

TEST_F(EnginesOnARoughLine, DownloadOfASet)
{
    files.Put("BIG.DAT", data);
    files.Put("SMALL.DAT", data.substr(0, 700));
    const std::vector<std::string> names = {"SMALL.DAT", "BIG.DAT"};
    ThroughEveryHiccup(
        [&] { return transfer::DownloadFileSet(link, files.Text(), names, progress, Lines()); },
        [&] { return store.Get("001/BIG.DAT") == data && store.Get("001/SMALL.DAT") == data.substr(0, 700); });
    for (const std::string& line : HistoryFile())
        EXPECT_NE(line.find("正常終了"), std::string::npos) << line;
}

TEST_F(EnginesOnARoughLine, UploadOfOneFile)
{
    Offer("BIG.DAT", data);
    ThroughEveryHiccup(
        [&] {
            return transfer::UploadFile(link, files.Text(), "BIG.DAT", static_cast<std::int64_t>(data.size()), progress, 1);
        },
        [&] { return files.Get("BIG.DAT") == data; });
}

TEST_F(EnginesOnARoughLine, UploadOfEveryFile)
{
    Offer("BIG.DAT", data);
    Offer("SMALL.DAT", data.substr(0, 700));
    transfer::UpFileList upFiles;
    ThroughEveryHiccup([&] { return transfer::UploadAllFiles(link, files.Text(), progress, 1, upFiles, Lines()); },
                       [&] { return files.Get("BIG.DAT") == data && files.Get("SMALL.DAT") == data.substr(0, 700); });
    for (const std::string& line : HistoryFile())
        EXPECT_NE(line.find("正常終了"), std::string::npos) << line;
}

} // namespace
} // namespace tavelin::testing
