// SPDX-License-Identifier: MIT
// The manual window's transfers in-process: the progress dialogs' loops and
// the automatic window's pass over every configured hand-held, run on the
// simulated hand-helds as the window would run them.
#include "manual_transfers_fixture.h"

#include "settings/codepage.h"

namespace tavelin::modes {
namespace {

using namespace manual_test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST_F(ManualTransfersTest, CopyDownloadsThePcSelectionOrElseUploadsTheHandHelds)
{
    PutOnHht(1, "X.DAT", 1300);
    PutOnHht(1, "Z.DAT", 0);
    ConnectAndList();
    OnPc("A.TXT", Bytes(2000, 1));
    OnPc("EMPTY.TXT", "");
    window.selectedPc = {"A.TXT", "EMPTY.TXT"};
    window.selectedHht = {"X.DAT"}; // the PC selection goes first
    session.CopyClicked();
    EXPECT_EQ(window.buttonChanges, (Changes{{OpButton::Copy, false}, {OpButton::Copy, true}}));
    EXPECT_EQ(Stored(1, "A.TXT"), Bytes(2000, 1));
    EXPECT_TRUE(work.Has("hht/001/EMPTY.TXT"));
    EXPECT_EQ(window.items.size(), 4u); // the list was read again
    EXPECT_EQ(transferView.lines.front(), "HandyID：001\r\nA.TXT");

    window.selectedPc.clear();
    window.selectedHht = {"X.DAT", "Z.DAT"};
    session.CopyClicked();
    EXPECT_EQ(work.Get("pc/X.DAT"), std::string(1300, 'h'));
    EXPECT_TRUE(work.Has("pc/Z.DAT"));
    EXPECT_TRUE(transferView.boxes.empty());
    EXPECT_GE(window.pcRefreshes, 1);

    window.selectedHht.clear();
    session.CopyClicked();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"選択ファイルがありません"});
    EXPECT_EQ(session.ManualOp(), 'P');
    EXPECT_EQ(simulator->GetStats().Violations(), 0);
}

TEST_F(ManualTransfersTest, AnExistingPcFileIsOverwrittenAppendedOrLeftAsTheOperatorSays)
{
    PutOnHht(1, "X.DAT", 3);
    ConnectAndList();
    window.selectedHht = {"X.DAT"};
    const struct {
        int answer;
        std::string after;
    } rows[] = {{1, "hhh"}, {2, "hhhhhh"}, {3, "hhhhhh"}};
    OnPc("X.DAT", "old");
    state.settings.UploadMode = 3;
    for (const auto& row : rows) {
        transferView.answers = {row.answer};
        session.CopyClicked();
        EXPECT_EQ(work.Get("pc/X.DAT"), row.after) << row.answer;
        EXPECT_EQ(state.settings.UploadMode, 3) << "the answer is for that copy only, not the site's setting";
    }
    EXPECT_EQ(transferView.asked, (std::vector<std::string>{"X.DAT", "X.DAT", "X.DAT"}));

    fs::permissions(work.Path() / "pc/X.DAT", fs::perms::owner_read); // read-only: never offered
    transferView.answers = {1};
    session.CopyClicked();
    EXPECT_EQ(transferView.asked.size(), 3u);
    EXPECT_EQ(transferView.boxes,
              std::vector<std::string>{"[X.DAT]はパソコン側に同名の\r\n\r\nシステム OR 読み取り専用ファイルがあります"});
    EXPECT_EQ(work.Get("pc/X.DAT"), "hhhhhh");
    fs::permissions(work.Path() / "pc/X.DAT", fs::perms::owner_all);
}

// A refused upload names what on the PC's side stood in the way, without
// first asking what to do with a file it will not write.
TEST_F(ManualTransfersTest, ARefusedUploadSaysWhy)
{
    PutOnHht(1, "RSPRM.DAT", 3);
    ConnectAndList();
    work.Put("RSPRM.DAT", "2210005008000\r\n");
    const std::string pcDirectory = window.pcDirectory;
    window.pcDirectory = work.Text(); // where the program's own files are
    window.selectedHht = {"RSPRM.DAT"};
    transferView.answers = {1};
    session.CopyClicked();
    EXPECT_TRUE(transferView.asked.empty());
    EXPECT_EQ(transferView.boxes, std::vector<std::string>{"アップロードに失敗しました\r\nファイル名使用不可"});
    EXPECT_EQ(work.Get("RSPRM.DAT"), "2210005008000\r\n");
    transferView.answers.clear();
    window.pcDirectory = pcDirectory;
}

TEST_F(ManualTransfersTest, AStopDuringTheSecondFileLeavesTheThirdAndSaysNothing)
{
    for (const char* name : {"A.DAT", "B.DAT", "C.DAT"})
        OnPc(name, Bytes(6000, 2));
    sim::SimConfig line;
    line.lineBaud = 19200; // each file takes about three seconds
    StartHandHelds(line);
    Connect();
    Poll();
    transferView.onMessage = [&](const std::string& text) {
        if (text.ends_with("B.DAT"))
            pump.ScheduleAfter(1s, [&] { state.flags.StopRequest = settings::kTrue; });
    };
    window.selectedPc = {"A.DAT", "B.DAT", "C.DAT"};
    session.CopyClicked();
    EXPECT_TRUE(OnHht(1, "A.DAT"));
    EXPECT_FALSE(OnHht(1, "B.DAT") || OnHht(1, "C.DAT"));
    EXPECT_EQ(transferView.lines.size(), 2u);
    EXPECT_TRUE(transferView.boxes.empty());
    EXPECT_EQ(state.flags.StopRequest, settings::kFalse);
}

TEST_F(ManualTransfersTest, WrongModeEndsTheLoopWithItsMessage)
{
    OnPc("A.DAT", "a");
    OnPc("B.DAT", "b");
    sim::SimConfig wrongMode;
    wrongMode.faults.wrongMode = true;
    StartHandHelds(wrongMode);
    Connect();
    Poll();
    window.selectedPc = {"A.DAT", "B.DAT"};
    session.CopyClicked();
    EXPECT_EQ(transferView.boxes, std::vector<std::string>{"ＨＨＴのモードが違います"});
    EXPECT_EQ(transferView.lines.size(), 1u);
}

TEST_F(ManualTransfersTest, InstallTakesExactlyOneApplicationFile)
{
    ConnectAndList();
    OnPc("PROG.hex", Bytes(900, 3));
    OnPc("PROG.HEXX", "x");
    window.selectedPc = {"PROG.hex"};
    session.InstallClicked();
    EXPECT_EQ(window.buttonChanges, (Changes{{OpButton::Inst, false}, {OpButton::Inst, true}}));
    EXPECT_EQ(Stored(1, "PROG.HEX"), Bytes(900, 3)); // the hand-held keeps upper-case names
    window.selectedPc = {"PROG.HEXX"};
    session.InstallClicked();
    EXPECT_EQ(transferView.boxes, std::vector<std::string>{"ファイル［ PROG.HEXX ］はアプリケーションファイルではありません"});

    window.selectedPc = {"PROG.hex", "PROG.HEXX"};
    window.buttonChanges.clear();
    session.InstallClicked();
    session.InstallOnAllClicked();
    EXPECT_TRUE(window.buttonChanges.empty()); // refused before they began
    window.selectedPc.clear();
    session.InstallClicked();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{"選択ファイルが複数あります", "選択ファイルが複数あります",
                                                          "選択ファイルがありません"}));
    EXPECT_EQ(dialogs.jobs.size(), 2u); // no dialog for the refused ones
}

TEST_F(ManualTransfersTest, CopyToAllVisitsEveryConfiguredHandHeldAndRestoresTheWindowsSettings)
{
    OnPc("A.DAT", Bytes(700, 4));
    OnPc("B.DAT", Bytes(1, 5));
    auto& s = state.settings;
    s.HhtIdOn.fill("0");
    s.HhtIdOn[0] = s.HhtIdOn[1] = s.HhtIdOn[2] = "1";
    state.FirstPollId = 0;
    state.LastPollId = 2;
    s.AutoPollCount = 7;
    s.HistoryMode = 2;
    sim::SimConfig three;
    three.ids = {1, 2, 3};
    StartHandHelds(three);
    Connect();
    Poll();
    window.selectedPc = {"A.DAT", "B.DAT"};
    session.CopyToAllClicked();
    EXPECT_EQ(window.buttonChanges, (Changes{{OpButton::ADown, false}, {OpButton::ADown, true}}));
    for (int id : {1, 2, 3}) {
        EXPECT_EQ(Stored(id, "A.DAT"), Bytes(700, 4)) << id;
        EXPECT_EQ(Stored(id, "B.DAT"), Bytes(1, 5)) << id;
    }
    EXPECT_EQ(autoView.list.lines.size(), 6u);
    EXPECT_FALSE(work.Has("HISTORY.DAT"));
    EXPECT_EQ(s.AutoPollCount, 7);
    EXPECT_EQ(s.HistoryMode, 2);
    EXPECT_EQ(state.CurHhtId, "001");
    EXPECT_TRUE(session.HhtListPending());
    EXPECT_EQ(session.ManualOp(), 'P');
    Poll(); // polling goes on with the ID of the box
    EXPECT_FALSE(session.HhtListPending());
    EXPECT_EQ(simulator->GetStats().Violations(), 0);
}

TEST_F(ManualTransfersTest, NothingStartsOnAPortInUseOrBeforeTheListIsRead)
{
    OnPc("A.DAT", "a");
    StartHandHelds();
    Connect(); // the list is not read yet
    window.selectedPc = {"A.DAT"};
    session.DropOnHht();
    session.CopyClicked();
    session.InstallClicked();
    EXPECT_TRUE(dialogs.jobs.empty());

    Poll();
    bool autoRan = false;
    dialogs.runAutoCycle = [&](std::int16_t, const ManualSelection&) { autoRan = true; };
    window.selectedHht = {};
    dialogs.deletes = {DelAnswer::Cancel};
    dialogs.whileAsking = [&] { // an operation is waiting for the operator
        session.CopyToAllClicked();
        session.InstallOnAllClicked();
        session.DropOnHht();
    };
    session.DeleteClicked();
    EXPECT_FALSE(autoRan);
    EXPECT_TRUE(dialogs.jobs.empty());

    window.buttonChanges.clear();
    session.DropOnHht(); // now it may
    EXPECT_TRUE(OnHht(1, "A.DAT"));
    EXPECT_TRUE(window.buttonChanges.empty()); // a drop disables no button
}

// A PC folder deleted before the window noticed: no copy starts from or
// into it; the pane has moved to a folder the operator now sees.
TEST_F(ManualTransfersTest, NoTransferStartsWhileThePcFolderShownIsGone)
{
    PutOnHht(1, "X.DAT", 3);
    ConnectAndList();
    OnPc("A.DAT", "a");
    window.pcDirectoryThere = false;
    bool autoRan = false;
    dialogs.runAutoCycle = [&](std::int16_t, const ManualSelection&) { autoRan = true; };
    window.selectedPc = {"A.DAT"};
    session.CopyClicked();
    session.DropOnHht();
    session.InstallClicked();
    session.CopyToAllClicked();
    window.selectedPc.clear();
    window.selectedHht = {"X.DAT"};
    session.DropOnPc();
    session.CopyClicked();
    EXPECT_TRUE(dialogs.jobs.empty());
    EXPECT_FALSE(autoRan);
    EXPECT_EQ(session.ManualOp(), 'P');
    EXPECT_TRUE(window.buttonChanges.empty());

    session.PcDirectoryGone("/gone/SHOWN");
    EXPECT_EQ(window.message, "フォルダ［ /gone/SHOWN ］がなくなったため、［ " + window.pcDirectory + " ］を表示しています。");
    EXPECT_EQ(window.colour, MessageColour::Red);
}

} // namespace
} // namespace tavelin::modes
