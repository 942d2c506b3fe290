// SPDX-License-Identifier: MIT
#include "logs_fixture.h"
#include "settings/end_param.h"
#include "settings/history.h"
#include "settings/result_log.h"
#include "settings/tav_inf.h"
#include "settings/text_file.h"
#include "support/no_wait.h"
#include "support/not_a_file.h"

#include <cerrno>
#include <deque>
#include <system_error>

namespace tavelin::settings {
namespace {

TEST_F(Logs, ResultLineIsByteExactInCodePage932)
{
    const LocalTime when{2026, 1, 2, 3, 4, 5};
    WriteResult(state, -1, 3, when);
    EXPECT_EQ(dir.Get("RESULT.DAT"),
              "26/01/02,03:04:05,-1 , 3 ,\x82\x67\x82\x67\x82\x73\x83\x41\x83\x68\x83\x8C\x83\x58\x83\x70\x83\x89\x83\x81"
              "\x81\x5B\x83\x5E\x83\x47\x83\x89\x81\x5B\r\n");

    WriteResult(state, 0, 12, when); // a second result replaces the first
    EXPECT_EQ(dir.Get("RESULT.DAT"), "26/01/02,03:04:05, 0 , 12 ,\x90\xB3\x8F\xED\x8F\x49\x97\xB9\r\n");
}

TEST_F(Logs, ManualMemoryRoundTripsInCodePage932AndIsReplacedWhole)
{
    EXPECT_FALSE(ReadTavInf(dir.Text()));
    dir.Put("TAV0001.INF", "old contents that are much longer than the new ones\r\nline two\r\nline three\r\n");
    ASSERT_TRUE(WriteTavInf(dir.Text(), {"7", "/data/\xE6\xAD\xA3\xE5\xB8\xB8"})); // "/data/正常"
    EXPECT_EQ(dir.Get("TAV0001.INF"), "7\r\n/data/\x90\xB3\x8F\xED\r\n");
    EXPECT_FALSE(dir.Has("TAV0001.INF.new"));
    const auto memory = ReadTavInf(dir.Text());
    ASSERT_TRUE(memory);
    EXPECT_EQ(memory->hhtId, "7");
    EXPECT_EQ(memory->directory, "/data/\xE6\xAD\xA3\xE5\xB8\xB8");

    dir.Put("TAV0001.INF", "12"); // one line, no line end
    EXPECT_EQ(ReadTavInf(dir.Text())->hhtId, "12");
    EXPECT_EQ(ReadTavInf(dir.Text())->directory, "");
    EXPECT_FALSE(WriteTavInf(dir.Text() + "missing/", {"1", "/"}));

    // A folder left in the temporary file's place refuses the write, and the
    // reason is the write's, not that of the clean-up that follows it.
    std::filesystem::create_directories(dir.Path() / "TAV0001.INF.new" / "x");
    const Status blocked = WriteTavInf(dir.Text(), {"1", "/"});
    EXPECT_FALSE(blocked);
    EXPECT_NE(blocked.Reason(), std::generic_category().message(ENOTEMPTY));
    EXPECT_EQ(dir.Get("TAV0001.INF"), "12");
}

TEST_F(Logs, ResultTextsByCode)
{
    const LocalTime when{};
    EXPECT_EQ(ResultLine(-1, 7, when), "00/01/01,00:00:00,-1 , 7 ,");
    EXPECT_EQ(ResultLine(-1, 6, when), "00/01/01,00:00:00,-1 , 6 ,通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙのﾎﾞｰﾚｰﾄ項目が範囲外です。");
    EXPECT_EQ(ResultText(-1, 1), "ＣＯＭポートエラー");
    EXPECT_EQ(ResultText(-1, 5), "ＩＲＬＩＮＫ接続エラー");
    EXPECT_EQ(ResultText(0, -3), "正常終了");
}

TEST_F(Logs, WriteFailuresAreSilent)
{
    state.settings.WorkDir = dir.Text() + "no/such/dir/";
    WriteResult(state, -1, 1);
    WriteHistory(state, nullptr, "A.TXT", 1, 0, "x");
    EXPECT_FALSE(dir.Has("no"));
}

TEST_F(Logs, WriteFailuresAreRecordedForTheExitStatus)
{
    // Directories in their places: unwritable even for root.
    std::filesystem::create_directory(dir.Path() / "RESULT.DAT");
    std::filesystem::create_directory(dir.Path() / "HISTORY.DAT");
    EXPECT_FALSE(WriteResult(state, 0, 1));
    EXPECT_NE(state.resultLine.find(", 0 , 1 ,"), std::string::npos) << state.resultLine; // still told elsewhere
    WriteHistory(state, nullptr, "A.TXT", 1, 0, "x");
    WriteHistory(state, nullptr, "B.TXT", 1, 0, "x");
    state.settings.HistoryMode = 3; // no file asked for: nothing failed
    WriteHistory(state, nullptr, "C.TXT", 1, 0, "x");
    auto failures = state.logFailures;
    EXPECT_TRUE(failures.result);
    EXPECT_EQ(failures.historyLines, 2);
    EXPECT_FALSE(failures.historyKept);

    // RESULT.DAT holds one outcome: once the latest is written, all is well there.
    std::filesystem::remove(dir.Path() / "RESULT.DAT");
    EXPECT_TRUE(WriteResult(state, 0, 1));
    failures = state.logFailures;
    EXPECT_FALSE(failures.result);
    EXPECT_EQ(failures.historyLines, 2);
    EXPECT_TRUE(failures.Any());
}

TEST_F(Logs, NewHistoryRemovesTheOldFileButNoDirectory)
{
    dir.Put("HISTORY.DAT", "old\r\n");
    ClearHistory(state);
    EXPECT_FALSE(dir.Has("HISTORY.DAT"));
    ClearHistory(state); // nothing there: nothing to do

    std::filesystem::create_directory(dir.Path() / "HISTORY.DAT");
    ClearHistory(state);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "HISTORY.DAT"));
    EXPECT_FALSE(state.logFailures.Any()); // only the lines that cannot go there will count
}

class RecordingList : public HistoryList {
public:
    int Count() const override { return int(lines.size()); }
    void RemoveFirst() override { lines.pop_front(); }
    void Add(const std::string& line, bool isFailed) override
    {
        lines.push_back(line);
        failed.push_back(isFailed);
    }
    void SelectLast() override { selected = Count() - 1; }
    std::deque<std::string> lines;
    std::vector<bool> failed; // as each line was marked
    int selected = -1;
};

TEST_F(Logs, LogLinesNeverHoldLineBreaksOrOtherControlCharacters)
{
    EXPECT_EQ(WithoutControlCharacters(std::string("A\r\nB\tC\x7F") + '\0' + "D\x1B"), "A??B?C??D?");
    EXPECT_EQ(WithoutControlCharacters("\xC2\x80|\xC2\x85|\xC2\x9F|\xE2\x80\xA8|\xE2\x80\xA9"), "?|?|?|?|?");
    // Their printable neighbours, Japanese text and bytes cut short stay as they are.
    for (const std::string kept : {"\xC2\xA0\xC2\xA9", "\xE2\x80\xA7\xE2\x80\x94", "正常終了ﾎﾞｰﾚｰﾄ", "A\xC2", "A\xE2\x80"})
        EXPECT_EQ(WithoutControlCharacters(kept), kept);

    // A file name cannot add a line of its own, neither to the file nor to the list.
    RecordingList list;
    WriteHistory(state, &list, "A\r\n007, 2 ,FORGED.TXT", 1, 0, "ok\n");
    EXPECT_EQ(dir.Get("HISTORY.DAT"), "007, 2 ,A??007, 2 ,FORGED.TXT, 1 , 0 ,\x90\xB3\x8F\xED\x8F\x49\x97\xB9\r\n");
    ASSERT_EQ(list.lines.size(), 1u);
    EXPECT_EQ(list.lines[0], "ID 007: A??007, 2 ,FORGED.TXT : ok?");
}

TEST_F(Logs, HistoryLineOnScreenAndInFile)
{
    RecordingList list;
    WriteHistory(state, &list, "DATA.TXT", 1100, 0, "ダウンロード正常終了");
    WriteHistory(state, &list, "B.TXT", 0, -3, "x");
    WriteHistory(state, &list, "C.TXT", 0, -9, "y");
    WriteHistory(state, &list, "D.TXT", 0, -2, "stopped");
    ASSERT_EQ(list.lines.size(), 4u);
    EXPECT_EQ(list.lines[0], "ID 007: DATA.TXT : ダウンロード正常終了");
    EXPECT_EQ(list.selected, 3);
    // The list is told which files failed, as the exit status counts them.
    EXPECT_EQ(list.failed, (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(state.failedFiles, 2);
    EXPECT_EQ(dir.Get("HISTORY.DAT"), "007, 2 ,DATA.TXT, 1100 , 0 ,\x90\xB3\x8F\xED\x8F\x49\x97\xB9\r\n"
                                      "007, 2 ,B.TXT, 0 ,-3 ,\x83\x5E\x83\x43\x83\x80\x83\x41\x83\x45\x83\x67\r\n"
                                      "007, 2 ,C.TXT, 0 ,-9 ,\r\n"
                                      "007, 2 ,D.TXT, 0 ,-2 ,\x92\x86\x92\x66\r\n");
}

// Rotation renames the file between two lines, as logrotate does without
// copytruncate: the next line starts a new file and none is lost.
TEST_F(Logs, HistoryRenamedBetweenLinesGoesOnInANewFile)
{
    WriteHistory(state, nullptr, "A.TXT", 1, 0, "");
    std::filesystem::rename(dir.Path() / "HISTORY.DAT", dir.Path() / "HISTORY.DAT.1");
    WriteHistory(state, nullptr, "B.TXT", 1, 0, "");
    EXPECT_EQ(dir.Get("HISTORY.DAT.1"), "007, 2 ,A.TXT, 1 , 0 ,\x90\xB3\x8F\xED\x8F\x49\x97\xB9\r\n");
    EXPECT_EQ(dir.Get("HISTORY.DAT"), "007, 2 ,B.TXT, 1 , 0 ,\x90\xB3\x8F\xED\x8F\x49\x97\xB9\r\n");
    EXPECT_FALSE(state.logFailures.Any());
}

// A line appended to a file whose last line was cut short starts a line of
// its own; one whose last line is whole goes straight after it.
TEST_F(Logs, HistoryLineIsNeverGluedToACutLine)
{
    const std::string line = "007, 2 ,A.TXT, 1 , 0 ,\x90\xB3\x8F\xED\x8F\x49\x97\xB9\r\n";
    const struct {
        std::string before, after;
    } rows[] = {
        {"", line},
        {"x", "x\r\n" + line},
        {"\n", "\n\r\n" + line},
        {"old\r", "old\r\r\n" + line},
        {"old\r\n", "old\r\n" + line},
        {"\r\n", "\r\n" + line},
    };
    for (const auto& row : rows) {
        dir.Put("HISTORY.DAT", row.before);
        WriteHistory(state, nullptr, "A.TXT", 1, 0, "");
        EXPECT_EQ(dir.Get("HISTORY.DAT"), row.after) << row.before.size() << " bytes before";
    }
}

TEST_F(Logs, NoHistoryFileWhileHistoryModeIsThree)
{
    state.settings.HistoryMode = 3;
    RecordingList list;
    WriteHistory(state, &list, "A.TXT", 5, 0, "ok");
    EXPECT_EQ(list.lines.size(), 1u);
    EXPECT_FALSE(dir.Has("HISTORY.DAT"));
}

TEST_F(Logs, HistoryListTrimsTheOldestLines)
{
    RecordingList list;
    for (int i = 0; i < 129; ++i)
        AddHistoryLine(state, &list, "F" + std::to_string(i), "t");
    EXPECT_EQ(list.Count(), 129);
    AddHistoryLine(state, &list, "NEW", "t");
    ASSERT_EQ(list.Count(), 33);
    EXPECT_EQ(list.lines.front(), "ID 007: F97 : t");
    EXPECT_EQ(list.lines.back(), "ID 007: NEW : t");
    EXPECT_EQ(list.selected, 32);
    AddHistoryLine(state, nullptr, "X", "t"); // no list: nothing to do
}

TEST_F(Logs, StopRequestFile)
{
    const struct {
        int runMode;
        const char* content; // nullptr: no file
        int result;
        Flag stop;
        Flag quit;
    } rows[] = {
        {3, "1", -2, kTrue, kFalse},   {3, "12", -2, kTrue, kFalse}, {3, "2", 0, kTrue, kTrue},
        {3, "0", 0, kFalse, kFalse},   {3, "", 0, kFalse, kFalse},   {3, "x", 0, kFalse, kFalse},
        {3, nullptr, 0, kFalse, kFalse}, {0, "2", 0, kFalse, kFalse}, {4, "1", 0, kFalse, kFalse},
    };
    for (const auto& row : rows) {
        std::filesystem::remove(dir.Path() / "ENDPRM.DAT");
        if (row.content)
            dir.Put("ENDPRM.DAT", row.content);
        AppState fresh;
        fresh.settings.WorkDir = dir.Text();
        fresh.settings.RunMode = std::int16_t(row.runMode);
        EXPECT_EQ(ReadEndParam(fresh), row.result) << row.runMode << (row.content ? row.content : "-");
        EXPECT_EQ(fresh.flags.StopRequest, row.stop);
        EXPECT_EQ(fresh.flags.QuitRequest, row.quit);
    }
}

TEST_F(Logs, StopRequestIsReadOnlyFromARegularFile)
{
    state.settings.RunMode = 3;
    const auto path = dir.Path() / "ENDPRM.DAT";
    for (const auto& thing : testing::NotAFileKinds()) { // a FIFO once made a wait, for good, for a writer
        thing.make(path);
        EXPECT_EQ(testing::WithoutWaitingOn(path, [&] { return ReadEndParam(state); }), 0) << thing.kind;
        std::filesystem::remove(path);
    }
    EXPECT_EQ(state.flags.StopRequest, kFalse);
    EXPECT_EQ(state.flags.QuitRequest, kFalse);
}

TEST_F(Logs, StopRequestSetsTheFlagsAgainAtEveryCall)
{
    dir.Put("ENDPRM.DAT", "2");
    state.settings.RunMode = 3;
    ReadEndParam(state);
    state.flags = {};
    ReadEndParam(state);
    EXPECT_EQ(state.flags.StopRequest, kTrue);
    EXPECT_EQ(state.flags.QuitRequest, kTrue);
    EXPECT_EQ(dir.Get("ENDPRM.DAT"), "2"); // never changed by the program
}

} // namespace
} // namespace tavelin::settings
