// SPDX-License-Identifier: MIT
// How each engine reads the answer to its opening request: the same refusal
// means the same result everywhere, and silence costs each engine its own
// number of transmissions.
#include "support/engine_fixture.h"

namespace tavelin::testing {
namespace {

using link::ACK;
using link::CAN;

struct Engine {
    const char* name;
    std::function<int(EngineTest&)> run;
    std::size_t silentRequests;
    bool writesHistory;
};

const std::vector<Engine>& Engines()
{
    static const std::vector<Engine> engines = {
        {"DownloadFile", [](EngineTest& t) { return transfer::DownloadFile(t.link, "D", t.files.Text(), "Q.DAT", t.progress); }, 20, false},
        {"DownloadFileSet",
         [](EngineTest& t) {
             const std::vector<std::string> names{"Q.DAT"};
             return transfer::DownloadFileSet(t.link, t.files.Text(), names, t.progress, t.Lines());
         },
         20, true},
        {"UploadFile", [](EngineTest& t) { return transfer::UploadFile(t.link, t.files.Text(), "Q.DAT", 10, t.progress, 1); }, 21, false},
        {"UploadAllFiles",
         [](EngineTest& t) {
             transfer::UpFileList table;
             return transfer::UploadAllFiles(t.link, t.files.Text(), t.progress, 1, table, t.Lines());
         },
         31, true}, // 25 s of silence at 800 ms a wait
    };
    return engines;
}

TEST_F(EngineTest, AnswersToTheOpeningRequest)
{
    files.Put("Q.DAT", "0123456789");
    struct Reply {
        const char* name;
        std::function<void(ScriptedHht&)> send;
        int result;
        const char* historyWord; // after "ダウンロード" / "アップロード", or the whole text
    };
    const std::vector<Reply> replies = {
        {"wrong mode", [](ScriptedHht& h) { h.Send('R', 0, "M"); }, -4, "ＨＨＴモードエラー"},
        {"refusal", [](ScriptedHht& h) { h.Send('R', 0, "X"); }, -1, "異常終了"},
        {"acknowledgement without ACK, then silence", [](ScriptedHht& h) { h.Send('A', 0, "X"); }, -1, "異常終了"},
        {"silence", [](ScriptedHht&) {}, -1, "異常終了"},
    };
    for (const Engine& engine : Engines()) {
        for (const Reply& reply : replies) {
            SCOPED_TRACE(engine.name);
            SCOPED_TRACE(reply.name);
            const bool silent = reply.result == -1 && std::string(reply.name) != "refusal";
            if (std::string(engine.name).starts_with("Upload") && std::string(reply.name).starts_with("ack"))
                continue; // an upload request is answered with data, never with "A"
            hht.received.clear();
            history.lines.clear();
            hht.onFrame = [&](const PcFrame& f) {
                if (f.kind == 'C')
                    reply.send(hht);
            };
            EXPECT_EQ(engine.run(*this), reply.result);
            Settle();
            EXPECT_EQ(hht.received.size(), silent ? engine.silentRequests : 1u) << "nothing but the requests goes out";
            if (engine.writesHistory) {
                ASSERT_EQ(history.lines.size(), 1u);
                EXPECT_TRUE(history.lines.front().starts_with("ID 001:  : ")) << history.lines.front();
                EXPECT_TRUE(history.lines.front().ends_with(reply.historyWord)) << history.lines.front();
            }
        }
    }
    EXPECT_EQ(HistoryFile().back(), "001, 0 ,, 0 ,-3 ,タイムアウト") << "silence is a time-out";
}

TEST_F(EngineTest, StopWhileTheRequestWaits)
{
    for (const Engine& engine : Engines()) {
        SCOPED_TRACE(engine.name);
        hht.received.clear();
        hht.onFrame = [this](const PcFrame& f) {
            if (f.kind == 'C')
                state.flags.StopRequest = settings::kTrue;
        };
        EXPECT_EQ(engine.run(*this), -2);
        Settle();
        ASSERT_EQ(hht.received.size(), 2u);
        EXPECT_TRUE(hht.received.back().Is('E', Ch(CAN)));
        // The automatic cycle ends its run on a stop the set engines leave standing.
        EXPECT_EQ(state.flags.StopRequest != settings::kFalse, engine.writesHistory);
        state.flags.StopRequest = settings::kFalse;
    }
    EXPECT_TRUE(history.lines.back().ends_with("アップロード中断"));
}

TEST(UploadWaitLimit, TwentyFiveSecondsRoundedHalfToEven)
{
    struct Limit {
        int timeout, waits;
    };
    for (const Limit l : {Limit{800, 31}, Limit{5000, 5}, Limit{500, 50}, Limit{2000, 12}, Limit{400, 62},
                          Limit{10000, 2}, Limit{0, 25000}})
        EXPECT_EQ(transfer::UploadWaitLimit(l.timeout), l.waits) << l.timeout;
}

} // namespace
} // namespace tavelin::testing
