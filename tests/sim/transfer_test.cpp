// SPDX-License-Identifier: MIT
// Downloads to and uploads from the hand-held, played by hand.
#include "sim_fixture.h"

namespace tavelin::sim::testing {
namespace {

std::string Name12(std::string_view name) { return std::string(name) + std::string(12 - name.size(), ' '); }
std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) % 256); // every byte value, control characters too
    return bytes;
}
const std::string kAck = Char(ACK), kEot = Char(EOT), kEnq = "\x05";

class DownloadTest : public SimTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DownloadTest, ElevenHundredBytesInThreeBlocksAreStoredOnce)
{
    const bool silent = GetParam();
    config.faults.silentAfterLast = silent;
    Start();
    const std::string content = Pattern(1100);
    Send('C', 0, std::string(silent ? "A" : "D") + Name12("BIG.HEX") + "0001100");
    ASSERT_TRUE(Recv().Is('A', 0, kAck));
    Send('D', 0, content.substr(0, 512));
    EXPECT_TRUE(Recv().Is('A', 0, kAck));
    Send('D', 1, content.substr(512, 512));
    EXPECT_TRUE(Recv().Is('A', 1, kAck));
    Send('D', 1, content.substr(512, 512)); // its acknowledgement was lost
    EXPECT_TRUE(Recv().Is('A', 1, kAck));
    EXPECT_FALSE(std::filesystem::exists(sim->StoreOf(1) / "BIG.HEX")); // not before the last block
    Send('D', 2, content.substr(1024));
    EXPECT_TRUE(Recv().Is('A', 2, kAck));
    const Answer stored = Recv(); // the PC's extra receive after the last block
    if (silent)
        EXPECT_EQ(stored.rc, -3);
    else
        EXPECT_TRUE(stored.Is('A', 2, kAck));
    Send('E', 0, kEot);
    EXPECT_EQ(Recv().rc, -3);
    EXPECT_EQ(Stored(1, "BIG.HEX"), content);
    EXPECT_EQ(stats().filesStored, 1);
    EXPECT_EQ(stats().Violations(), 0);
}

INSTANTIATE_TEST_SUITE_P(Ending, DownloadTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "SilentAfterLast" : "AckWhenStored"; });

TEST_F(SimTest, SetDownloadTakesEachFileAndSkippedNames)
{
    Start();
    Send('C', 0, "W003");
    ASSERT_TRUE(Recv().Is('A', 0, kAck));
    Send('C', 0, Name12("DATA.TXT") + "0000003"); // starts with "D", yet is a file of the set
    ASSERT_TRUE(Recv().Is('A', 0, kAck));
    Send('D', 0, "abc");
    EXPECT_TRUE(Recv().Is('A', 0, kAck));
    EXPECT_TRUE(Recv().Is('A', 0, kAck));
    Send('E', 0, kEot);
    Send('R', 0, "F"); // a name the PC could not use
    Send('C', 0, Name12("EMPTY.DAT") + "0000000");
    ASSERT_TRUE(Recv().Is('A', 0, kAck));
    Send('E', 0, kEot);
    Send('D', 0, kEot);
    EXPECT_EQ(Recv().rc, -3);
    EXPECT_EQ(Stored(1, "DATA.TXT"), "abc");
    EXPECT_TRUE(std::filesystem::exists(sim->StoreOf(1) / "EMPTY.DAT"));
    EXPECT_EQ(stats().filesStored, 2);
    EXPECT_EQ(stats().unexpectedFrames, 0);
}

// The end frame of the first file is lost; the next request is the next
// file's, not a command spelled by its name's first letter. That one is
// refused, and its refusal repeated when the request comes again.
TEST_F(SimTest, SetDownloadTakesTheNextRequestAfterALostEndFrame)
{
    config.faults.ignoreReceived = {4}; // "W", request, block, end frame
    config.faults.fullAfter = 1;
    Start();
    Send('C', 0, "W002");
    ASSERT_TRUE(Recv().Is('A', 0, kAck));
    Send('C', 0, Name12("ONE.DAT") + "0000001");
    ASSERT_TRUE(Recv().Is('A', 0, kAck));
    Send('D', 0, "1");
    EXPECT_TRUE(Recv().Is('A', 0, kAck));
    EXPECT_TRUE(Recv().Is('A', 0, kAck));
    Send('E', 0, kEot);
    for (int time = 0; time < 2; ++time) {
        Send('C', 0, Name12("DATA2.TXT") + "0000001");
        EXPECT_TRUE(Recv().Is('R', 0, "F")) << time;
    }
    Send('D', 0, kEot);
    EXPECT_EQ(Recv().rc, -3);
    EXPECT_EQ(Stored(1, "ONE.DAT"), "1");
    EXPECT_EQ(stats().filesStored, 1);
    EXPECT_EQ(stats().filesRejected, 1);
    EXPECT_EQ(stats().unexpectedFrames, 0);
    EXPECT_EQ(stats().lengthViolations, 0);
}

struct Broken {
    const char* what;
    std::vector<std::pair<char, std::string>> afterAcceptance; // frames the PC sends, digit 0
};

class BrokenDownloadTest : public SimTest, public ::testing::WithParamInterface<Broken> {};

TEST_P(BrokenDownloadTest, LeavesNoFileBehind)
{
    Start();
    Seed(1, "KEEP.DAT", "old");
    Send('C', 0, "D" + Name12("KEEP.DAT") + "0000004");
    ASSERT_TRUE(Recv().Is('A', 0, kAck));
    for (const auto& [kind, data] : GetParam().afterAcceptance)
        Send(kind, 0, data);
    Recv();
    Send('C', 0, "P"); // any later command
    Recv();
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sim->StoreOf(1)))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"KEEP.DAT"});
    EXPECT_EQ(Stored(1, "KEEP.DAT"), "old");
    EXPECT_EQ(stats().filesStored, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenDownloadTest,
    ::testing::Values(Broken{"stopped", {{'D', "ab"}, {'E', "\x18"}}},
                      Broken{"more than announced", {{'D', "abcde"}}},
                      Broken{"ended early", {{'D', "ab"}, {'E', kEot}}},
                      Broken{"PC cannot read its file", {{'R', "F"}}},
                      Broken{"cut short by a new command", {{'D', "ab"}}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST_F(SimTest, RequestsThatCannotBeStoredAreRefused)
{
    config.freeSpace = 100;
    Start();
    for (const std::string& request : std::vector<std::string>{"D" + Name12("BIG.DAT") + "0000101", "D" + Name12("..") + "0000001",
                                      "D" + Name12("A\\B.DAT") + "0000001"}) {
        Send('C', 0, request);
        EXPECT_TRUE(Recv().Is('R', 0, "F")) << request;
    }
}

TEST_F(SimTest, UploadOfAllOffersTwoFilesWithHeadersBlocksAndEnds)
{
    Start();
    const std::string a = Pattern(600);
    Seed(1, "A.DAT", a);
    Seed(1, "B.DAT", "hello");
    Send('C', 0, "U");
    EXPECT_TRUE(Recv().Is('D', 0, "002"));
    EXPECT_TRUE(Recv().Is('D', 1, Name12("A.DAT") + "0000600"));
    Send('A', 1, kAck);
    EXPECT_TRUE(Recv().Is('D', 0, a.substr(0, 512)));
    Send('A', 0, kAck);
    EXPECT_TRUE(Recv().Is('D', 1, a.substr(512)));
    Send('A', 1, kAck);
    EXPECT_TRUE(Recv().Is('E', 0, kEot));
    Send('A', 0, kAck);
    EXPECT_TRUE(Recv().Is('D', 2, Name12("B.DAT") + "0000005"));
    Send('A', 2, kAck);
    EXPECT_TRUE(Recv().Is('D', 0, "hello"));
    Send('A', 0, kAck);
    EXPECT_TRUE(Recv().Is('E', 0, kEot));
    Send('A', 0, kAck);
    EXPECT_TRUE(Recv().Is('D', 0, kEot));
    EXPECT_EQ(stats().filesSent, 2);
    EXPECT_EQ(stats().resends, 0);
    EXPECT_EQ(Stored(1, "A.DAT"), a); // uploaded files stay
}

TEST_F(SimTest, UploadOfAllFollowsTheDigitOfAnEnquiry)
{
    Start();
    const std::string a = Pattern(600);
    Seed(1, "A.DAT", a);
    Seed(1, "SKIP.DAT", "s");
    Send('C', 0, "U");
    Recv();
    ASSERT_EQ(Recv().digit, 1);
    Send('A', 1, kAck);
    ASSERT_EQ(Recv().digit, 0);
    Send('A', 0, kEnq); // the PC has block 0 and saw it again: go on
    EXPECT_TRUE(Recv().Is('D', 1, a.substr(512)));
    Send('A', 0, kEnq); // block 1 came damaged: send it again
    EXPECT_TRUE(Recv().Is('D', 1, a.substr(512)));
    Send('A', 1, kAck);
    EXPECT_TRUE(Recv().Is('E', 0, kEot));
    Send('A', 1, kEnq); // the end frame was lost
    EXPECT_TRUE(Recv().Is('E', 0, kEot));
    Send('A', 0, kAck);
    EXPECT_TRUE(Recv().Is('D', 2, Name12("SKIP.DAT") + "0000001"));
    Send('R', 2, "S");
    EXPECT_TRUE(Recv().Is('D', 0, kEot));
    EXPECT_EQ(stats().filesSent, 1);
}

TEST_F(SimTest, UploadOfAllTakesSilenceAfterAnEndFrameAsItsAcknowledgement)
{
    Start();
    Seed(1, "A.DAT", "a");
    Send('C', 0, "U");
    Recv();
    Recv();
    Send('A', 1, kAck);
    Recv();
    Send('A', 0, kAck);
    EXPECT_TRUE(Recv().Is('E', 0, kEot));
    // The PC's acknowledgement is lost: the end frame comes twice more.
    EXPECT_TRUE(Recv(1500).Is('E', 0, kEot));
    EXPECT_TRUE(Recv(1500).Is('E', 0, kEot));
    EXPECT_TRUE(Recv(1500).Is('D', 0, kEot));
    EXPECT_EQ(stats().assumedAcks, 1);
}

TEST_F(SimTest, SingleUploadSendsBlocksThenAnEndFrameItRepeatsOnEnquiry)
{
    Start();
    Seed(1, "ONE.DAT", "payload");
    Seed(1, "ZERO.DAT", "");
    Send('C', 0, "S" + Name12("one.dat"));
    EXPECT_TRUE(Recv().Is('D', 0, "payload"));
    Send('A', 0, kAck);
    EXPECT_TRUE(Recv().Is('E', 0, kEot));
    Send('A', 0, kEnq);
    EXPECT_TRUE(Recv().Is('E', 0, kEot));

    Send('C', 0, "S" + Name12("ZERO.DAT"));
    EXPECT_TRUE(Recv().Is('E', 0, kEot));
    Send('C', 0, "S" + Name12("NONE.DAT"));
    EXPECT_TRUE(Recv().Is('R', 0, "F"));
}

} // namespace
} // namespace tavelin::sim::testing
