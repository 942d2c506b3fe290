// SPDX-License-Identifier: MIT
#include "app/platform.h"
#include "app/startup.h"
#include "settings/codepage.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace tavelin::app {
namespace {

class RecordingMessages : public MessageBox {
public:
    void Show(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

class StartupTest : public ::testing::Test {
protected:
    StartupResult Run(const char* commandLine) { return Startup(state, messages).Run(commandLine, dir.Path().string()); }
    std::string ResultTail() const
    {
        // RESULT.DAT without its date and time stamps
        const std::string line = settings::Cp932ToUtf8(dir.Get("RESULT.DAT"));
        return line.size() > 18 ? line.substr(18) : line;
    }
    void PutGoodFiles() const
    {
        dir.Put("RSPRM.DAT", "2210005008000\r\n");
        dir.Put("HHTPRM.DAT", "3,7\r\n");
        dir.Put("DIRPRM.DAT", "/ap/A.HEX\r\n/down/\r\n/up/\r\nOVER\r\nNEWHISTORY\r\n2\r\n");
    }

    testing::TempDir dir;
    settings::AppState state;
    RecordingMessages messages;
};

TEST(CommandLine, SwitchesBySubstringInTheirOrder)
{
    const struct {
        const char* line;
        int mode;
        bool icon;
    } rows[] = {
        {"/up /icon", 3, true}, {"/ICON", 0, true},       {"/DOWN /UP", 2, false}, {"/UP /DOWN", 2, false},
        {"/apin", 1, false},    {"x/UPDATE", 3, false},   {"", 0, false},                  {"/APIN /DOWN", 1, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RunModeFromCommandLine(row.line), row.mode) << row.line;
        EXPECT_EQ(HasIconSwitch(row.line), row.icon) << row.line;
    }
}

TEST(Captions, PerRunMode)
{
    EXPECT_EQ(WindowCaption(0), "Tavelin　＜マニュアルモード＞");
    EXPECT_EQ(WindowCaption(1), "Tavelin　＜オート　ＡＰインストール＞  Ver1.17");
    EXPECT_EQ(WindowCaption(2), "Tavelin　＜オート　ダウンロード＞  Ver1.17");
    EXPECT_EQ(WindowCaption(3), "Tavelin　＜オート　アップロード＞  Ver1.17");
}

TEST(PollRange, LowestAndHighestConfiguredId)
{
    settings::AppState state;
    state.settings.HhtIdOn.fill("0");
    InitPollRange(state);
    EXPECT_EQ(state.FirstPollId, -1);
    EXPECT_EQ(state.LastPollId, 127);
    for (int i = 2; i <= 6; ++i)
        state.settings.HhtIdOn[i] = "1";
    InitPollRange(state);
    EXPECT_EQ(state.FirstPollId, 2);
    EXPECT_EQ(state.LastPollId, 6);
}

TEST_F(StartupTest, BaudRateAgainstPortKind)
{
    // Forbidden codes per port kind: manual and /APIN, then /DOWN and /UP.
    const struct {
        const char* kind;
        const char* forbiddenManual;
        const char* forbiddenTransfer;
    } rows[] = {{"0", "4", ""}, {"1", "4", "4"}, {"2", "034", "034"}, {"3", "04", "0"}, {"9", "", ""}};
    for (const auto& row : rows) {
        for (char baud = '0'; baud <= '5'; ++baud) {
            for (int mode = 0; mode <= 3; ++mode) {
                settings::AppState fresh;
                fresh.settings.WorkDir = dir.Text();
                fresh.settings.BaudCode = std::string(1, baud);
                fresh.settings.PortKindCode = row.kind;
                const std::string forbidden = (mode >= 2) ? row.forbiddenTransfer : row.forbiddenManual;
                const bool allowed = forbidden.find(baud) == std::string::npos;
                EXPECT_EQ(Startup(fresh, messages).PFile_Check(std::int16_t(mode)), allowed)
                    << "kind " << row.kind << " baud " << baud << " mode " << mode;
            }
        }
    }
}

TEST_F(StartupTest, NoParameterFilesStartsManualModeWithDefaults)
{
    const auto result = Run("/ICON");
    EXPECT_EQ(result.end, StartupEnd::ShowManual);
    EXPECT_FALSE(result.minimised);
    const auto& s = state.settings;
    EXPECT_EQ(s.WorkDir, dir.Text());
    // Every Windows the program runs on answers the version query as NT,
    // and the NT interval is what the timers are tuned for.
    EXPECT_EQ(SystemTimerFamily(), TimerFamily::WindowsNt);
    EXPECT_EQ(s.PollInterval, 30);
    EXPECT_EQ(s.BaudCode, "2");
    EXPECT_EQ(s.ComPortCode, "0");
    EXPECT_EQ(s.PortKindCode, "0");
    EXPECT_EQ(s.HhtIdOn[0], "1");
    EXPECT_EQ(s.UpDir, dir.Text());
    EXPECT_EQ(s.UploadMode, 1);
    EXPECT_EQ(s.HistoryMode, 1);
    EXPECT_EQ(state.FirstPollId, 0);
    EXPECT_EQ(state.LastPollId, 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(dir.Has("RESULT.DAT"));
}

TEST_F(StartupTest, GoodFilesStartTheAutomaticRunAndClearTheHistory)
{
    PutGoodFiles();
    dir.Put("HISTORY.DAT", "old\r\n");
    const auto result = Run("/up /icon");
    EXPECT_EQ(result.end, StartupEnd::ShowAutomatic);
    EXPECT_TRUE(result.minimised);
    EXPECT_EQ(state.settings.RunMode, 3);
    EXPECT_EQ(state.FirstPollId, 2);
    EXPECT_EQ(state.LastPollId, 6);
    EXPECT_EQ(state.settings.AutoPollCount, 2);
    EXPECT_FALSE(dir.Has("HISTORY.DAT"));
}

TEST_F(StartupTest, HistoryIsKeptInManualModeAndWithAddHistory)
{
    PutGoodFiles();
    dir.Put("HISTORY.DAT", "old\r\n");
    Run("");
    EXPECT_TRUE(dir.Has("HISTORY.DAT"));
    dir.Put("DIRPRM.DAT", "/a\r\n/d/\r\n/u/\r\nOVER\r\nADDHISTORY\r\n0\r\n");
    settings::AppState fresh;
    Startup(fresh, messages).Run("/DOWN", dir.Path().string());
    EXPECT_TRUE(dir.Has("HISTORY.DAT"));
}

TEST_F(StartupTest, AutomaticFailuresWriteTheirResultCodeAndEnd)
{
    const struct {
        const char* file;
        const char* content;
        const char* tail;
        bool message;
    } rows[] = {
        {"RSPRM.DAT", "2210009998000", "-1 , 2 ,通信条件パラメータエラー\r\n", true},
        {"RSPRM.DAT", "2", "-1 , 2 ,通信条件パラメータエラー\r\n", true},
        {"HHTPRM.DAT", "1,3\r\n9,200\r\n", "-1 , 3 ,ＨＨＴアドレスパラメータエラー\r\n", false},
        {"DIRPRM.DAT", "a\r\nb\r\n", "-1 , 4 ,データパラメータエラー\r\n", false},
        {"RSPRM.DAT", "0210005008003", "-1 , 6 ,通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙのﾎﾞｰﾚｰﾄ項目が範囲外です。\r\n", true},
    };
    for (const auto& row : rows) {
        PutGoodFiles();
        dir.Put(row.file, row.content);
        settings::AppState fresh;
        RecordingMessages shown;
        const auto result = Startup(fresh, shown).Run("/DOWN", dir.Path().string());
        EXPECT_EQ(result.end, StartupEnd::EndProgram) << row.content;
        EXPECT_EQ(ResultTail(), row.tail) << row.content;
        EXPECT_EQ(shown.shown.size(), row.message ? 1u : 0u) << row.content;
    }
}

// A parameter file that is there but cannot be read is no missing file:
// its defaults would poll COM1 or send the work folder to the hand-helds. An
// automatic start ends with the file's code; the window shows the file's
// message and opens on the defaults, with nothing written.
TEST_F(StartupTest, ParameterFileThatCannotBeReadEndsAnAutomaticStart)
{
    const struct {
        const char* file;
        const char* tail;
        const char* message;
    } rows[] = {
        {"RSPRM.DAT", "-1 , 2 ,通信条件パラメータエラー\r\n", "通信条件パラメータファイルにエラーがあります"},
        {"HHTPRM.DAT", "-1 , 3 ,ＨＨＴアドレスパラメータエラー\r\n", "ハンディIDが正しくありません"},
        {"DIRPRM.DAT", "-1 , 4 ,データパラメータエラー\r\n", "データパラメータファイルにエラーがあります"},
    };
    for (const auto& row : rows) {
        PutGoodFiles();
        std::filesystem::remove(dir.Path() / row.file);
        std::filesystem::create_directory(dir.Path() / row.file);
        settings::AppState automatic;
        RecordingMessages shown;
        EXPECT_EQ(Startup(automatic, shown).Run("/DOWN", dir.Path().string()).end, StartupEnd::EndProgram) << row.file;
        EXPECT_EQ(ResultTail(), row.tail) << row.file;
        EXPECT_TRUE(shown.shown.empty()) << row.file;

        std::filesystem::remove(dir.Path() / "RESULT.DAT");
        settings::AppState manual;
        EXPECT_EQ(Startup(manual, shown).Run("", dir.Path().string()).end, StartupEnd::ShowManual) << row.file;
        EXPECT_EQ(shown.shown, std::vector<std::string>{row.message}) << row.file;
        EXPECT_FALSE(dir.Has("RESULT.DAT")) << row.file;
        std::filesystem::remove(dir.Path() / row.file);
    }
}

TEST_F(StartupTest, ManualModeShowsReadProblemsAndGoesOn)
{
    PutGoodFiles();
    dir.Put("HHTPRM.DAT", "0,5\r\n7,a\r\n");
    dir.Put("DIRPRM.DAT", "/ap\r\n");
    const auto result = Run("");
    EXPECT_EQ(result.end, StartupEnd::ShowManual);
    const std::vector<std::string> expected = {
        "ハンディIDが正しくありません", "ハンディIDが正しくありません", "ハンディIDが正しくありません",
        "ハンディIDが正しくありません", "データパラメータファイルにエラーがあります"};
    EXPECT_EQ(messages.shown, expected);
    EXPECT_EQ(state.settings.HhtIdOn[4], "1"); // the pair is used as far as it goes
    EXPECT_FALSE(dir.Has("RESULT.DAT"));
}

TEST_F(StartupTest, ManualModeEndsOnOutOfRangeValuesAndForbiddenBaudRates)
{
    PutGoodFiles();
    dir.Put("RSPRM.DAT", "0210005008003"); // 4800 baud on the irlink adapter
    EXPECT_EQ(Run("").end, StartupEnd::EndProgram);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙのﾎﾞｰﾚｰﾄ設定値が範囲外です。"});
    EXPECT_EQ(ResultTail(), "-1 , 6 ,通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙのﾎﾞｰﾚｰﾄ項目が範囲外です。\r\n");

    dir.Put("RSPRM.DAT", "7210005008000");
    settings::AppState fresh;
    RecordingMessages shown;
    EXPECT_EQ(Startup(fresh, shown).Run("", dir.Path().string()).end, StartupEnd::EndProgram);
    EXPECT_EQ(shown.shown, std::vector<std::string>{"通信ﾊﾟﾗﾒｰﾀﾌｧｲﾙの設定値が範囲外です。"});
}

TEST_F(StartupTest, BaudCodeFourOnTheCablePassesOnlyForTransfers)
{
    PutGoodFiles();
    dir.Put("RSPRM.DAT", "4210005008000");
    EXPECT_EQ(Run("/DOWN").end, StartupEnd::ShowAutomatic);
    settings::AppState apin;
    EXPECT_EQ(Startup(apin, messages).Run("/APIN", dir.Path().string()).end, StartupEnd::EndProgram);
}

} // namespace
} // namespace tavelin::app
