// SPDX-License-Identifier: MIT
// The single upload against a scripted hand-held: the file reaches its target
// only when complete, by overwrite, append or not at all.
#include "uploading_hht.h"

namespace tavelin::testing {
namespace {

using link::ACK;
using link::CAN;

// ---- one named file

TEST_F(UploadTest, AFileListedWithSizeZeroIsStoredEmptyWithoutAnAcknowledgement)
{
    files.Put("Z.DAT", "old");
    peer.files.push_back({"Z.DAT", "x"});
    EXPECT_EQ(Upload("Z.DAT", 0, 1), 0);
    EXPECT_EQ(files.Get("Z.DAT"), "");
    EXPECT_TRUE(hht.Of('A').empty());
}

TEST_F(UploadTest, ModesDecideWhatHappensToAnExistingFile)
{
    struct Case {
        int mode;
        std::string before; // "" : no target
        std::string after;
        bool tempLeft;
    };
    const std::string data = "NEWDATA";
    const std::vector<Case> cases = {
        {1, "old", data, false},
        {2, "old", "old" + data, false},
        {2, "old\x1A", "old" + data, false},
        {2, "old\x1A\x1A", "old\x1A" + data, false},
        {2, "", data, false},
        {2, "\x1A", data, false},
        {3, "old", "old", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        SCOPED_TRACE(c.before);
        std::filesystem::remove(files.Path() / "M.DAT");
        if (!c.before.empty())
            files.Put("M.DAT", c.before);
        peer.files.push_back({"M.DAT", data});
        EXPECT_EQ(Upload("M.DAT", std::int64_t(data.size()), c.mode), 0);
        EXPECT_EQ(files.Get("M.DAT"), c.after);
        EXPECT_EQ(work.Has("DATA.TMP"), c.tempLeft);
    }
    EXPECT_EQ(work.Get("DATA.TMP"), data) << "mode 3 leaves the data for the caller";
}

TEST_F(UploadTest, StopRequests)
{
    // In the middle of the data: the transfer ends and nothing is stored.
    peer.files.push_back({"S.DAT", Pattern(3000)});
    peer.observer = [this](const PcFrame& f) {
        if (f.Is('A', Ch(ACK)) && f.digit == 2)
            state.flags.StopRequest = settings::kTrue;
    };
    EXPECT_EQ(Upload("S.DAT", 3000, 1), -2);
    EXPECT_FALSE(files.Has("S.DAT"));
    ASSERT_FALSE(hht.Of('E').empty());
    EXPECT_EQ(hht.Of('E').back().digit, 2) << "the digit of the last block taken";
    EXPECT_EQ(state.flags.StopRequest, settings::kFalse);

    // After the last byte: the file is complete and is kept.
    peer.files.push_back({"T.DAT", Pattern(600)});
    peer.observer = [this](const PcFrame& f) {
        if (f.Is('A', Ch(ACK)) && f.digit == 1)
            state.flags.StopRequest = settings::kTrue;
    };
    EXPECT_EQ(Upload("T.DAT", 600, 1), 0);
    EXPECT_TRUE(files.Get("T.DAT") == Pattern(600));
}

TEST_F(UploadTest, MoreDataThanAnnouncedIsRefused)
{
    files.Put("BIG.DAT", "keep me");
    peer.files.push_back({"BIG.DAT", Pattern(1000)});
    peer.extraBytes = 100000;
    EXPECT_EQ(Upload("BIG.DAT", 1000, 1), -1);
    EXPECT_EQ(files.Get("BIG.DAT"), "keep me");
    EXPECT_LE(std::filesystem::file_size(work.Path() / "DATA.TMP"), 1000u);
    ASSERT_FALSE(hht.Of('R').empty());
    EXPECT_EQ(hht.Of('R').back().data, "F");
}

TEST_F(UploadTest, NamesThatAreNoPlainPcFileNameAreNeverRequested)
{
    for (const char* name : {"..", ".", "../UP.DAT", "A/B", "A\\B", "C:X", "CON", "nul.txt", "COM1.DAT", "LPT9",
                             "A\tB", ""}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Upload(name, 10, 1), -1);
        EXPECT_TRUE(hht.received.empty());
    }
}

TEST_F(UploadTest, AFailedCommitIsNoSuccess)
{
    std::filesystem::create_directories(files.Path() / "D.DAT" / "inside"); // cannot be replaced by a file
    peer.files.push_back({"D.DAT", "data"});
    EXPECT_EQ(Upload("D.DAT", 4, 1), -1);
    EXPECT_EQ(work.Get("DATA.TMP"), "data") << "the received data is not lost";

    peer.files.push_back({"D.DAT", "data"});
    EXPECT_EQ(Upload("D.DAT", 4, 2), -1);
    EXPECT_EQ(work.Get("DATA.TMP"), "data");
}

} // namespace
} // namespace tavelin::testing
