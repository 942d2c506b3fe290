// SPDX-License-Identifier: MIT
#include "param_files_fixture.h"
#include "support/no_wait.h"
#include "support/not_a_file.h"

#include <fstream>

namespace tavelin::settings {
namespace {

// --- RSPRM.DAT

TEST_F(ParamFiles, CommParamsDefaultsFileAndMissingFileAgree)
{
    dir.Put("RSPRM.DAT", "2210005008000\r\n");
    const auto read = ReadRsPrm(s);
    EXPECT_TRUE(read.opened);
    EXPECT_FALSE(read.checkFailed);
    EXPECT_FALSE(read.readFailed);

    Settings missing;
    missing.WorkDir = dir.Text() + "nowhere/";
    EXPECT_FALSE(ReadRsPrm(missing).opened);

    for (const Settings* x : {&s, &missing}) {
        EXPECT_EQ(x->BaudCode, "2");
        EXPECT_EQ(x->ParityCode, "2");
        EXPECT_EQ(x->DataBitsCode, "1");
        EXPECT_EQ(x->StopBitsCode, "0");
        EXPECT_EQ(x->ComPortCode, "0");
        EXPECT_EQ(x->PollTimeout, 50);
        EXPECT_EQ(x->CommTimeout, 800);
        EXPECT_EQ(x->PortKindCode, "0");
    }
}

TEST_F(ParamFiles, CommParamsRangeChecks)
{
    const struct {
        const char* file;
        bool checkFailed;
        bool readFailed;
    } rows[] = {
        {"5211399950003", false, false}, // every field at its upper bound
        {"6210005008000", true, false},  // baud code
        {"2310005008000", true, false},  // parity
        {"2220005008000", true, false},  // data bits
        {"2212005008000", true, false},  // stop bits
        {"2210405008000", true, false},  // COM5
        {"2210004908000", true, false},  // polling time-out below 50
        {"2210005004990", true, false},  // communication time-out below 500
        {"2210005050010", true, false},  // communication time-out above 5000
        {"2210005008004", true, false},  // port kind
        {"221000500800X", true, false},  // port kind must be a number
        {"221000500800\r\n", true, false}, // 12 characters: the line end is taken as the port kind
        {"221000500800", true, true},    // 12 characters and nothing after them
        {"", true, true},
    };
    for (const auto& row : rows) {
        dir.Put("RSPRM.DAT", row.file);
        Settings fresh;
        fresh.WorkDir = dir.Text();
        const auto outcome = ReadRsPrm(fresh);
        EXPECT_EQ(outcome.checkFailed, row.checkFailed) << row.file;
        EXPECT_EQ(outcome.readFailed, row.readFailed) << row.file;
    }
}

TEST_F(ParamFiles, CommParamsCountCharactersNotBytes)
{
    // A double-byte character takes one position, so the later fields stay in place.
    dir.Put("RSPRM.DAT", "\x82\x51" "210005008000");
    const auto outcome = ReadRsPrm(s);
    EXPECT_TRUE(outcome.checkFailed);
    EXPECT_FALSE(outcome.readFailed);
    EXPECT_EQ(s.CommTimeout, 800);
    EXPECT_EQ(s.PortKindCode, "0");
}

// --- HHTPRM.DAT

TEST_F(ParamFiles, IdRangesMarkTheirIds)
{
    dir.Put("HHTPRM.DAT", "1,3\r\n5,5\r\n");
    int errors = 0;
    ReadHhtPrm(s, [&] { ++errors; return true; });
    EXPECT_EQ(errors, 0);
    for (int i = 0; i < kMaxHhtId; ++i)
        EXPECT_EQ(s.HhtIdOn[i], (i <= 2 || i == 4) ? "1" : "0") << i;
    EXPECT_EQ(s.HhtIdRange[1].IdFrom, "5");
    EXPECT_EQ(s.HhtIdRange[2].IdFrom, "");
}

TEST_F(ParamFiles, IdPairsSplitOverLinesOrQuotedReadTheSame)
{
    for (const char* file : {"2\r\n4\r\n", "\"2\",\"4\"\r\n", "  2 ,  4", "2,\r\n4\r\n\r\n"}) {
        dir.Put("HHTPRM.DAT", file);
        Settings fresh;
        fresh.WorkDir = dir.Text();
        int errors = 0;
        ReadHhtPrm(fresh, [&] { ++errors; return true; });
        EXPECT_EQ(errors, 0) << file;
        EXPECT_EQ(fresh.HhtIdRange[0].IdFrom, "2") << file;
        EXPECT_EQ(fresh.HhtIdRange[0].IdTo, "4") << file;
        EXPECT_EQ(fresh.HhtIdOn[0], "0") << file;
        EXPECT_EQ(fresh.HhtIdOn[3], "1") << file;
    }
}

TEST_F(ParamFiles, NoPairConfiguresIdOneAlone)
{
    for (const char* file : {"", "\r\n", "7"}) {
        dir.Put("HHTPRM.DAT", file);
        Settings fresh;
        fresh.WorkDir = dir.Text();
        const auto outcome = ReadHhtPrm(fresh, [] { return true; });
        EXPECT_TRUE(outcome.opened);
        EXPECT_EQ(outcome.failedChecks, 0);
        EXPECT_EQ(fresh.HhtIdOn[0], "1") << file;
        EXPECT_EQ(fresh.HhtIdOn[6], "0") << file;
        EXPECT_EQ(fresh.HhtIdRange[0].IdFrom, "1");
        EXPECT_EQ(fresh.HhtIdRange[0].IdTo, "1");
    }
    Settings missing;
    missing.WorkDir = dir.Text() + "none/";
    EXPECT_FALSE(ReadHhtPrm(missing, [] { return true; }).opened);
    EXPECT_EQ(missing.HhtIdOn[0], "1");
}

TEST_F(ParamFiles, BadIdsCountEachFailedCheckOrStopAtTheFirst)
{
    const struct {
        const char* file;
        int failedChecks;
    } rows[] = {
        {"0,5", 1},      // first below 1
        {"1,129", 1},    // last above 128
        {"5,3", 1},      // range backwards
        {"a,b", 4},      // neither numeric, neither in 1..128
        {"1,2\r\n3,x", 3},
    };
    for (const auto& row : rows) {
        dir.Put("HHTPRM.DAT", row.file);
        Settings manual;
        manual.WorkDir = dir.Text();
        int calls = 0;
        EXPECT_EQ(ReadHhtPrm(manual, [&] { ++calls; return true; }).failedChecks, row.failedChecks) << row.file;
        EXPECT_EQ(calls, row.failedChecks) << row.file;

        Settings automatic;
        automatic.WorkDir = dir.Text();
        calls = 0;
        EXPECT_GE(ReadHhtPrm(automatic, [&] { ++calls; return false; }).failedChecks, 1) << row.file;
        EXPECT_EQ(calls, 1) << row.file;
    }
}

TEST_F(ParamFiles, IdRangesStayInsideTheTable)
{
    dir.Put("HHTPRM.DAT", "1,128\r\n0,200\r\n1,1\r\n1,1\r\n1,1\r\n9,9\r\n");
    Settings fresh;
    fresh.WorkDir = dir.Text();
    ReadHhtPrm(fresh, [] { return true; });
    for (int i = 0; i < kMaxHhtId; ++i)
        ASSERT_EQ(fresh.HhtIdOn[i], "1") << i;
    EXPECT_TRUE(fresh.HhtIdRange[5].IdFrom.empty()); // a sixth pair is never read
}

TEST_F(ParamFiles, IdsBeyondAnIntMarkOnlyWhatLiesInTheTable)
{
    // Manual mode reads on after the failed checks and marks what it can.
    dir.Put("HHTPRM.DAT", "1e10,1e10\r\n-1e300,2\r\n127,1e300\r\n");
    Settings fresh;
    fresh.WorkDir = dir.Text();
    ReadHhtPrm(fresh, [] { return true; });
    for (int i = 0; i < kMaxHhtId; ++i)
        EXPECT_EQ(fresh.HhtIdOn[i], i <= 1 || i >= 126 ? "1" : "0") << i;
}

// --- DIRPRM.DAT

TEST_F(ParamFiles, DirectoriesAndModeWords)
{
    const struct {
        const char* upload;
        const char* history;
        int uploadMode;
        int historyMode;
    } rows[] = {
        {"over", "newhistory", 1, 1}, {"ADD", "AddHistory", 2, 2}, {"Non", "NONHISTORY", 3, 3}, {"xyz", "", 1, 1},
    };
    for (const auto& row : rows) {
        dir.Put("DIRPRM.DAT", std::string("C:\\AP\\PROG.HEX\r\nC:\\DOWN\\\r\nC:\\UP\\\r\n") + row.upload + "\r\n" +
                                  row.history + "\r\n12\r\n");
        Settings fresh;
        fresh.WorkDir = dir.Text();
        EXPECT_FALSE(ReadDirPrm(fresh).readFailed);
        EXPECT_EQ(fresh.ApFile, "C:\\AP\\PROG.HEX");
        EXPECT_EQ(fresh.DownDir, "C:\\DOWN\\");
        EXPECT_EQ(fresh.UpDir, "C:\\UP\\");
        EXPECT_EQ(fresh.UploadMode, row.uploadMode) << row.upload;
        EXPECT_EQ(fresh.HistoryMode, row.historyMode) << row.history;
        EXPECT_EQ(fresh.AutoPollCount, 12);
    }
}

TEST_F(ParamFiles, DirectoriesMissingFileAndShortFile)
{
    EXPECT_FALSE(ReadDirPrm(s).opened);
    EXPECT_EQ(s.ApFile, dir.Text());
    EXPECT_EQ(s.DownDir, dir.Text());
    EXPECT_EQ(s.UpDir, dir.Text());
    EXPECT_EQ(s.UploadMode, 1);
    EXPECT_EQ(s.HistoryMode, 1);
    EXPECT_EQ(s.AutoPollCount, 0);

    dir.Put("DIRPRM.DAT", "/ap.hex\r\n/down/\r\n/up/\r\nADD\r\nADDHISTORY");
    Settings fresh;
    fresh.WorkDir = dir.Text();
    const auto outcome = ReadDirPrm(fresh);
    EXPECT_TRUE(outcome.readFailed);
    EXPECT_EQ(outcome.lines, 5); // the start names the sixth as the one missing
    EXPECT_EQ(fresh.UploadMode, 2);
    EXPECT_EQ(fresh.HistoryMode, 2); // a last line without its line end still counts
    EXPECT_EQ(fresh.AutoPollCount, 0);
}

// --- all three

TEST_F(ParamFiles, OnlyRegularFilesAreRead)
{
    const struct {
        const char* name;
        bool (*read)(Settings&); // whether the file was opened
    } files[] = {
        {"RSPRM.DAT", [](Settings& x) { return ReadRsPrm(x).opened; }},
        {"HHTPRM.DAT", [](Settings& x) { return ReadHhtPrm(x, [] { return true; }).opened; }},
        {"DIRPRM.DAT", [](Settings& x) { return ReadDirPrm(x).opened; }},
    };
    const auto other = dir.Path() / "other";
    std::filesystem::create_directory(other);
    for (const auto& file : files) {
        const auto path = dir.Path() / file.name;
        // A folder was once an uncaught exception, a FIFO a wait for a writer
        // that never comes; a device is no file either.
        for (const auto& thing : testing::NotAFileKinds()) {
            thing.make(path);
            EXPECT_FALSE(testing::WithoutWaitingOn(path, [&] { return file.read(s); })) << file.name << " " << thing.kind;
            std::filesystem::remove(path);
        }

        // A link to a regular file is read as before.
        std::ofstream(other / file.name) << "1";
        if (testing::MakeLink(other / file.name, path)) {
            EXPECT_TRUE(file.read(s)) << file.name;
        }
    }
}

// A name that stands for something that cannot be read is not a missing
// file: the readers still take the defaults, but say why, so that a start
// can refuse to run on them. Only nothing at all is a missing file.
TEST_F(ParamFiles, WhatCannotBeReadIsToldApartFromAMissingFile)
{
    const struct {
        const char* name;
        std::string (*read)(Settings&);
    } files[] = {
        {"RSPRM.DAT", [](Settings& x) { return ReadRsPrm(x).unreadable; }},
        {"HHTPRM.DAT", [](Settings& x) { return ReadHhtPrm(x, [] { return true; }).unreadable; }},
        {"DIRPRM.DAT", [](Settings& x) { return ReadDirPrm(x).unreadable; }},
    };
    std::vector<testing::NotAFile> kinds = testing::NotAFileKinds();
    kinds.insert(kinds.begin(), {"missing", [](const std::filesystem::path&) {}, ""});
    for (const auto& file : files) {
        for (const auto& kind : kinds) {
            const auto path = dir.Path() / file.name;
            std::filesystem::remove_all(path);
            kind.make(path);
            Settings fresh;
            fresh.WorkDir = dir.Text();
            EXPECT_EQ(file.read(fresh), kind.why) << file.name << " " << kind.kind;
            std::filesystem::remove_all(path);
        }
    }
}

// Files written on Linux end their lines in LF alone: they read as with CR LF.
TEST_F(ParamFiles, LineFeedsAloneEndLinesAsCrLfDoes)
{
    for (const std::string end : {"\r\n", "\n"}) {
        dir.Put("RSPRM.DAT", "5001306012003" + end);
        dir.Put("HHTPRM.DAT", "1,10" + end + "20,20" + end);
        dir.Put("DIRPRM.DAT", "/ap/AP.HEX" + end + "/down/" + end + "/up/" + end + "NON" + end + "ADDHISTORY" + end +
                                  "5" + end);
        Settings fresh;
        fresh.WorkDir = dir.Text();
        const auto rs = ReadRsPrm(fresh);
        EXPECT_FALSE(rs.checkFailed || rs.readFailed) << end.size();
        EXPECT_EQ(fresh.PortKindCode, "3") << end.size();
        EXPECT_EQ(ReadHhtPrm(fresh, [] { return true; }).failedChecks, 0);
        EXPECT_EQ(fresh.HhtIdRange[1].IdTo, "20") << end.size();
        EXPECT_FALSE(ReadDirPrm(fresh).readFailed) << end.size();
        EXPECT_EQ(fresh.DownDir, "/down/") << end.size();
        EXPECT_EQ(fresh.UpDir, "/up/") << end.size();
        EXPECT_EQ(fresh.AutoPollCount, 5) << end.size();
    }
}

// --- writers

TEST_F(ParamFiles, WritersProduceTheFilesTheReadersTake)
{
    // RSPRM.DAT's fields in the order of its record, 5 0 0 1 3 060 1200 3:
    s.BaudCode = "5", s.ParityCode = "0", s.DataBitsCode = "0", s.StopBitsCode = "1";
    s.ComPortCode = "3", s.PollTimeout = 60, s.CommTimeout = 1200, s.PortKindCode = "3";
    s.HhtIdRange[0] = {"1", "10"};
    s.HhtIdRange[2] = {"20", "20"}; // an empty entry between them is skipped
    s.ApFile = "/データ/AP.HEX";
    s.DownDir = "/down/";
    s.UpDir = "/up/";
    s.UploadMode = 3;
    s.HistoryMode = 2;
    s.AutoPollCount = 5;
    ASSERT_TRUE(WriteRsPrm(s));
    ASSERT_TRUE(WriteHhtPrm(s));
    ASSERT_TRUE(WriteDirPrm(s));

    EXPECT_EQ(dir.Get("RSPRM.DAT"), "5001306012003\r\n");
    EXPECT_EQ(dir.Get("HHTPRM.DAT"), "1,10\r\n20,20\r\n");
    EXPECT_EQ(dir.Get("DIRPRM.DAT"), "/\x83\x66\x81\x5B\x83\x5E/AP.HEX\r\n/down/\r\n/up/\r\nNON\r\nADDHISTORY\r\n5\r\n");

    Settings back;
    back.WorkDir = dir.Text();
    EXPECT_FALSE(ReadRsPrm(back).checkFailed);
    ReadHhtPrm(back, [] { return true; });
    ReadDirPrm(back);
    EXPECT_EQ(back.CommTimeout, 1200);
    EXPECT_EQ(back.HhtIdRange[1].IdFrom, "20");
    EXPECT_EQ(back.HhtIdOn[19], "1");
    EXPECT_EQ(back.ApFile, s.ApFile);
    EXPECT_EQ(back.UploadMode, 3);
}

} // namespace
} // namespace tavelin::settings
