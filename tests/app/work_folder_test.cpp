// SPDX-License-Identifier: MIT
// The command line's options and the work folder rules: where a desktop start
// runs, the recent list, and the window's switch to another folder.
#include "app/options.h"
#include "app/work_folder.h"
#include "settings/paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace tavelin::app {
namespace {

namespace fs = std::filesystem;

Options Parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "tavelin");
    return ParseOptions(int(args.size()), args.data());
}

TEST(Options, SwitchesStayForTheCommandLineAndOptionsAreTakenOut)
{
    const Options options = Parse({"/down", "--workdir", "/srv/UPLOAD", "/ICON"});
    EXPECT_EQ(options.action, OptionsAction::Run);
    // The folder's name must not be searched for switches: /srv/UPLOAD holds "/UP".
    EXPECT_EQ(options.commandLine, "/down /ICON");
    EXPECT_EQ(options.workDir, "/srv/UPLOAD");
    EXPECT_EQ(Parse({"--workdir=/a b"}).workDir, "/a b");
    EXPECT_TRUE(Parse({"--desktop"}).desktop);
    EXPECT_EQ(Parse({}).action, OptionsAction::Run);
    const Options quiet = Parse({"/UP", "--quiet"});
    EXPECT_TRUE(quiet.quiet);
    EXPECT_EQ(quiet.commandLine, "/UP");
    EXPECT_FALSE(options.quiet);
}

TEST(Options, UnknownOrIncompleteOptionsAreUsageErrors)
{
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"-x"}, {"/UP", "--wrokdir", "/tmp"}, {"-"}, {"--workdir"}, {"--workdir="}, {"--desktop", "--workdir", "/t"}}) {
        const Options options = Parse(args);
        EXPECT_EQ(options.action, OptionsAction::Usage) << args.front();
        EXPECT_FALSE(options.problem.empty());
    }
    EXPECT_EQ(Parse({"-q"}).problem, "unknown option -q");
}

TEST(Options, ScanTakesAComNameAndNoSwitches)
{
    const Options plain = Parse({"--scan"});
    EXPECT_EQ(plain.action, OptionsAction::Scan);
    EXPECT_EQ(plain.scanPort, 0);
    EXPECT_FALSE(plain.scanAll);
    const Options all = Parse({"--workdir", "/w", "--scan-all", "com4"});
    EXPECT_EQ(all.action, OptionsAction::Scan);
    EXPECT_TRUE(all.scanAll);
    EXPECT_EQ(all.scanPort, 4);
    EXPECT_EQ(all.workDir, "/w");
    EXPECT_EQ(Parse({"--scan", "COM0"}).problem, "no such port 'COM0' (COM1..COM4)");
    EXPECT_EQ(Parse({"--scan", ""}).problem, "no such port '' (COM1..COM4)");
    EXPECT_EQ(Parse({"--scan", "--scan-all"}).problem, "--scan and --scan-all go once, and not together");
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--scan", "/DOWN"}, {"--scan", "--desktop"}, {"--quiet", "--scan"}, {"--scan", "COM12"}, {"--scan", "COM1", "COM2"},
             {"--scan-all", "COM1", "--scan"}, {"--scan", "COM1", "--scan", "COM1"}, {"--scan-all", ""}})
        EXPECT_EQ(Parse(args).action, OptionsAction::Usage) << args[1] << " " << args.back();
}

// Whole seconds, 0 to a day, given apart or joined; anything else, or none,
// is a usage error that names what was given.
TEST(Options, LineWaitTakesWholeSecondsUpToADay)
{
    const Options apart = Parse({"--line-wait", "0", "/DOWN"});
    EXPECT_EQ(apart.action, OptionsAction::Run);
    EXPECT_EQ(apart.lineWait, 0);
    EXPECT_EQ(apart.commandLine, "/DOWN");
    EXPECT_EQ(Parse({"--line-wait=86400"}).lineWait, 86400);
    EXPECT_FALSE(Parse({"/UP"}).lineWait.has_value());
    for (const char* bad : {"86401", "-1", "1.5", "", "30s", "99999999999"})
        EXPECT_EQ(Parse({"--line-wait", bad}).problem,
                  std::string("--line-wait needs whole seconds from 0 to 86400") +
                      (*bad ? std::string(", not '") + bad + "'" : "")) << bad;
    EXPECT_EQ(Parse({"--line-wait"}).action, OptionsAction::Usage);
}

TEST(Options, HelpAndVersionAnswerWhateverElseIsThere)
{
    EXPECT_EQ(Parse({"--bogus", "--help"}).action, OptionsAction::Help);
    EXPECT_EQ(Parse({"/UP", "--version"}).action, OptionsAction::Version);
}

// Chosen, then made: as the program does it once it holds the lock.
Result<DesktopFolder> DesktopWorkFolder(const std::optional<std::string>& last, const std::string& dataHome,
                                        const std::string& home)
{
    auto folder = ChooseDesktopFolder(last, XdgDataFolder(dataHome, home));
    if (!folder)
        return folder;
    if (const Status prepared = PrepareDesktopFolder(*folder); !prepared)
        return Result<DesktopFolder>::Failed(prepared.Reason());
    return folder;
}

TEST(DesktopWorkFolder, LastFolderWhileItExistsElseTheDataFolderCreated)
{
    testing::TempDir home;
    const fs::path last = home.Path() / "work";
    fs::create_directory(last);
    EXPECT_EQ(DesktopWorkFolder(last.string(), "", home.Path().string())->dir, last.string());
    EXPECT_TRUE(fs::is_empty(last)); // a folder of the operator's own gets no starter files

    // Gone (or never set): the data folder, made on first use.
    const fs::path data = home.Path() / "data";
    fs::remove(last);
    EXPECT_FALSE(ChooseDesktopFolder(last.string(), XdgDataFolder(data.string(), home.Path().string()))->starter);
    EXPECT_FALSE(fs::exists(data)); // only chosen: a copy that gives way makes nothing
    const auto folder = DesktopWorkFolder(last.string(), data.string(), home.Path().string());
    EXPECT_EQ(folder->dir, (data / "tavelin").string());
    EXPECT_EQ(folder->goneLast, last.string());
    EXPECT_TRUE(fs::is_directory(data / "tavelin"));
    // Without XDG_DATA_HOME (or with a relative one, which XDG says to ignore): HOME/.local/share.
    EXPECT_EQ(DesktopWorkFolder(std::nullopt, "relative", home.Path().string())->dir,
              (home.Path() / ".local" / "share" / "tavelin").string());
    const auto nowhere = DesktopWorkFolder(std::nullopt, "", "");
    EXPECT_FALSE(nowhere);
    EXPECT_FALSE(nowhere.Reason().empty());
}

// Where the system names no data folder for the user (no HOME on Linux), a
// start still runs in the folder used last; without one, it says why.
TEST(DesktopWorkFolder, TheLastFolderNeedsNoDataFolder)
{
    testing::TempDir home;
    const DataFolder none = DataFolder::Failed("no data folder here");
    EXPECT_EQ(ChooseDesktopFolder(home.Text(), none)->dir, home.Text());
    const auto gone = ChooseDesktopFolder((home.Path() / "gone").string(), none);
    EXPECT_FALSE(gone);
    EXPECT_EQ(gone.Reason(), "no data folder here");
    EXPECT_EQ(XdgDataFolder("", "").Reason(), "neither XDG_DATA_HOME nor HOME names a folder");
}

TEST(DesktopWorkFolder, AFileInTheWayIsReportedNotUsed)
{
    testing::TempDir home;
    home.Put("tavelin", "not a folder");
    const auto inTheWay = DesktopWorkFolder(std::nullopt, home.Path().string(), home.Path().string());
    EXPECT_FALSE(inTheWay);
    EXPECT_NE(inTheWay.Reason().find("tavelin"), std::string::npos);
}

// A data folder made now holds starter settings that keep the program's own
// files out of the download and end a batch run after one round; a folder
// with anything in it is left as it is.
TEST(DesktopWorkFolder, ANewDataFolderGetsStarterSettingsAndSaysSo)
{
    testing::TempDir home;
    const auto folder = DesktopWorkFolder(std::nullopt, home.Text(), "");
    ASSERT_TRUE(folder) << folder.Reason();
    ASSERT_TRUE(folder->starter);
    const std::string dir = settings::WithTrailingSeparator(folder->dir);
    const std::string sep(1, settings::kDirSeparator);
    EXPECT_EQ(home.Get("tavelin/RSPRM.DAT"), "2210005008000\r\n");
    EXPECT_EQ(home.Get("tavelin/HHTPRM.DAT"), "1,1\r\n");
    EXPECT_EQ(home.Get("tavelin/DIRPRM.DAT"),
              dir + "\r\n" + dir + "down" + sep + "\r\n" + dir + "up" + sep + "\r\nOVER\r\nNEWHISTORY\r\n1\r\n");
    EXPECT_TRUE(fs::is_directory(home.Path() / "tavelin" / "down"));
    EXPECT_TRUE(fs::is_directory(home.Path() / "tavelin" / "up"));
    EXPECT_EQ(DesktopStartNotice(*folder), "初めての作業フォルダなので仮の設定を作りました。「設定」で確かめてください。");

    fs::remove_all(home.Path() / "tavelin");
    fs::create_directory(home.Path() / "tavelin");
    home.Put("tavelin/RESULT.DAT", "x");
    const auto kept = DesktopWorkFolder("/gone/w1", home.Text(), "");
    ASSERT_TRUE(kept);
    EXPECT_FALSE(kept->starter);
    EXPECT_FALSE(home.Has("tavelin/RSPRM.DAT"));
    EXPECT_EQ(DesktopStartNotice(*kept), "前回の作業フォルダ［ /gone/w1 ］がないため、既定の作業フォルダで開きました。");
}

TEST(RecentFolders, NewestFirstEachOnceAtMostFive)
{
    std::vector<std::string> recent;
    for (const char* dir : {"/a", "/b", "/c", "/d", "/e", "/f"})
        recent = WithRecentFolder(recent, dir);
    EXPECT_EQ(recent, (std::vector<std::string>{"/f", "/e", "/d", "/c", "/b"}));
    EXPECT_EQ(WithRecentFolder(recent, "/d"), (std::vector<std::string>{"/d", "/f", "/e", "/c", "/b"}));
}

class RecordingMessages : public MessageBox {
public:
    void Show(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

class SwitchTest : public ::testing::Test {
protected:
    SwitchTest() : before(fs::current_path()) {}
    ~SwitchTest() override { fs::current_path(before); }

    fs::path before;
    testing::TempDir first;
    testing::TempDir second;
    settings::AppState state;
    RecordingMessages messages;
};

TEST_F(SwitchTest, TheNewFolderIsReadAsAStartReadsIt)
{
    first.Put("HHTPRM.DAT", "5,9\r\n");
    second.Put("RSPRM.DAT.new", "half written");
    ASSERT_TRUE(SwitchWorkFolder(state, messages, first.Path().string(), "/"));
    EXPECT_EQ(state.settings.HhtIdOn[4], "1");
    ASSERT_TRUE(SwitchWorkFolder(state, messages, second.Path().string(), first.Path().string()));
    EXPECT_EQ(state.settings.WorkDir, settings::WithTrailingSeparator(fs::canonical(second.Path()).string()));
    // Nothing of the folder left stays: the IDs are the defaults again.
    EXPECT_NE(state.settings.HhtIdOn[4], "1");
    EXPECT_EQ(state.settings.HhtIdOn[0], "1");
    EXPECT_EQ(state.settings.RunMode, 0);
    EXPECT_FALSE(fs::exists(second.Path() / "RSPRM.DAT.new"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SwitchTest, AFolderThatCannotBeUsedLeavesTheOldOne)
{
    ASSERT_TRUE(SwitchWorkFolder(state, messages, first.Path().string(), "/"));
    const std::string workDir = state.settings.WorkDir;
    EXPECT_FALSE(SwitchWorkFolder(state, messages, (first.Path() / "missing").string(), workDir));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("missing"), std::string::npos);
    EXPECT_EQ(state.settings.WorkDir, workDir);

    // A baud rate the port kind forbids would end a start: the switch goes back.
    second.Put("RSPRM.DAT", "0210005008003\r\n");
    EXPECT_FALSE(SwitchWorkFolder(state, messages, second.Path().string(), workDir));
    EXPECT_EQ(state.settings.WorkDir, workDir);
    EXPECT_EQ(fs::current_path(), fs::canonical(first.Path()));
}

// As the window calls it: the folder to go back to is the record's own.
TEST_F(SwitchTest, ARefusedFolderIsLeftAsFoundAndTheWindowsFolderStaysWhole)
{
    first.Put("HHTPRM.DAT", "5,9\r\n");
    ASSERT_TRUE(SwitchWorkFolder(state, messages, first.Path().string(), "/"));
    const settings::Settings before = state.settings;
    second.Put("RSPRM.DAT", "0210005008003\r\n"); // 4800 bit/s, which the infrared link cannot run at
    second.Put("RSPRM.DAT.new", "half written");
    EXPECT_FALSE(SwitchWorkFolder(state, messages, second.Path().string(), state.settings.WorkDir));
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(state.settings.WorkDir, before.WorkDir);
    EXPECT_EQ(state.settings.BaudCode, before.BaudCode);
    EXPECT_EQ(state.settings.HhtIdOn, before.HhtIdOn);
    EXPECT_EQ(fs::current_path(), fs::canonical(first.Path()));
    // No start took place there: no RESULT.DAT, nothing removed or written.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(second.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"RSPRM.DAT", "RSPRM.DAT.new"}));
    EXPECT_FALSE(first.Has("RESULT.DAT"));
}

} // namespace
} // namespace tavelin::app
