// SPDX-License-Identifier: MIT
// The settings dialog's rules without a display: what it shows for a record,
// the checks of OK in their order, the record and the three parameter files
// it leaves, and where the directory chooser opens.
#include "settings/codepage.h"
#include "settings/param_files.h"
#include "settings/paths.h"
#include "settings/settings_form.h"
#include "settings_form_fixture.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>

namespace tavelin::settings {
namespace {

namespace fs = std::filesystem;

// The upload directory must end in the platform's own separator.
std::string NativeSeparators(std::string path)
{
    std::replace(path.begin(), path.end(), '/', kDirSeparator);
    return path;
}

// --- what the dialog shows

TEST_F(SettingsFormTest, TheFormShowsTheRecordAndSelectsNothingForCodesWithoutAButton)
{
    Settings& s = state.settings;
    s.BaudCode = "3";
    s.CommTimeout = 1500; // not the 38400 default: the record's value is shown
    s.HhtIdRange[2] = {"20", "25"};
    s.AutoPollCount = 7;
    s.UploadMode = 3;
    s.HistoryMode = 2;
    auto shown = FormFromSettings(s);
    EXPECT_EQ(shown.baudCode, "3");
    EXPECT_EQ(shown.commTimeout, "1500");
    EXPECT_EQ(shown.pollTimeout, "50");
    EXPECT_EQ(shown.portKindCode, "0");
    EXPECT_EQ(shown.idFrom[0], "1");
    EXPECT_EQ(shown.idTo[0], "3");
    EXPECT_EQ(shown.idFrom[1], "");
    EXPECT_EQ(shown.idTo[2], "25");
    EXPECT_EQ(shown.retry, "7");
    EXPECT_EQ(shown.uploadMode, 3);
    EXPECT_EQ(shown.historyMode, 2);
    EXPECT_EQ(shown.upDir, dir.Text());

    s.BaudCode = "4"; // 57600 has no button
    s.ParityCode = "7";
    s.UploadMode = 0;
    s.HhtIdRange[1] = {"", "9"}; // no first ID: the row stays empty
    shown = FormFromSettings(s);
    EXPECT_EQ(shown.baudCode, "");
    EXPECT_EQ(shown.parityCode, "");
    EXPECT_EQ(shown.uploadMode, 0);
    EXPECT_EQ(shown.idTo[1], "");
}

TEST_F(SettingsFormTest, BaudButtonsGiveTheirTimeOutAndPortKindsEnableTheirRates)
{
    EXPECT_EQ(DefaultCommTimeout("0"), "2000");
    EXPECT_EQ(DefaultCommTimeout("1"), "1000");
    EXPECT_EQ(DefaultCommTimeout("2"), "800");
    EXPECT_EQ(DefaultCommTimeout("3"), "500");
    EXPECT_EQ(DefaultCommTimeout("5"), "500");
    EXPECT_EQ(DefaultCommTimeout("4"), "");

    using Buttons = std::array<std::optional<bool>, 5>; // 4800 9600 19200 38400 115.2K
    EXPECT_EQ(BaudButtonsFor("0"), (Buttons{true, true, true, true, true}));
    EXPECT_EQ(BaudButtonsFor("1"), (Buttons{true, true, true, true, std::nullopt}));
    EXPECT_EQ(BaudButtonsFor("2"), (Buttons{false, true, true, false, true}));
    EXPECT_EQ(BaudButtonsFor("3"), (Buttons{false, true, true, true, true}));
}

// --- the checks of OK

TEST_F(SettingsFormTest, ChecksRefuseInTheirOrderWithTheirMessages)
{
    // Every field wrong at once; each repair uncovers the next check.
    form.upDir = dir.Text() + "up";
    form.baudCode = "0";
    form.commTimeout = "400"; // with 4800 baud: the range check comes before the raise
    form.pollTimeout = "301";
    form.retry = "5x";
    form.idFrom = {"", "10", "", "", ""};
    form.idTo = {"", "5", "", "", ""};
    form.apFile = "/data/\xF0\x9F\x93\xA6/AP.HEX"; // a character code page 932 lacks

    ExpectRefused("アップロードディレクトリ名が正しくありません", "upload directory");
    form.upDir += kDirSeparator;
    ExpectRefused("通信TimeOutの値が正しくありません", "communication time-out");
    EXPECT_EQ(form.commTimeout, "400");
    form.commTimeout = "500";
    ExpectRefused("ポーリングTimeOutの値が正しくありません", "polling time-out");
    EXPECT_EQ(form.commTimeout, "1200"); // raised on screen although a later check refused
    form.pollTimeout = "300";
    ExpectRefused("オートモード・ポーリング回数が正しくありません", "polling count");
    form.retry = " 50 ";
    ExpectRefused("ハンディIDが正しくありません", "10 to 5");
    form.idFrom[1] = "";
    ExpectRefused("ハンディIDが指定されていません", "no row");
    form.idFrom[4] = "128";
    form.idTo[4] = "128";
    ExpectRefused("ファイル名・ディレクトリ名に使用できない文字があります", "path");
    form.apFile = "/data/AP.HEX";
    EXPECT_EQ(ApplySettingsForm(form, state).end, OkEnd::Saved);
}

TEST_F(SettingsFormTest, EachCheckHoldsItsBounds)
{
    const struct {
        void (*change)(SettingsForm&);
        std::string_view message; // empty: accepted
        const char* what;
    } rows[] = {
        {[](SettingsForm& f) { f.upDir = ""; }, "アップロードディレクトリ名が正しくありません", "empty upload directory"},
        {[](SettingsForm& f) { f.downDir = "down"; f.apFile = ""; }, "", "only the upload directory is checked"},
        {[](SettingsForm& f) { f.commTimeout = "499.6"; }, "通信TimeOutの値が正しくありません", "499.6 before rounding"},
        {[](SettingsForm& f) { f.commTimeout = "5000.4"; }, "通信TimeOutの値が正しくありません", "above 5000"},
        {[](SettingsForm& f) { f.commTimeout = "abc"; }, "通信TimeOutの値が正しくありません", "not a number"},
        {[](SettingsForm& f) { f.commTimeout = "5000"; }, "", "5000"},
        {[](SettingsForm& f) { f.pollTimeout = "49"; }, "ポーリングTimeOutの値が正しくありません", "poll 49"},
        {[](SettingsForm& f) { f.pollTimeout = "999"; }, "ポーリングTimeOutの値が正しくありません", "poll 999, which the file allows"},
        {[](SettingsForm& f) { f.retry = ""; }, "オートモード・ポーリング回数が正しくありません", "empty count"},
        {[](SettingsForm& f) { f.retry = "51"; }, "オートモード・ポーリング回数が正しくありません", "count 51"},
        {[](SettingsForm& f) { f.retry = "0"; }, "", "count 0"},
        {[](SettingsForm& f) { f.idFrom[0] = "0"; }, "ハンディIDが正しくありません", "ID 0"},
        {[](SettingsForm& f) { f.idTo[0] = "129"; }, "ハンディIDが正しくありません", "ID 129"},
        {[](SettingsForm& f) { f.idTo[0] = ""; }, "ハンディIDが正しくありません", "second box empty"},
        {[](SettingsForm& f) { f.idFrom[0] = "1a"; }, "ハンディIDが正しくありません", "not a whole number"},
        {[](SettingsForm& f) { f.idFrom[3] = "7"; f.idTo[3] = "6"; }, "ハンディIDが正しくありません", "a later row"},
        {[](SettingsForm& f) { f.idFrom[2] = ""; f.idTo[2] = "junk"; }, "", "empty first box skips the row"},
        {[](SettingsForm& f) { f.idFrom[0] = ""; f.idTo[0] = "3"; }, "ハンディIDが指定されていません", "no first box at all"},
        {[](SettingsForm& f) { f.downDir = "/a\r\nb/"; }, "ファイル名・ディレクトリ名に使用できない文字があります", "a line end"},
        {[](SettingsForm& f) { f.downDir = "/データ/ダウンロード/"; }, "", "Japanese path"},
    };
    for (const auto& row : rows) {
        SettingsForm tried = FormFromSettings(state.settings);
        row.change(tried);
        AppState scratch = state;
        scratch.settings.WorkDir = dir.Text() + "absent/"; // nothing is written anywhere we look
        const auto outcome = ApplySettingsForm(tried, scratch);
        // Accepted, then not saved there: only a refusal speaks of the form.
        EXPECT_EQ(outcome.end == OkEnd::Refused ? outcome.message : std::string_view(), row.message) << row.what;
        EXPECT_EQ(outcome.end == OkEnd::Refused, !row.message.empty()) << row.what;
    }
}

TEST_F(SettingsFormTest, SlowRatesRaiseTheTimeOutQuietly)
{
    const struct {
        const char* baud;
        const char* typed;
        std::int16_t saved;
    } rows[] = {
        {"0", "600", 1200}, {"0", "1500", 1500}, {"1", "700", 800},
        {"1", "799.4", 800}, {"2", "600", 600},  {"3", "500", 500},
    };
    for (const auto& row : rows) {
        SettingsForm tried = form;
        tried.baudCode = row.baud;
        tried.commTimeout = row.typed;
        const auto outcome = ApplySettingsForm(tried, state);
        EXPECT_EQ(outcome.end, OkEnd::Saved) << row.baud << " " << row.typed;
        EXPECT_TRUE(outcome.message.empty());
        EXPECT_EQ(state.settings.CommTimeout, row.saved) << row.baud << " " << row.typed;
    }
    // The saved value is what the next run reads.
    EXPECT_EQ(dir.Get("RSPRM.DAT").substr(8, 4), "0500");
}

// --- what OK leaves

TEST_F(SettingsFormTest, OkUpdatesTheRecordAndWritesTheFilesTheNextRunReads)
{
    form.baudCode = "1";
    form.parityCode = "0";
    form.dataBitsCode = "0";
    form.stopBitsCode = "1";
    form.comPortCode = "2";
    form.portKindCode = "3";
    form.commTimeout = "1200";
    form.pollTimeout = "120";
    form.idFrom = {"10", "", " 5", "", "128"};
    form.idTo = {"20", "99", "6 ", "", "128"};
    form.apFile = "/アプリ/AP.HEX";
    form.downDir = "/down/ONE.DAT";
    form.upDir = NativeSeparators("/受信/");
    form.uploadMode = 2;
    form.historyMode = 3;
    form.retry = "12";
    const auto outcome = ApplySettingsForm(form, state);
    ASSERT_EQ(outcome.end, OkEnd::Saved);
    EXPECT_FALSE(outcome.rsPrmFailed || outcome.hhtPrmFailed || outcome.dirPrmFailed);

    EXPECT_EQ(dir.Get("RSPRM.DAT"), "1001212012003\r\n");
    EXPECT_EQ(dir.Get("HHTPRM.DAT"), "10,20\r\n 5,6 \r\n128,128\r\n"); // the texts as typed
    EXPECT_EQ(dir.Get("DIRPRM.DAT"), Utf8ToCp932("/アプリ/AP.HEX") + "\r\n/down/ONE.DAT\r\n" + Utf8ToCp932(NativeSeparators("/受信/")) +
                                         "\r\nADD\r\nNONHISTORY\r\n12\r\n");

    const Settings& s = state.settings;
    EXPECT_EQ(s.HhtIdRange[1].IdFrom, ""); // the row with an empty first box
    EXPECT_EQ(s.HhtIdRange[2].IdTo, "6 ");
    EXPECT_EQ(state.FirstPollId, 4); // copy to all follows the new ranges
    EXPECT_EQ(state.LastPollId, 127);

    // The next run reads back exactly the record the dialog left.
    Settings next;
    next.WorkDir = dir.Text();
    const auto rs = ReadRsPrm(next);
    EXPECT_TRUE(rs.opened && !rs.checkFailed && !rs.readFailed);
    EXPECT_EQ(ReadHhtPrm(next, [] { return true; }).failedChecks, 0);
    EXPECT_FALSE(ReadDirPrm(next).readFailed);
    EXPECT_EQ(next.BaudCode + next.ParityCode + next.DataBitsCode + next.StopBitsCode + next.ComPortCode + next.PortKindCode,
              s.BaudCode + s.ParityCode + s.DataBitsCode + s.StopBitsCode + s.ComPortCode + s.PortKindCode);
    EXPECT_EQ(next.CommTimeout, s.CommTimeout);
    EXPECT_EQ(next.PollTimeout, s.PollTimeout);
    EXPECT_EQ(next.HhtIdOn, s.HhtIdOn);
    EXPECT_EQ(next.HhtIdRange[1].IdFrom, "5"); // the reader packs the ranges and trims blanks
    EXPECT_EQ(next.ApFile, s.ApFile);
    EXPECT_EQ(next.DownDir, s.DownDir);
    EXPECT_EQ(next.UpDir, s.UpDir);
    EXPECT_EQ(next.UploadMode, 2);
    EXPECT_EQ(next.HistoryMode, 3);
    EXPECT_EQ(next.AutoPollCount, 12);
}

TEST_F(SettingsFormTest, GroupsWithoutASelectionKeepTheirValues)
{
    state.settings.BaudCode = "4"; // from a file written by hand
    state.settings.UploadMode = 3;
    form = FormFromSettings(state.settings);
    form.parityCode = "";
    form.historyMode = 0;
    ASSERT_EQ(ApplySettingsForm(form, state).end, OkEnd::Saved);
    EXPECT_EQ(state.settings.BaudCode, "4");
    EXPECT_EQ(state.settings.ParityCode, "2");
    EXPECT_EQ(state.settings.UploadMode, 3);
    EXPECT_EQ(state.settings.HistoryMode, 1);
    EXPECT_EQ(dir.Get("RSPRM.DAT"), "4210005008000\r\n");
}

TEST_F(SettingsFormTest, ABaudRateThePortKindCannotCarryIsSavedThenReported)
{
    const struct {
        const char* baud;
        const char* kind;
        bool clash;
    } rows[] = {
        {"0", "2", true}, {"3", "2", true}, {"0", "3", true}, {"0", "0", false},
        {"1", "2", false}, {"3", "3", false}, {"5", "1", false},
    };
    for (const auto& row : rows) {
        SettingsForm tried = form;
        tried.baudCode = row.baud;
        tried.portKindCode = row.kind;
        const auto outcome = ApplySettingsForm(tried, state);
        EXPECT_EQ(outcome.end, row.clash ? OkEnd::SavedBaudClash : OkEnd::Saved) << row.baud << row.kind;
        EXPECT_EQ(outcome.message, row.clash ? "ボーレートが指定されていません" : "") << row.baud << row.kind;
        // Saved either way: the files already hold the new pair.
        EXPECT_EQ(dir.Get("RSPRM.DAT").substr(0, 1) + dir.Get("RSPRM.DAT").substr(12, 1), std::string(row.baud) + row.kind);
        EXPECT_EQ(state.settings.PortKindCode, row.kind);
    }
    // 57600 (only from a hand-written file) with the optical unit.
    state.settings.BaudCode = "4";
    form = FormFromSettings(state.settings);
    form.portKindCode = "1";
    EXPECT_EQ(ApplySettingsForm(form, state).end, OkEnd::SavedBaudClash);
}

// The three files change together or not at all, and the record with them.
TEST_F(SettingsFormTest, AFileThatCannotBeReplacedKeepsItsOldContent)
{
    dir.Put("RSPRM.DAT", "2210005008000\r\n");
    dir.Put("HHTPRM.DAT", "1,3\r\n");
    fs::create_directory(dir.Path() / "RSPRM.DAT.new"); // the replacement cannot be written
    form.commTimeout = "3000";
    form.idFrom[1] = "9";
    form.idTo[1] = "9";
    const int timeoutBefore = state.settings.CommTimeout;
    const auto lastPollBefore = state.LastPollId;
    const auto outcome = ApplySettingsForm(form, state);
    EXPECT_EQ(outcome.end, OkEnd::NotSaved);
    EXPECT_TRUE(outcome.rsPrmFailed);
    EXPECT_FALSE(outcome.hhtPrmFailed || outcome.dirPrmFailed);
    EXPECT_EQ(outcome.file, dir.Text() + "RSPRM.DAT");
    EXPECT_EQ(dir.Get("RSPRM.DAT"), "2210005008000\r\n"); // whole, not truncated
    EXPECT_EQ(state.settings.CommTimeout, timeoutBefore);
    EXPECT_EQ(state.LastPollId, lastPollBefore);
    EXPECT_EQ(dir.Get("HHTPRM.DAT"), "1,3\r\n");
    EXPECT_FALSE(dir.Has("HHTPRM.DAT.new") || dir.Has("DIRPRM.DAT"));

    // The last file refused: the two written before it get their bytes back
    // (or go, when there was none).
    fs::remove(dir.Path() / "RSPRM.DAT.new");
    fs::create_directory(dir.Path() / "DIRPRM.DAT.new");
    EXPECT_EQ(ApplySettingsForm(form, state).end, OkEnd::NotSaved);
    EXPECT_EQ(dir.Get("RSPRM.DAT"), "2210005008000\r\n");
    EXPECT_EQ(dir.Get("HHTPRM.DAT"), "1,3\r\n");
    EXPECT_FALSE(dir.Has("DIRPRM.DAT"));
    fs::remove(dir.Path() / "HHTPRM.DAT");
    fs::create_directories(dir.Path() / "DIRPRM.DAT.new");
    EXPECT_EQ(ApplySettingsForm(form, state).end, OkEnd::NotSaved);
    EXPECT_FALSE(dir.Has("HHTPRM.DAT"));
}

// --- the directory chooser

TEST(DirectoryChooser, OpensAtTheBoxDirectoryOrTheCurrentOne)
{
    testing::TempDir dir;
    fs::create_directory(dir.Path() / "DATA");
    const std::string current = dir.Text();
    EXPECT_EQ(ChooserStartDirectory(current + "DATA/FILE.HEX", current), current + "DATA/");
    EXPECT_EQ(ChooserStartDirectory(current + "DATA/", current), current + "DATA/");
    EXPECT_EQ(ChooserStartDirectory(current + "GONE/FILE.HEX", current), current);
    EXPECT_EQ(ChooserStartDirectory("/", current), "/");
    EXPECT_EQ(ChooserStartDirectory("/FILE.HEX", current), "/");
    EXPECT_EQ(ChooserStartDirectory("FILE.HEX", current), current); // no separator at all
    EXPECT_EQ(ChooserStartDirectory("", current), current);
    EXPECT_EQ(ChooserStartDirectory("DATA/AP.HEX", current), current + "DATA/");
    EXPECT_EQ(ChooserStartDirectory("\\\\server\\share\\AP.HEX", current), current);

    EXPECT_EQ(DirPrompt(DirTarget::UpDir), "アップロードディレクトリを選択してください");
    EXPECT_TRUE(IsNetworkPath("\\\\server\\share\\"));
    EXPECT_FALSE(IsNetworkPath("\\data\\"));
}

TEST(DirectoryText, TheSeparatorIsAppendedOnlyWhenMissing)
{
    const std::string sep(1, kDirSeparator);
    EXPECT_EQ(WithTrailingSeparator("data"), "data" + sep);
    EXPECT_EQ(WithTrailingSeparator("data" + sep), "data" + sep);
    EXPECT_EQ(WithTrailingSeparator(""), sep);
    EXPECT_EQ(CurrentDirectory().back(), kDirSeparator);
}

} // namespace
} // namespace tavelin::settings
