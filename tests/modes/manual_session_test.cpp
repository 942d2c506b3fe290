// SPDX-License-Identifier: MIT
// The manual window's logic in-process: the simulated hand-helds on the
// in-memory port, virtual time, a window stand-in that records what it shows
// and dialogs answered from a script.
#include "support/hidden_files.h"
#include "support/engine_fixture.h"
#include "manual_fixture.h"

#include "link/port_names.h"
#include "modes/pc_file_ops.h"
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

TEST_F(ManualSessionTest, OnceConnectedTheMessageLineNamesASlowAdaptersTimer)
{
    port.SetAdapterLatency(link::AdapterLatency{16, 2, link::LatencyRemedy::PortSettings});
    PutOnHht(1, "A.TXT", 5);
    ConnectAndList();
    EXPECT_EQ(window.message.rfind("USBシリアル変換器の待ち時間タイマーが 16 ms です。", 0), 0u) << window.message;
    EXPECT_EQ(window.colour, MessageColour::Black);
    session.StartClicked(); // disconnected: nothing to say
    EXPECT_EQ(window.message, "");

    port.SetAdapterLatency(link::AdapterLatency{2, 2, link::LatencyRemedy::PortSettings});
    Connect();
    Poll();
    ASSERT_FALSE(session.HhtListPending());
    EXPECT_EQ(window.message, "");
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

// A command given while the box shows an ID not yet taken (a key pressed
// with the focus still in the box) is for the hand-held shown: it takes the
// ID first, so no copy reaches the one connected before; Escape puts the ID
// in use back.
TEST_F(ManualSessionTest, ACommandTakesTheIdShownFirstAndEscapeShowsTheOneInUse)
{
    PutOnHht(1, "A.TXT", 5);
    ConnectAndList();
    window.selectedPc = {"A.TXT"};
    window.idText = "2";
    session.CopyClicked();
    EXPECT_EQ(state.CurHhtId, "002");
    EXPECT_EQ(window.idText, "002");
    EXPECT_TRUE(dialogs.jobs.empty()); // the list of 002 is not read yet
    window.idText = "abc";
    session.DirClicked();
    EXPECT_EQ(window.idText, "002");
    window.idText = "1";
    session.ShowHhtIdInUse();
    EXPECT_EQ(window.idText, "002");
    EXPECT_EQ(state.CurHhtId, "002");
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
    // The same wording as the automatic run's log, and nothing written by the session itself.
    ::testing::internal::CaptureStderr();
    port.FailNextOpen({link::OpenError::InUse, "device busy"});
    settings::ApplyCommDefaults(state.settings);
    Connect();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(dialogs.details.back(), "COM1 (" + link::PortDeviceName(1, {}) + "): device busy");
    EXPECT_EQ(dialogs.details.back(), link::PortFailureLine(1, {}, "device busy"));
}

TEST_F(ManualSessionTest, ADeviceThatGoesAwayDisconnectsWithThePortsMessage)
{
    PutOnHht(1, "A.TXT", 5);
    ConnectAndList();
    state.lineWaitSeconds = 0;
    port.Vanish();
    Poll();
    EXPECT_FALSE(session.ManualLinkOn() || window.polling);
    EXPECT_EQ(window.startCaption, "開　始");
    EXPECT_TRUE(window.items.empty());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"指定されたＣＯＭポートは使用できません"});
    // The operator reads the detail in Japanese; the device is named as the system names it.
    EXPECT_EQ(dialogs.details.back(), link::PortFailureLine(1, {}, "デバイスが取り外されました"));
}

// The device goes away while connected: the window waits for it, showing
// 回線切断 and the device in red, and reads the list again once it is back.
// 切断 during the wait disconnects at once, without a message box.
TEST_F(ManualSessionTest, ADeviceThatComesBackIsReadAgainAndTheWaitEndsOn切断)
{
    PutOnHht(1, "A.TXT", 5);
    ConnectAndList();
    port.Vanish(3s);
    Poll();
    const std::string gone = "回線切断: " + link::PortDeviceName(1, {});
    EXPECT_NE(std::find(window.redMessages.begin(), window.redMessages.end(), gone), window.redMessages.end());
    EXPECT_TRUE(session.ManualLinkOn());
    Poll();
    ASSERT_EQ(window.items.size(), 1u);
    EXPECT_EQ(window.items[0].first, "A.TXT");
    EXPECT_TRUE(dialogs.messages.empty());

    port.Vanish(60s);
    pump.ScheduleAfter(2s, [this] { session.StartClicked(); });
    const auto before = pump.Now();
    Poll();
    EXPECT_LT(pump.Now() - before, 3s);
    EXPECT_FALSE(session.ManualLinkOn() || window.polling);
    EXPECT_TRUE(dialogs.messages.empty());
    // Each wait says once in the run's log that it waits, and the first that the device is back.
    const auto logged = [this](const std::string& words) {
        return std::count_if(window.logLines.begin(), window.logLines.end(),
                             [&](const std::string& line) { return line.find(words) != std::string::npos; });
    };
    EXPECT_EQ(logged("the device went away; waiting up to 300 s"), 2);
    EXPECT_EQ(logged("the device is back after 3."), 1);
}

// F5: the PC list at any time; the hand-held's list only while connected,
// and during a poll once the poll is over.
TEST_F(ManualSessionTest, RereadingReadsThePcListAlwaysAndTheHandHeldsWhileConnected)
{
    PutOnHht(1, "A.TXT", 5);
    StartHandHelds();
    session.Initialise();
    session.RereadClicked();
    EXPECT_EQ(window.pcRefreshes, 1);
    EXPECT_FALSE(port.IsOpen()); // disconnected: nothing is said to a hand-held

    session.StartClicked();
    Poll();
    ASSERT_FALSE(session.HhtListPending());
    PutOnHht(1, "B.TXT", 7);
    session.RereadClicked();
    EXPECT_EQ(window.pcRefreshes, 2);
    EXPECT_EQ(window.items, (Items{{"A.TXT", 5}, {"B.TXT", 7}}));

    PutOnHht(1, "C.TXT", 1);
    pump.ScheduleAfter(31ms, [&] { session.RereadClicked(); }); // inside a poll's exchange
    Poll();
    EXPECT_EQ(window.items.size(), 3u);
    EXPECT_EQ(session.ManualOp(), 'P');
    EXPECT_EQ(simulator->GetStats().Violations(), 0);
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
        EXPECT_EQ(window.buttonEnabled, (std::map<OpButton, bool>{{OpButton::Del, false}}));
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
    EXPECT_EQ(window.buttonChanges, (Changes{{OpButton::Del, false}, {OpButton::Del, true}}));
    window.buttonChanges.clear();
    session.DirClicked();
    EXPECT_EQ(window.buttonChanges, (Changes{{OpButton::Dir, false}, {OpButton::Dir, true}}));
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
    EXPECT_EQ(window.buttonChanges, (Changes{{OpButton::Ren, false}, {OpButton::Ren, true}}));
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
    const Status tooLong = CheckNewName(RenameSide::Hht, "TOOLONGNAME.TXT");
    EXPECT_FALSE(tooLong);
    EXPECT_EQ(tooLong.Reason(), "ファイル名[ TOOLONGNAME.TXT ]はＨＨＴで使用できません");
    EXPECT_TRUE(CheckNewName(RenameSide::Hht, "OK.TXT"));
    EXPECT_TRUE(CheckNewName(RenameSide::Pc, "a long name.text"));
}

// --- Reading the list

// A hand-held that stops answering for a while answers the polls and list
// requests that queued up meanwhile, all at once, when it goes on. The list
// read after that shows exactly its files.
TEST_F(ManualSessionTest, AfterTheHandHeldPausedTheListHoldsExactlyItsFiles)
{
    const Items files = {{"A.TXT", 5}, {"B.DAT", 1234}, {"C.DAT", 7}};
    for (const auto& [name, size] : files)
        PutOnHht(1, name, std::size_t(size));
    sim::SimConfig config;
    config.lineBaud = 19200;
    StartHandHelds(config);
    Connect();
    Poll();
    ASSERT_EQ(window.items, files);
    const std::string free = window.freeText;
    for (const auto pause : {500ms, 1000ms, 2000ms}) {
        SCOPED_TRACE(pause.count());
        // Polls queue up while it pauses; the list is read when it answers again.
        simulator->Pause(pause);
        const auto over = pump.Now() + pause;
        while (pump.Now() < over)
            Poll();
        window.items.clear();
        session.DirClicked(); // the list as it is read now, whether or not the polls lost contact
        for (int tick = 0; tick < 20 && session.HhtListPending(); ++tick)
            Poll();
        EXPECT_EQ(window.items, files);
        EXPECT_EQ(window.freeText, free);
        EXPECT_EQ(window.message, "");

        // The list is asked for while it pauses: the request goes out again.
        simulator->Pause(pause);
        window.items.clear();
        session.DirClicked();
        EXPECT_EQ(window.items, files);
        EXPECT_EQ(window.message, "");
    }
    EXPECT_EQ(simulator->GetStats().Violations(), 0);
}

TEST_F(ManualSessionTest, AListThatCannotBeReadIsSaidAndReadAgainAtTheNextTick)
{
    PutOnHht(1, "A.TXT", 5);
    sim::SimConfig refusing;
    refusing.faults.wrongMode = true; // polls are answered, the list is refused
    StartHandHelds(refusing);
    Connect();
    Poll();
    EXPECT_EQ(window.message, "ファイル一覧を読み込めませんでした");
    EXPECT_EQ(window.colour, MessageColour::Red);
    EXPECT_TRUE(window.items.empty());

    StartHandHelds(); // the same hand-held, willing again
    Poll();
    EXPECT_EQ(window.items, (Items{{"A.TXT", 5}}));
    EXPECT_EQ(window.message, "");
    EXPECT_FALSE(session.HhtListPending());
}

// A hand-held whose list never ends: one entry a frame, for ever.
class EndlessListTest : public ManualSessionTest {
protected:
    void Serve(std::function<void(int)> atFrame = {})
    {
        hht = std::make_unique<testing::ScriptedHht>(port, "001");
        hht->onFrame = [this, atFrame, n = 0](const testing::PcFrame& f) mutable {
            if (f.Is('C', "P"))
                hht->Send('A', 0, testing::Ch(link::ACK));
            else if (f.Is('C', "F"))
                hht->Send('D', 0, "9990001000");
            else if (f.kind == 'A' && n < 100'000) {
                char entry[32];
                std::snprintf(entry, sizeof entry, "F%06d.DAT %07d", n, n);
                hht->Send('D', (n + 1) % 10, entry);
                if (atFrame)
                    atFrame(n + 1);
                ++n;
            }
        };
    }
    std::unique_ptr<testing::ScriptedHht> hht;
};

TEST_F(EndlessListTest, StopsAtWhatTheTableHoldsAndSaysSo)
{
    Serve();
    Connect();
    Poll();
    EXPECT_EQ(window.items.size(), 129u);
    EXPECT_EQ(window.items.back().first, "F000128.DAT");
    EXPECT_EQ(window.message, "ファイルが多すぎます（先頭の129件だけを表示しています）");
    EXPECT_FALSE(session.HhtListPending());
    pump.Advance(1s);
    ASSERT_FALSE(hht->Of('E').empty());
    EXPECT_EQ(hht->Of('E').front().data, testing::Ch(link::CAN));
}

TEST_F(EndlessListTest, StopEndsTheListAtOnce)
{
    Serve([this](int frames) {
        if (frames == 10)
            session.StartClicked(); // 中断, pressed while the list comes in
    });
    Connect();
    Poll();
    EXPECT_LT(hht->Of('A').size(), 15u);
    ASSERT_FALSE(hht->Of('E').empty());
    EXPECT_EQ(hht->Of('E').front().data, testing::Ch(link::CAN));
    EXPECT_FALSE(session.ManualLinkOn()) << "the stop was the operator's 中断: the window disconnects";

    // The same from the HHT Dir button: the list stops, the link stays.
    Serve();
    Connect();
    Poll();
    Serve([this](int frames) {
        if (frames == 10)
            session.StartClicked();
    });
    session.DirClicked();
    EXPECT_LT(hht->Of('A').size(), 15u);
    EXPECT_EQ(window.message, "ファイル一覧の読み込みを中断しました");
    EXPECT_TRUE(session.ManualLinkOn());
    EXPECT_EQ(session.ManualOp(), 'P');
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

// A close that cannot write TAV0001.INF (the work folder deleted while the
// window was open) says so with the file, instead of losing the ID and the
// folder for the next start unseen.
TEST_F(ManualSessionTest, AMemoryThatCannotBeWrittenAtTheCloseIsSaid)
{
    state.settings.WorkDir = (work.Path() / "gone").string() + "/";
    session.Initialise();
    session.Unload();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages.front(), "ハンディIDと表示中のフォルダを保存できませんでした（TAV0001.INF に書き込めません）");
    EXPECT_EQ(dialogs.details.front().rfind(state.settings.WorkDir + "TAV0001.INF", 0), 0u) << dialogs.details.front();
    EXPECT_FALSE(work.Has("gone"));

    dialogs.messages.clear();
    state.settings.WorkDir = work.Text();
    session.Unload();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(work.Has("TAV0001.INF"));
}

// --- The PC pane's files

TEST(PcFiles, ListsPlainVisibleFilesSortedAndRenamesOnlyToFreeNames)
{
    testing::TempDir dir;
    dir.Put("b.txt", "b");
    dir.Put("A.TXT", "a");
    testing::PutHiddenFiles(dir.Path(), "h");
    dir.Put("ro.txt", "r"); // read-only files are shown; only an upload may not replace them
    fs::permissions(dir.Path() / "ro.txt", fs::perms::owner_read);
    EXPECT_EQ(ListPcFiles(dir.Text()), (std::vector<std::string>{"A.TXT", "b.txt", "ro.txt"}));
    fs::permissions(dir.Path() / "ro.txt", fs::perms::owner_all);
    fs::remove(dir.Path() / "ro.txt");
    fs::create_directories(dir.Path() / "sub");
    EXPECT_EQ(ListPcFiles(dir.Text()), (std::vector<std::string>{"A.TXT", "b.txt"}));
    EXPECT_FALSE(RenamePcFile(dir.Text(), "A.TXT", "b.txt"));
    EXPECT_FALSE(RenamePcFile(dir.Text(), "A.TXT", "sub"));
    EXPECT_FALSE(RenamePcFile(dir.Text(), "A.TXT", ".."));
    // The rule a hand-held's name must pass on an upload holds for the operator too.
    for (const char* unsafe : {"TAB\tNAME.TXT", "LINE\nEND.TXT", "ESC\x1b.TXT", "DEL\x7f.TXT", "WHAT?.TXT",
                               "A<B>.TXT", "C:X.TXT", "NUL", "com1.txt", "back\\slash.txt"}) {
        EXPECT_FALSE(RenamePcFile(dir.Text(), "A.TXT", unsafe)) << unsafe;
        EXPECT_EQ(dir.Get("A.TXT"), "a") << unsafe;
    }
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
