// SPDX-License-Identifier: MIT
// The manual window's logic in-process: the simulated hand-helds on the
// in-memory port, virtual time, a window stand-in that records what it shows
// and dialogs answered from a script.
#include "file_attributes.h"
#include "manual_fixture.h"

#include "modes/pc_files.h"
#include "settings/codepage.h"
#include "settings/paths.h"
#include "settings/tav_inf.h"

namespace tavelin::modes {
namespace {

using namespace manual_test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Items = std::vector<std::pair<std::string, std::int64_t>>;

// --- Connection and polling

TEST_F(ManualSessionTest, ConnectingThenTheFirstPollReadsListAndFreeSpaceOnce)
{
    PutOnHht(1, "A.TXT", 5);
    PutOnHht(1, "B.DAT", 1234);
    StartHandHelds();
    Connect();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(window.startCaption, "中　断");
    EXPECT_TRUE(window.operationsEnabled && window.polling && window.startEnabled);
    EXPECT_FALSE(window.menuEnabled);
    EXPECT_EQ(window.message, "ハンディ接続中･･･");
    EXPECT_TRUE(session.HhtListPending());

    Poll();
    EXPECT_EQ(window.items, (Items{{"A.TXT", 5}, {"B.DAT", 1234}}));
    EXPECT_EQ(window.freeText, " " + std::to_string(4'000'000 - 1239));
    EXPECT_EQ(window.message, "");
    EXPECT_FALSE(session.HhtListPending());

    PutOnHht(1, "C.DAT", 1);
    Poll(3); // contact kept: the list is not read again
    EXPECT_EQ(window.items.size(), 2u);
    EXPECT_EQ(simulator->GetStats().Violations(), 0);
}

TEST_F(ManualSessionTest, TheIdBoxTakesOnlyValidIdsAndANewIdIsListedAfresh)
{
    PutOnHht(2, "TWO.DAT", 2);
    ConnectAndList();
    for (const char* bad : {"0", "129", "abc", ""}) {
        window.idText = bad;
        session.CheckHhtId();
        EXPECT_EQ(window.idText, "001") << bad;
        EXPECT_FALSE(session.HhtListPending()) << bad;
    }
    window.idText = "2";
    session.CheckHhtId();
    EXPECT_EQ(state.CurHhtId, "002");
    EXPECT_EQ(window.idText, "002");
    EXPECT_TRUE(window.items.empty());
    EXPECT_EQ(window.freeText, "");
    EXPECT_EQ(window.message, "ハンディ接続中･･･");
    Poll();
    EXPECT_EQ(window.items, (Items{{"TWO.DAT", 2}}));
}

TEST_F(ManualSessionTest, RememberedStateIsRestoredAndAnUnchangedIdKeepsItsText)
{
    const std::string here = settings::CurrentDirectory();
    EXPECT_EQ(session.Load(here), here); // no file: nothing changes
    EXPECT_EQ(window.idText, "001");

    ASSERT_TRUE(settings::WriteTavInf(work.Text(), {"7", window.pcDirectory}));
    EXPECT_EQ(session.Load(here), window.pcDirectory);
    EXPECT_EQ(window.idText, "7");
    session.Initialise();
    EXPECT_EQ(state.CurHhtId, "007");
    session.CheckHhtId();
    EXPECT_EQ(window.idText, "7");

    ASSERT_TRUE(settings::WriteTavInf(work.Text(), {"3", (work.Path() / "gone").string()}));
    EXPECT_EQ(session.Load(here), here);
}

TEST_F(ManualSessionTest, SixTimeOutsInARowShowTheErrorAndTheNextAnswerRecovers)
{
    PutOnHht(1, "A.TXT", 5);
    ConnectAndList();
    Silence();
    Poll(5);
    Answer();
    Poll();
    EXPECT_EQ(session.PollErrCount(), 0);
    EXPECT_EQ(window.message, "");
    EXPECT_EQ(window.items.size(), 1u);

    Silence();
    Poll(5);
    EXPECT_EQ(window.items.size(), 1u); // five are not enough
    Poll();
    EXPECT_EQ(window.message, "ハンディ接続エラー");
    EXPECT_EQ(window.colour, MessageColour::Red);
    EXPECT_TRUE(window.items.empty());
    EXPECT_TRUE(session.HhtListPending());
    EXPECT_TRUE(window.polling);

    Answer();
    Poll();
    EXPECT_EQ(window.message, "");
    EXPECT_EQ(window.items, (Items{{"A.TXT", 5}}));
}

TEST_F(ManualSessionTest, StartBeforeTheInitialisationDoesNothing)
{
    StartHandHelds();
    session.StartClicked(); // the window's first timer has not run yet
    EXPECT_FALSE(port.IsOpen());
    Connect();
    EXPECT_TRUE(port.IsOpen() && session.ManualLinkOn());
}

TEST_F(ManualSessionTest, DisconnectClosesThePortAndEmptiesThePane)
{
    PutOnHht(1, "A.TXT", 5);
    ConnectAndList();
    session.StartClicked();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(session.ManualLinkOn());
    EXPECT_EQ(window.startCaption, "開　始");
    EXPECT_FALSE(window.operationsEnabled || window.polling);
    EXPECT_TRUE(window.menuEnabled && window.startEnabled);
    EXPECT_TRUE(window.items.empty());
    EXPECT_EQ(window.freeText + window.message, "");
}

TEST_F(ManualSessionTest, APortThatCannotBeOpenedNamesTheProblemAndStaysDisconnected)
{
    struct Case {
        void (*set)(settings::Settings&, link::MemoryPort&);
        const char* message;
    };
    const Case cases[] = {
        {[](settings::Settings& s, link::MemoryPort&) { s.BaudCode = "6"; }, "指定されたボーレイトは無効です"},
        {[](settings::Settings& s, link::MemoryPort&) { s.ParityCode = "3"; }, "指定されたパリティは無効です"},
        {[](settings::Settings& s, link::MemoryPort&) { s.DataBitsCode = "2"; }, "指定されたデータ長は無効です"},
        {[](settings::Settings& s, link::MemoryPort&) { s.StopBitsCode = "x"; }, "指定されたストップビットは無効です"},
        {[](settings::Settings&, link::MemoryPort& p) { p.FailNextOpen({link::OpenError::InUse, "device busy"}); },
         "指定されたＣＯＭポートは使用できません"},
        {[](settings::Settings& s, link::MemoryPort&) { s.PortKindCode = "3", s.BaudCode = "0"; }, "irlinkと接続できません"},
    };
    for (const Case& c : cases) {
        settings::ApplyCommDefaults(state.settings);
        c.set(state.settings, port);
        dialogs.messages.clear();
        Connect();
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{c.message});
        EXPECT_FALSE(port.IsOpen() || session.ManualLinkOn() || window.polling) << c.message;
        EXPECT_TRUE(window.startEnabled && window.menuEnabled) << c.message;
        EXPECT_EQ(window.startCaption, "開　始");
    }
    EXPECT_EQ(std::count_if(dialogs.details.begin(), dialogs.details.end(),
                            [](const std::string& d) { return d.find("device busy") != std::string::npos; }),
              1);
}

TEST_F(ManualSessionTest, ADeviceThatGoesAwayDisconnectsWithThePortsMessage)
{
    PutOnHht(1, "A.TXT", 5);
    ConnectAndList();
    port.Vanish();
    Poll();
    EXPECT_FALSE(session.ManualLinkOn() || window.polling);
    EXPECT_EQ(window.startCaption, "開　始");
    EXPECT_TRUE(window.items.empty());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"指定されたＣＯＭポートは使用できません"});
    EXPECT_NE(dialogs.details.back().find("went away"), std::string::npos);
}

// --- Exclusion

TEST_F(ManualSessionTest, WhileAnOperationRunsStartAndTheIdBoxChangeNothing)
{
    PutOnHht(1, "A.TXT", 5);
    ConnectAndList();
    window.selectedHht = {"A.TXT"};
    dialogs.deletes = {DelAnswer::Cancel};
    dialogs.whileAsking = [&] {
        EXPECT_EQ(session.ManualOp(), 'E');
        session.StartClicked();
        window.idText = "5";
        session.CheckHhtId();
        session.Tick();
    };
    session.DeleteClicked();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(window.idText, "001");
    EXPECT_EQ(state.CurHhtId, "001");
    EXPECT_EQ(session.ManualOp(), 'P');
    EXPECT_TRUE(window.lastButtonEnabled);
}

TEST_F(ManualSessionTest, AClickDuringAPollWaitsUntilThePollIsOver)
{
    PutOnHht(1, "A.TXT", 5);
    StartHandHelds();
    Connect();
    pump.ScheduleAfter(31ms, [&] { // inside the first poll's exchange
        window.idText = "2";
        session.CheckHhtId();
        EXPECT_EQ(state.CurHhtId, "001");
        session.StartClicked();
        EXPECT_TRUE(port.IsOpen());
    });
    Poll();
    EXPECT_EQ(state.CurHhtId, "002");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(simulator->GetStats().Violations(), 0);
}

// --- Delete

TEST_F(ManualSessionTest, DeleteAllAsksOnceAndTheListIsReadAgain)
{
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"})
        PutOnHht(1, name, 3);
    ConnectAndList();
    window.selectedHht = {"A.TXT", "B.TXT"};
    dialogs.deletes = {DelAnswer::DeleteAll};
    session.DeleteClicked();
    EXPECT_EQ(dialogs.asked, std::vector<std::string>{"A.TXT"});
    EXPECT_FALSE(OnHht(1, "A.TXT") || OnHht(1, "B.TXT"));
    EXPECT_EQ(window.items, (Items{{"C.TXT", 3}}));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(session.ManualOp(), 'P');
}

TEST_F(ManualSessionTest, CancelAtTheSecondQuestionKeepsTheRestAndShowsTheDeletion)
{
    for (const char* name : {"A.TXT", "B.TXT"})
        PutOnHht(1, name, 3);
    ConnectAndList();
    window.selectedHht = {"A.TXT", "B.TXT"};
    window.selectedPc = {"NEVER.TXT"}; // the hand-held's selection wins
    dialogs.deletes = {DelAnswer::DeleteThis, DelAnswer::Cancel};
    session.DeleteClicked();
    EXPECT_EQ(dialogs.asked, (std::vector<std::string>{"A.TXT", "B.TXT"}));
    EXPECT_EQ(window.items, (Items{{"B.TXT", 3}}));
    EXPECT_EQ(session.ManualOp(), 'P');
}

TEST_F(ManualSessionTest, FileCommandsReportWrongModeAndRefusal)
{
    sim::SimConfig wrongMode;
    wrongMode.faults.wrongMode = true;
    StartHandHelds(wrongMode);
    Connect();
    Poll();
    window.selectedHht = {"A.TXT"};
    dialogs.deletes = {DelAnswer::DeleteThis};
    dialogs.names = {"B.TXT"};
    session.DeleteClicked();
    session.RenameClicked();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"ＨＨＴのモードが違います", "ＨＨＴのモードが違います"}));

    StartHandHelds(); // files that do not exist: refused
    dialogs.messages.clear();
    dialogs.deletes = {DelAnswer::DeleteThis};
    dialogs.names = {"B.TXT"};
    session.DeleteClicked();
    session.RenameClicked();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"ファイル削除に失敗しました", "ファイル名の変更に失敗しました"}));
}

TEST_F(ManualSessionTest, PcFilesAreDeletedAfterTheQuestionAndNothingSelectedIsSaid)
{
    PutOnHht(1, "A.TXT", 5);
    ConnectAndList();
    work.Put("pc/X.TXT", "x");
    work.Put("pc/Y.TXT", "y");
    window.selectedPc = {"X.TXT", "GONE.TXT", "Y.TXT"};
    dialogs.deletes = {DelAnswer::DeleteThis, DelAnswer::DeleteThis, DelAnswer::Cancel};
    session.DeleteClicked();
    EXPECT_FALSE(work.Has("pc/X.TXT"));
    EXPECT_TRUE(work.Has("pc/Y.TXT"));
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"ファイルの削除に失敗しました"});
    EXPECT_GE(window.pcRefreshes, 1);

    window.selectedPc.clear();
    dialogs.messages.clear();
    session.DeleteClicked();
    session.RenameClicked();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"選択ファイルがありません", "選択ファイルがありません"}));
    EXPECT_EQ(session.ManualOp(), 'P');
}

// --- Rename

TEST_F(ManualSessionTest, RenameOnTheHandHeldAndThePcNeverReplacesAFile)
{
    PutOnHht(1, "A.TXT", 5);
    ConnectAndList();
    window.selectedHht = {"A.TXT"};
    dialogs.names = {"Z.TXT"};
    session.RenameClicked();
    EXPECT_TRUE(OnHht(1, "Z.TXT"));
    EXPECT_EQ(window.items, (Items{{"Z.TXT", 5}}));

    window.selectedHht.clear();
    work.Put("pc/P.TXT", "p");
    work.Put("pc/Q.TXT", "q");
    window.selectedPc = {"P.TXT", "Q.TXT"};
    dialogs.names = {"R.TXT", "R.TXT"}; // the second name is taken by then
    session.RenameClicked();
    EXPECT_EQ(work.Get("pc/R.TXT"), "p");
    EXPECT_EQ(work.Get("pc/Q.TXT"), "q");
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"ファイル名の変更に失敗しました"});

    dialogs.messages.clear();
    window.selectedPc = {"R.TXT", "R.TXT"};
    dialogs.names = {"sub/X.TXT", "R.TXT"}; // a separator; unchanged
    session.RenameClicked();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"ファイル名の変更に失敗しました"});
    EXPECT_EQ(work.Get("pc/R.TXT"), "p");
}

TEST(RenameDialogRule, HandHeldNamesMustFitTheHandHeldPcNamesAreFree)
{
    EXPECT_EQ(NewNameRefusal(RenameSide::Hht, "TOOLONGNAME.TXT"), "ファイル名[ TOOLONGNAME.TXT ]はＨＨＴで使用できません");
    EXPECT_EQ(NewNameRefusal(RenameSide::Hht, "OK.TXT"), std::nullopt);
    EXPECT_EQ(NewNameRefusal(RenameSide::Pc, "a long name.text"), std::nullopt);
}

// --- Closing

TEST_F(ManualSessionTest, ClosingDuringAListReadStopsItThenClosesAndRemembers)
{
    for (int i = 0; i < 120; ++i)
        PutOnHht(1, "F" + std::to_string(i) + ".DAT", 10);
    sim::SimConfig slow;
    slow.lineBaud = 4800; // the whole list takes about six seconds
    StartHandHelds(slow);
    Connect();
    const auto start = pump.Now();
    pump.ScheduleAfter(500ms, [&] {
        ASSERT_TRUE(session.Busy());
        session.RequestStop();
    });
    Poll();
    EXPECT_FALSE(session.Busy());
    EXPECT_LT(pump.Now() - start, 3s);
    EXPECT_TRUE(window.items.empty());
    session.Unload();
    EXPECT_FALSE(port.IsOpen());
    const auto memory = settings::ReadTavInf(work.Text());
    ASSERT_TRUE(memory);
    EXPECT_EQ(memory->hhtId, "001");
    EXPECT_EQ(memory->directory, window.pcDirectory);
    EXPECT_EQ(simulator->GetStats().Violations(), 0);
}

// --- The PC pane's files

TEST(PcFiles, ListsPlainVisibleFilesSortedAndRenamesOnlyToFreeNames)
{
    testing::TempDir dir;
    dir.Put("b.txt", "b");
    dir.Put("A.TXT", "a");
    dir.Put(".hidden", "h");
#ifdef _WIN32 // a dot means nothing there; the attributes hide a file
    dir.Put("hidden.txt", "h");
    dir.Put("system.txt", "s");
    ASSERT_TRUE(testing::SetAttributes(dir.Path() / ".hidden", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(testing::SetAttributes(dir.Path() / "hidden.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(testing::SetAttributes(dir.Path() / "system.txt", FILE_ATTRIBUTE_SYSTEM));
    dir.Put("ro.txt", "r"); // read-only files are shown; only an upload may not replace them
    ASSERT_TRUE(testing::SetAttributes(dir.Path() / "ro.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ListPcFiles(dir.Text()), (std::vector<std::string>{"A.TXT", "b.txt", "ro.txt"}));
    EXPECT_TRUE(testing::SetAttributes(dir.Path() / "ro.txt", FILE_ATTRIBUTE_NORMAL));
    fs::remove(dir.Path() / "ro.txt");
#endif
    fs::create_directories(dir.Path() / "sub");
    EXPECT_EQ(ListPcFiles(dir.Text()), (std::vector<std::string>{"A.TXT", "b.txt"}));
    EXPECT_FALSE(RenamePcFile(dir.Text(), "A.TXT", "b.txt"));
    EXPECT_FALSE(RenamePcFile(dir.Text(), "A.TXT", "sub"));
    EXPECT_FALSE(RenamePcFile(dir.Text(), "A.TXT", ".."));
    EXPECT_TRUE(RenamePcFile(dir.Text(), "A.TXT", "c.txt"));
    EXPECT_EQ(dir.Get("c.txt"), "a");
    EXPECT_TRUE(RenamePcFile(dir.Text(), "c.txt", "C.txt")); // the case alone, where the system ignores it too
    EXPECT_EQ(dir.Get("C.txt"), "a");
    EXPECT_EQ(dir.Get("b.txt"), "b");
    EXPECT_FALSE(DeletePcFile(dir.Text(), "sub"));
    EXPECT_TRUE(fs::is_directory(dir.Path() / "sub"));
}

} // namespace
} // namespace tavelin::modes
