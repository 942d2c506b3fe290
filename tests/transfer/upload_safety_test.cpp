// SPDX-License-Identifier: MIT
// Upload of all files against the simulated hand-held where a careless site or
// a hostile hand-held could cost data: each file is in place before the
// hand-held hears it was taken, names that cannot be held exactly or that
// belong to the program are refused, a failed append leaves the target as it
// was (upload_safety_posix_test.cpp), and a name offered twice in NON mode
// keeps the first file.
#include "upload_safety_fixture.h"

#include <memory>

namespace tavelin::testing {
namespace {

TEST_F(UploadSafetyTest, AFileIsInPlaceBeforeTheHandHeldHearsItWasTaken)
{
    Offer("A.DAT", Bytes(1500, 1));
    Offer("B.DAT", Bytes(700, 2));
    int taken = 0;
    OnHandHeldLog = [&](const std::string& line) {
        if (line.find(": taken") == std::string::npos)
            return;
        ++taken; // a crash from here on must not cost this file
        const std::string name = line.find("A.DAT") != std::string::npos ? "A.DAT" : "B.DAT";
        EXPECT_EQ(files.Get(name), Bytes(name == "A.DAT" ? 1500 : 700, name == "A.DAT" ? 1 : 2)) << name;
        EXPECT_EQ(history.lines.size(), std::size_t(taken));
    };
    Start();
    EXPECT_EQ(UploadAll(files.Text(), 1), 0);
    EXPECT_EQ(taken, 2);
    EXPECT_FALSE(work.Has("UPTMP.00") || work.Has("UPTMP.01"));
}

TEST_F(UploadSafetyTest, NamesThatAreNotExactlyAFileOfTheirOwnAreRefused)
{
    // Two names that are not code page 932 would both become the same text.
    Offer("A.TXT", "first");
    Offer("B.TXT", "second");
    Offer("C.TXT", "kept");
    Start(Faults([](sim::FaultOptions& f) { f.offeredNames = {{"A.TXT", "\x81\xFF.TXT"}, {"B.TXT", "\x81\xFE.TXT"}}; }));
    EXPECT_EQ(UploadAll(files.Text(), 1), 0);
    EXPECT_EQ(files.Get("C.TXT"), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files.Path()), {}), 1);
    ASSERT_EQ(history.lines.size(), 3u);
    EXPECT_NE(history.lines[0].find("ファイル名使用不可"), std::string::npos);
    EXPECT_NE(history.lines[1].find("ファイル名使用不可"), std::string::npos);
    EXPECT_NE(HistoryFile()[1].find(", 0 ,-5 ,"), std::string::npos);
}

TEST_F(UploadSafetyTest, TheProgramsOwnFilesAreNotTheHandHeldsToReplace)
{
    Offer("HISTORY.DAT", "forged history");
    Offer("RSPRM.DAT", "9,9,9");
    Offer("UPTMP.01", "wrong bytes");
    Offer("B.TXT", "right bytes");
    Offer("TAV0001.INF", "x");
    Start(Faults([](sim::FaultOptions& f) { f.offeredNames = {{"RSPRM.DAT", "rsprm.dat"}}; }));
    EXPECT_EQ(UploadAll(work.Text().substr(0, work.Text().size() - 1), 1), 0); // the work directory, without its separator
    EXPECT_EQ(work.Get("B.TXT"), "right bytes");
    EXPECT_FALSE(work.Has("rsprm.dat") || work.Has("RSPRM.DAT") || work.Has("TAV0001.INF"));
    EXPECT_EQ(HistoryFile().size(), 5u); // the history is still ours
    const auto& lines = history.lines;
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("ファイル名使用不可") != std::string::npos; }),
              4);

    // Elsewhere those are names like any other.
    Start();
    std::filesystem::remove(store.Path() / "001" / "B.TXT");
    EXPECT_EQ(UploadAll(files.Text(), 1), 0);
    EXPECT_EQ(files.Get("HISTORY.DAT"), "forged history");
    EXPECT_EQ(files.Get("UPTMP.01"), "wrong bytes");
}

TEST_F(UploadSafetyTest, ANameOfferedTwiceInNonModeKeepsTheFirstFile)
{
    Offer("A.TXT", "first");
    Offer("B.TXT", "second");
    Start(Faults([](sim::FaultOptions& f) { f.offeredNames = {{"B.TXT", "A.TXT"}}; }));
    EXPECT_EQ(UploadAll(files.Text(), 3), 0);
    EXPECT_EQ(files.Get("A.TXT"), "first");
    EXPECT_EQ(history.lines.back(), "ID 001: A.TXT : 同名ファイルがあります");
    EXPECT_EQ(hand->GetStats().filesSent, 1);
}

} // namespace
} // namespace tavelin::testing
