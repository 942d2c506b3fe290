// SPDX-License-Identifier: MIT
// The program's own engines against the simulator, in-process, with line
// faults on the way: whatever the faults, a correct PC must finish and the
// files must arrive whole.
#include "modes/hht_files.h"
#include "sim_fixture.h"
#include "transfer/engines.h"

namespace tavelin::sim::testing {
namespace {

struct Names final : modes::FileListView {
    void Clear() override { items.clear(); }
    void AddItem(const std::string& text, std::int64_t) override { items.push_back(text); }
    std::vector<std::string> items;
};
struct Text final : modes::TextView {
    void SetText(std::string_view) override {}
};

std::string Content(std::size_t size, int salt)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 13 + static_cast<std::size_t>(salt)) % 256);
    return bytes;
}

class EnginesTest : public SimTest {
protected:
    EnginesTest()
    {
        pcDir = root / "pc";
        std::filesystem::create_directories(pcDir);
        state.settings.CommTimeout = 800;
        state.settings.PollTimeout = 300;
        state.settings.HistoryMode = 3;
        state.settings.WorkDir = pcDir.string() + "/";
    }
    std::string ReadPc(const std::string& name) const
    {
        std::ifstream in(pcDir / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    std::filesystem::path pcDir;
    transfer::NoProgress progress;
};

TEST_F(EnginesTest, DownloadSurvivesADamagedAndALostAcknowledgement)
{
    config.faults.corruptBccOfSent = {2}; // the first block's acknowledgement
    config.faults.dropSent = {4};         // the second block's
    Start();
    const std::string content = Content(1100, 1);
    std::ofstream(pcDir / "BIG.DAT", std::ios::binary) << content;
    EXPECT_EQ(transfer::DownloadFile(link, "D", state.settings.WorkDir, "BIG.DAT", progress), 0);
    EXPECT_EQ(Stored(1, "BIG.DAT"), content);
    EXPECT_EQ(stats().Violations(), 0);
}

TEST_F(EnginesTest, SetDownloadStopsTakingFilesWhenFull)
{
    config.faults.fullAfter = 1;
    Start();
    std::ofstream(pcDir / "ONE.DAT") << "one";
    std::ofstream(pcDir / "TWO.DAT") << "two";
    const std::vector<std::string> names{"ONE.DAT", "TWO.DAT"};
    EXPECT_EQ(transfer::DownloadFileSet(link, state.settings.WorkDir, names, progress, {}), 0);
    EXPECT_EQ(Stored(1, "ONE.DAT"), "one");
    EXPECT_FALSE(std::filesystem::exists(sim->StoreOf(1) / "TWO.DAT"));
}

TEST_F(EnginesTest, UploadOfAllSurvivesRepeatsAndALostEndFrame)
{
    config.faults.repeatHeader = {1};
    config.faults.repeatBlock = {2};
    config.faults.dropSent = {8}; // the end frame of A.DAT
    Start();
    const std::string a = Content(1100, 2), b = Content(40, 3);
    Seed(1, "A.DAT", a);
    Seed(1, "B.DAT", b);
    transfer::UpFileList table;
    EXPECT_EQ(transfer::UploadAllFiles(link, pcDir.string() + "/", progress, 1, table, {}), 0);
    EXPECT_EQ(ReadPc("A.DAT"), a);
    EXPECT_EQ(ReadPc("B.DAT"), b);
    EXPECT_EQ(stats().filesSent, 2);
}

TEST_F(EnginesTest, SingleUploadSurvivesNoise)
{
    config.faults.noiseBeforeSent = {2};
    config.faults.corruptBccOfSent = {3};
    Start();
    const std::string a = Content(1500, 4);
    Seed(1, "ONE.DAT", a);
    EXPECT_EQ(transfer::UploadFile(link, pcDir.string() + "/", "ONE.DAT", 1500, progress, 1), 0);
    EXPECT_EQ(ReadPc("ONE.DAT"), a);
}

TEST_F(EnginesTest, ListOfOneHundredThirtyFilesFillsTheTable)
{
    config.faults.repeatBlock = {2};
    config.listEntriesPerFrame = 7;
    Start();
    for (int i = 0; i < 130; ++i)
        Seed(1, "F" + std::to_string(1000 + i) + ".DAT", "x");
    modes::HhtFileTable table;
    Names names;
    Text free;
    EXPECT_EQ(modes::GetHhtFileList(link, table, names, free), 0);
    ASSERT_EQ(names.items.size(), 129u); // the table's room
    EXPECT_EQ(names.items[128], "F1128.DAT");
    EXPECT_EQ(table.HhtFreeBytes, 4'000'000 - 130);
}

} // namespace
} // namespace tavelin::sim::testing
