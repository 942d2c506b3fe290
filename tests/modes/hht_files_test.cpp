// SPDX-License-Identifier: MIT
// The hand-held file commands against a scripted and a simulated hand-held: what reaches the
// list and the free-space box, and how erase and rename read the answers.
#include "support/sim_engine_fixture.h"

#include "modes/hht_files.h"

#include <memory>

namespace tavelin::testing {
namespace {

using link::ACK;
using link::EOT;

class RecordingList final : public modes::FileListView, public modes::TextView {
public:
    void Clear() override { items.clear(); }
    void AddItem(const std::string& text, std::int64_t data) override { items.emplace_back(text, data); }
    void SetText(std::string_view t) override { text = t; }
    std::vector<std::pair<std::string, std::int64_t>> items{{"BEFORE", 1}};
    std::string text = "before";
};

std::string Entry(const std::string& field, std::int64_t size)
{
    char entry[32];
    std::snprintf(entry, sizeof entry, "%-12s%07lld", field.c_str(), static_cast<long long>(size));
    return entry;
}

class HhtFilesTest : public SimEngineTest {
public:
    // Answers "F" with the header, then one entry frame per acknowledgement.
    void ServeList(std::vector<std::string> frames, std::int64_t freeBytes)
    {
        hht.onFrame = [this, frames, freeBytes, next = std::size_t(0)](const PcFrame& f) mutable {
            if (f.Is('C', "F")) {
                char header[16];
                std::snprintf(header, sizeof header, "%03zu%07lld", frames.size(), static_cast<long long>(freeBytes));
                hht.Send('D', 0, header);
                next = 0;
            } else if (f.Is('A', Ch(ACK))) {
                if (next < frames.size()) {
                    hht.Send('D', int(next % 10), frames[next]);
                    ++next;
                } else if (next == frames.size()) {
                    hht.Send('E', 0, Ch(EOT));
                    ++next;
                }
            }
        };
    }
    int List() { return modes::GetHhtFileList(link, table, view, view); }


    modes::HhtFileTable table;
    RecordingList view;
};

TEST_F(HhtFilesTest, EntriesReachTheListWithTheirSizes)
{
    ServeList({Entry("ABCDEFG", 10) + Entry("ABCDEFGH.TXT", 20) + Entry(" SKIPPED", 30), "", Entry("LAST.DAT", 0)},
              1234567);
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(view.items, (std::vector<std::pair<std::string, std::int64_t>>{
                              {"ABCDEFG", 10}, {"ABCDEFGH.TXT", 20}, {"LAST.DAT", 0}}));
    EXPECT_EQ(view.text, " 1234567");
    EXPECT_EQ(table.Count, 3);
    EXPECT_EQ(table.HhtFreeBytes, 1234567);
}

TEST_F(HhtFilesTest, AnEmptyListStillShowsTheFreeSpace)
{
    ServeList({""}, 42);
    EXPECT_EQ(List(), 0);
    EXPECT_TRUE(view.items.empty());
    EXPECT_EQ(view.text, " 42");
}

TEST_F(HhtFilesTest, EntryFramesOfAnOddLengthStayInBounds)
{
    // 19 + 10: the rounded count takes a second, short entry; 19 + 5 does not.
    ServeList({Entry("A.DAT", 1) + "PARTIALNAM", Entry("B.DAT", 2) + "SHORT"}, 0);
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(view.items, (std::vector<std::pair<std::string, std::int64_t>>{
                              {"A.DAT", 1}, {"PARTIALNAM", 0}, {"B.DAT", 2}}));
}

TEST_F(HhtFilesTest, FailedListsKeepThePreviousContents)
{
    struct Case {
        const char* name;
        std::function<void(ScriptedHht&, const PcFrame&)> reply;
        int result;
    };
    const std::vector<Case> cases = {
        {"refused", [](ScriptedHht& h, const PcFrame& f) { if (f.kind == 'C') h.Send('R', 0, "M"); }, -1},
        {"silent", [](ScriptedHht&, const PcFrame&) {}, -1},
        {"entries never come",
         [](ScriptedHht& h, const PcFrame& f) { if (f.kind == 'C') h.Send('D', 0, "0010000100"); }, -3},
        {"refused after the header",
         [](ScriptedHht& h, const PcFrame& f) {
             if (f.kind == 'C')
                 h.Send('D', 0, "0010000100");
             else
                 h.Send('R', 0, "X");
         },
         -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hht.received.clear();
        hht.onFrame = [&](const PcFrame& f) { c.reply(hht, f); };
        EXPECT_EQ(List(), c.result);
        EXPECT_EQ(view.text, "before");
        EXPECT_EQ(view.items.size(), 1u);
    }
    EXPECT_EQ(hht.Of('C').size(), 1u) << "the header came at once: the 20 tries went to the entries";
}

// A hand-held that was busy answers what queued up meanwhile: late answers
// to polls, and its header again. Neither is an entry, and the real first
// entry frame counts although a header carried its digit.
TEST_F(HhtFilesTest, LateAnswersAndRepeatedHeadersNeverBecomeEntries)
{
    // Entry frames numbered from 0, like the header; the header goes out
    // twice, as when the hand-held missed its acknowledgement.
    const std::vector<std::string> frames = {"0030000500", Entry("A.DAT", 1) + Entry("B.DAT", 2), Entry("C.DAT", 3)};
    hht.onFrame = [&, next = std::size_t(0)](const PcFrame& f) mutable {
        if (f.Is('C', "F")) {
            for (int late = 0; late < 30; ++late)
                hht.Send('A', 0, Ch(ACK)); // answers to polls sent long ago
            hht.Send('D', 0, "0030000500");
        } else if (f.kind == 'A' && next < frames.size()) {
            hht.Send('D', next == 0 ? 0 : int(next - 1), frames[next]);
            ++next;
        } else if (f.kind == 'A' && next == frames.size()) {
            hht.Send('E', 0, Ch(EOT));
            ++next;
        }
    };
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(view.items, (std::vector<std::pair<std::string, std::int64_t>>{{"A.DAT", 1}, {"B.DAT", 2}, {"C.DAT", 3}}));
    EXPECT_EQ(view.text, " 500");
    EXPECT_EQ(hht.Of('C').size(), 1u) << "a late answer is no reason to ask again";
    EXPECT_FALSE(table.Truncated);
}

TEST_F(HhtFilesTest, AListWithoutEndStopsAtTheTableAndTheHandHeldIsTold)
{
    struct Case {
        const char* name;
        std::function<std::string(int)> frame; // the n-th entry frame
        std::function<int(int)> digit;
        int result;
        std::size_t items;
    };
    const std::vector<Case> cases = {
        {"one entry a frame", [](int n) { return Entry("F" + std::to_string(n) + ".DAT", n); },
         [](int n) { return (n + 1) % 10; }, 0, 129},
        {"empty frames", [](int) { return std::string(); }, [](int n) { return (n + 1) % 10; }, 0, 0},
        {"the same frame again and again", [](int) { return Entry("SAME.DAT", 1); }, [](int) { return 1; }, -3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hht.received.clear();
        view.items = {{"BEFORE", 1}};
        hht.onFrame = [&, n = 0](const PcFrame& f) mutable {
            if (f.Is('C', "F"))
                hht.Send('D', 0, "9990000100");
            else if (f.kind == 'A' && n < 100'000) {
                hht.Send('D', c.digit(n), c.frame(n));
                ++n;
            }
        };
        EXPECT_EQ(List(), c.result);
        Settle();
        if (c.result == 0) {
            EXPECT_EQ(view.items.size(), c.items);
            EXPECT_TRUE(table.Truncated);
            ASSERT_FALSE(hht.Of('E').empty());
            EXPECT_EQ(hht.Of('E').back().data, Ch(link::CAN));
        }
        EXPECT_LE(hht.Of('A').size(), 200u);
    }
}

TEST_F(HhtFilesTest, EraseAndRenameAnswers)
{
    struct Case {
        const char* name;
        std::function<void(ScriptedHht&)> reply;
        int result;
        std::size_t commands;
    };
    const std::vector<Case> cases = {
        {"done", [](ScriptedHht& h) { h.Send('A', 0, Ch(ACK)); }, 0, 1},
        {"failed", [](ScriptedHht& h) { h.Send('A', 0, "N"); }, -1, 1},
        {"wrong mode", [](ScriptedHht& h) { h.Send('R', 0, "M"); }, -4, 1},
        {"refused", [](ScriptedHht& h) { h.Send('R', 0, "F"); }, -1, 1},
        {"silent", [](ScriptedHht&) {}, -1, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hht.onFrame = [&](const PcFrame&) { c.reply(hht); };
        hht.received.clear();
        EXPECT_EQ(modes::DeleteHhtFile(link, "OLD.DAT"), c.result);
        EXPECT_EQ(hht.received.size(), c.commands);
        EXPECT_EQ(hht.received.front().data, "EOLD.DAT     ");
        hht.received.clear();
        EXPECT_EQ(modes::RenameHhtFile(link, "OLD.DAT", "NEW12345.TXT"), c.result);
        EXPECT_EQ(hht.received.size(), c.commands);
        EXPECT_EQ(hht.received.front().data, "NOLD.DAT     NEW12345.TXT");
    }
}

TEST_F(HhtFilesTest, AgainstTheSimulatedHandHeld)
{
    std::filesystem::create_directories(store.Path() / "001");
    for (int i = 0; i < 130; ++i)
        store.Put("001/F" + std::to_string(1000 + i) + ".DAT", "x");
    Start(Faults([](sim::FaultOptions& f) { f.repeatBlock = {2}; }));
    EXPECT_EQ(List(), 0);
    ASSERT_EQ(view.items.size(), 129u);
    EXPECT_EQ(view.items.front(), std::make_pair(std::string("F1000.DAT"), std::int64_t(1)));
    EXPECT_EQ(view.text, " " + std::to_string(4'000'000 - 130));

    EXPECT_EQ(modes::DeleteHhtFile(link, "F1000.DAT"), 0);
    EXPECT_FALSE(store.Has("001/F1000.DAT"));
    EXPECT_EQ(modes::RenameHhtFile(link, "F1001.DAT", "NEW.DAT"), 0);
    EXPECT_TRUE(store.Has("001/NEW.DAT"));
    EXPECT_EQ(modes::DeleteHhtFile(link, "NONE.DAT"), -1);

    Start(Faults([](sim::FaultOptions& f) { f.wrongMode = true; }));
    EXPECT_EQ(modes::DeleteHhtFile(link, "NEW.DAT"), -4);
    EXPECT_EQ(modes::RenameHhtFile(link, "NEW.DAT", "X.DAT"), -4);
    EXPECT_EQ(List(), -1);
}

} // namespace
} // namespace tavelin::testing
