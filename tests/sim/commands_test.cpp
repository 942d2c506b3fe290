// SPDX-License-Identifier: MIT
// One-frame commands and the file list, played by hand.
#include "sim_fixture.h"

namespace tavelin::sim::testing {
namespace {

std::string Name12(std::string_view name) { return std::string(name) + std::string(12 - name.size(), ' '); }

TEST_F(SimTest, EraseAndRenameChangeTheStoreAndRefuseWhatCannotBeDone)
{
    Start();
    state.CurHhtId = "002";
    Seed(2, "A.DAT", "a");
    Seed(2, "b.txt", "bb"); // known to the hand-held as B.TXT
    struct Step {
        std::string command;
        char kind;
        char first;
    } steps[] = {
        {"E" + Name12("B.TXT"), 'A', ACK},
        {"E" + Name12("B.TXT"), 'A', ACK}, // the same again: its answer was lost
        {"E" + Name12("NONE.DAT"), 'R', 'F'},
        {"N" + Name12("A.DAT") + Name12("C.DAT"), 'A', ACK},
        {"N" + Name12("C.DAT") + Name12("BAD NAME"), 'R', 'F'},
        {"N" + Name12("C.DAT") + Name12(".."), 'R', 'F'},
        {"E" + Name12(".."), 'R', 'F'},
    };
    for (const Step& step : steps) {
        Send('C', 0, step.command);
        EXPECT_TRUE(Recv().Is(step.kind, 0, std::string(1, step.first))) << step.command;
    }
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(sim->StoreOf(2)))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"C.DAT"});
    EXPECT_TRUE(std::filesystem::exists(root)); // ".." was never touched
    EXPECT_EQ(stats().filesErased, 1);
}

// The first answer never reaches the line; however often the erase comes
// again, it is answered as done, and done once.
TEST_F(SimTest, RepeatedEraseGetsTheAnswerThatWasLost)
{
    config.faults.dropSent = {1};
    Start();
    Seed(1, "B.TXT", "b");
    Send('C', 0, "E" + Name12("B.TXT"));
    EXPECT_EQ(Recv().rc, -3);
    for (int time = 0; time < 2; ++time) {
        Send('C', 0, "E" + Name12("B.TXT"));
        EXPECT_TRUE(Recv().Is('A', 0, Char(ACK))) << time;
    }
    EXPECT_EQ(stats().filesErased, 1);
}

TEST_F(SimTest, WrongModeRefusesFileCommandsButAnswersThePoll)
{
    config.faults.wrongMode = true;
    Start();
    Send('C', 0, "P");
    EXPECT_TRUE(Recv().Is('A', 0, Char(ACK)));
    for (const std::string& command : std::vector<std::string>{"F", "U", "W002", "S" + Name12("X.DAT"), "D" + Name12("X.DAT") + "0000001"}) {
        Send('C', 0, command);
        EXPECT_TRUE(Recv().Is('R', 0, "M")) << command;
    }
}

class ListTest : public SimTest {
protected:
    // The PC's side of a list: acknowledge the header and each entry frame,
    // and take a repeated entry frame only once.
    std::vector<std::pair<std::string, int>> ReadList(Answer& header, std::vector<int>& digits)
    {
        Send('C', 0, "F");
        header = Recv();
        Send('A', 0, Char(ACK));
        std::vector<std::pair<std::string, int>> entries;
        for (Answer a = Recv(); a.rc == 0 && a.kind == 'D'; a = Recv()) {
            Send('A', a.digit, Char(ACK));
            if (!digits.empty() && digits.back() == a.digit)
                continue; // a repeat
            digits.push_back(a.digit);
            for (auto& entry : Entries(a.data))
                entries.push_back(entry);
        }
        return entries;
    }
};

TEST_F(ListTest, OneHundredThirtyFilesComeInEntryFramesWithCyclingDigits)
{
    config.listEntriesPerFrame = 10;
    config.freeSpace = 1'000'000;
    Start();
    for (int i = 0; i < 130; ++i)
        Seed(3, "F" + std::to_string(1000 + i) + ".DAT", std::string(static_cast<std::size_t>(i), 'x'));
    state.CurHhtId = "003";
    Send('C', 0, "F");
    Answer header = Recv();
    EXPECT_TRUE(header.Is('D', 0, "130" "0991615")) << header.data; // 1,000,000 less 0+1+...+129
    Send('A', 0, Char(ACK));
    std::vector<std::pair<std::string, int>> entries;
    std::vector<int> digits;
    Answer a = Recv();
    for (; a.rc == 0 && a.kind == 'D'; a = Recv()) {
        digits.push_back(a.digit);
        for (auto& entry : Entries(a.data))
            entries.push_back(entry);
        Send('A', a.digit, Char(ACK));
    }
    EXPECT_EQ(a.kind, 'E');
    ASSERT_EQ(entries.size(), 130u);
    EXPECT_EQ(entries[0], std::make_pair(std::string("F1000.DAT"), 0));
    EXPECT_EQ(entries[129], std::make_pair(std::string("F1129.DAT"), 129));
    EXPECT_EQ(digits, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3}));
    EXPECT_EQ(stats().resends, 0);
}

TEST_F(ListTest, AnEntryFrameWithoutAcknowledgementIsSentAgain)
{
    Start();
    Seed(1, "ONE.DAT", "1");
    Send('C', 0, "F");
    ASSERT_TRUE(Recv().Is('D', 0, "0013999999"));
    Send('A', 0, Char(ACK));
    const Answer first = Recv();
    ASSERT_EQ(first.kind, 'D');
    const Answer again = Recv(3000); // not acknowledged: it comes again after the resend time
    EXPECT_EQ(again.data, first.data);
    EXPECT_EQ(again.digit, first.digit);
    Send('A', 0, Char(ACK)); // an acknowledgement with another digit does not count
    EXPECT_EQ(Recv(3000).data, first.data);
    Send('A', first.digit, Char(ACK));
    EXPECT_TRUE(Recv().Is('E', 0, Char(EOT)));
}

TEST_F(ListTest, EmptyStoreAndLostHeaderAcknowledgementStillEndTheList)
{
    Start();
    Seed(1, "lower.txt", "abc");
    Seed(1, "TOOLONGNAME.TXT", "x"); // not an 8.3 name: not on the hand-held
    state.CurHhtId = "002";
    Send('C', 0, "F");
    EXPECT_TRUE(Recv().Is('D', 0, "0004000000"));
    Send('A', 0, Char(ACK));
    EXPECT_TRUE(Recv().Is('E', 0, Char(EOT)));

    state.CurHhtId = "001";
    Send('C', 0, "F");
    ASSERT_EQ(Recv().kind, 'D'); // its acknowledgement never reaches the hand-held
    const Answer entries = Recv(3000);
    ASSERT_EQ(entries.kind, 'D');
    EXPECT_EQ(Entries(entries.data), (std::vector<std::pair<std::string, int>>{{"LOWER.TXT", 3}}));
    EXPECT_EQ(stats().assumedAcks, 1);
}

} // namespace
} // namespace tavelin::sim::testing
