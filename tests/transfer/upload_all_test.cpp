// SPDX-License-Identifier: MIT
// Upload-all against a scripted hand-held: every file offered ends in its
// target or in a history line saying why not, and nothing leaves the upload
// directory or outgrows what the hand-held announced.
#include "support/hidden_files.h"
#include "uploading_hht.h"

namespace tavelin::testing {
namespace {

class UploadAllTest : public UploadTest {
public:
    std::vector<std::string> Requests(char kind) const
    {
        std::vector<std::string> out;
        for (const PcFrame& f : hht.Of(kind))
            out.push_back(f.data);
        return out;
    }
};

TEST_F(UploadAllTest, HeaderRepeatedWithDigitZero)
{
    // With header digit 0 only the whole text tells a repeated header from a block.
    peer.headerDigit = 0;
    peer.repeatHeader = true;
    peer.files = {{"ONE.DAT", Pattern(1300, 1)}, {"EMPTY.DAT", ""}, {"TEN.DAT", Pattern(5121, 2)}};
    EXPECT_EQ(UploadAll(1), 0);
    EXPECT_TRUE(files.Get("ONE.DAT") == Pattern(1300, 1));
    EXPECT_EQ(files.Get("EMPTY.DAT"), "");
    EXPECT_TRUE(files.Get("TEN.DAT") == Pattern(5121, 2));
    EXPECT_EQ(history.lines, (std::vector<std::string>{"ID 001: ONE.DAT : アップロード正常終了",
                                                        "ID 001: EMPTY.DAT : アップロード正常終了",
                                                        "ID 001: TEN.DAT : アップロード正常終了"}));
    EXPECT_FALSE(work.Has("UPTMP.02"));
    EXPECT_EQ(HistoryFile().back(), "001, 0 ,TEN.DAT, 5121 , 0 ,正常終了");
    EXPECT_EQ(history.messages.back(), "ID 001: TEN.DAT をアップロードしています");
    EXPECT_EQ(upFiles[2].name, "TEN.DAT");
    EXPECT_EQ(upFiles[2].size, 5121);
}

TEST_F(UploadAllTest, ModesAgainstAnExistingFile)
{
    struct Case {
        int mode;
        std::string after;
        std::string lastLine;
        char answer; // the PC's reply to the header
    };
    const std::vector<Case> cases = {
        {1, "new", "ID 001: X.DAT : アップロード正常終了", 'A'},
        {2, "old\x1A" "new", "ID 001: X.DAT : アップロード正常終了", 'A'},
        {3, "old\x1A\x1A", "ID 001: X.DAT : 同名ファイルがあります", 'R'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        hht.received.clear();
        files.Put("X.DAT", "old\x1A\x1A");
        std::filesystem::remove(files.Path() / "Y.DAT");
        std::filesystem::remove(work.Path() / "HISTORY.DAT");
        peer.files = {{"X.DAT", "new"}, {"Y.DAT", "y"}};
        EXPECT_EQ(UploadAll(c.mode), 0);
        EXPECT_EQ(files.Get("X.DAT"), c.after);
        EXPECT_EQ(files.Get("Y.DAT"), "y") << "the next header follows";
        EXPECT_EQ(history.lines.at(history.lines.size() - 2), c.lastLine);
        EXPECT_EQ(HistoryFile().size(), c.mode == 3 ? 1u : 2u) << "a skipped file has no history file line";
        if (c.answer == 'R') {
            EXPECT_EQ(Requests('R'), std::vector<std::string>{"S"});
        }
    }
}

TEST_F(UploadAllTest, HeadersThatAreRefused)
{
    std::filesystem::create_directories(files.Path() / "sub");
    files.Put("RO.DAT", "read only");
    std::filesystem::permissions(files.Path() / "RO.DAT", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    struct Case {
        std::string name;
        std::int64_t announced;
        std::string line;
    };
    std::vector<Case> cases = {
        {"RO.DAT", 3, "ID 001: RO.DAT : システム OR 読み取り専用ファイル"},
        {"NEG.DAT", -1, "ID 001: NEG.DAT : アップロード異常終了"},
        {"..", 3, "ID 001: .. : ファイル名使用不可"},
        {"../ESC.DAT", 3, "ID 001: ../ESC.DAT : ファイル名使用不可"},
        {"SUB\\X.DAT", 3, "ID 001: SUB\\X.DAT : ファイル名使用不可"},
        {"C:X.DAT", 3, "ID 001: C:X.DAT : ファイル名使用不可"},
        {"AUX.DAT", 3, "ID 001: AUX.DAT : ファイル名使用不可"},
        {"A\x01.DAT", 3, "ID 001: A?.DAT : ファイル名使用不可"},
        {"sub", 3, "ID 001: sub : システム OR 読み取り専用ファイル"},
    };
    // Hidden files are another program's business: dot files here, the
    // hidden and system attributes on Windows.
    for (const std::string& name : PutHiddenFiles(files.Path(), "read only"))
        cases.push_back({name, 3, "ID 001: " + name + " : システム OR 読み取り専用ファイル"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        history.lines.clear();
        hht.received.clear();
        peer.files = {{c.name, "abc", c.announced}, {"OK.DAT", "ok"}};
        EXPECT_EQ(UploadAll(1), 0);
        EXPECT_EQ(Requests('R'), std::vector<std::string>{"F"});
        EXPECT_EQ(history.lines.front(), c.line);
        EXPECT_EQ(files.Get("OK.DAT"), "ok");
    }
    for (const Case& c : cases) {
        if (c.name != "sub" && c.line.ends_with("読み取り専用ファイル")) {
            EXPECT_EQ(files.Get(c.name), "read only") << c.name;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(files.Path().parent_path() / "ESC.DAT"));
    EXPECT_EQ(HistoryFile().at(4), "001, 0 ,.., 0 ,-5 ,ファイルＩ／Ｏエラー");
}

TEST_F(UploadAllTest, EndingsDuringTheData)
{
    struct Case {
        const char* name;
        std::function<void(UploadAllTest&)> arrange;
        int result;
        std::string line; // the last history line
        bool secondStored;
    };
    const std::vector<Case> cases = {
        {"stop in the header wait",
         [](UploadAllTest& t) {
             t.peer.observer = [&t](const PcFrame& f) {
                 if (f.Is('A', Ch(ACK)) && t.peer.AtEndOfFile() && t.peer.files.empty())
                     t.state.flags.StopRequest = settings::kTrue;
             };
             t.peer.closes = false;
         },
         -2, "ID 001:  : アップロード中断", true},
        {"stop during the second file",
         [](UploadAllTest& t) {
             t.peer.observer = [&t](const PcFrame& f) {
                 if (f.Is('A', Ch(ACK)) && f.digit == 1 && t.peer.files.empty())
                     t.state.flags.StopRequest = settings::kTrue;
             };
         },
         -2, "ID 001: B.DAT : アップロード中断", false},
        {"more data than announced",
         [](UploadAllTest& t) { t.peer.extraBytes = 4096; }, -1, "ID 001: A.DAT : アップロード異常終了", false},
        {"closing frame never comes",
         [](UploadAllTest& t) {
             t.peer.closes = false;
             t.upFiles[2] = {"OLD.DAT", 99}; // an earlier run's entry in the next slot
         },
         0, "ID 001: B.DAT : アップロード正常終了", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        history.lines.clear();
        std::filesystem::remove_all(files.Path());
        std::filesystem::create_directories(files.Path());
        peer.Reset();
        peer.files = {{"A.DAT", Pattern(700)}, {"B.DAT", Pattern(1500)}};
        c.arrange(*this);
        EXPECT_EQ(UploadAll(1), c.result);
        EXPECT_EQ(history.lines.back(), c.line);
        EXPECT_EQ(files.Has("B.DAT"), c.secondStored);
        EXPECT_EQ(state.flags.StopRequest, settings::kFalse);
        for (const char* temp : {"UPTMP.00", "UPTMP.01", "UPTMP.02"})
            EXPECT_FALSE(work.Has(temp)) << temp;
    }
}

TEST_F(UploadAllTest, StaleBlocksBeforeTheFirstDoNotKeepTheWaitAlive)
{
    const auto start = pump.Now();
    std::function<void()> stale = [&] { // a block of another file, every half second, for minutes
        hht.Send('D', 5, "x");
        if (pump.Now() - start < std::chrono::minutes(5))
            pump.ScheduleAfter(std::chrono::milliseconds(500), stale);
    };
    hht.onFrame = [&](const PcFrame& f) {
        if (f.Is('C', "U")) {
            hht.Send('D', 0, "001");
            hht.Send('D', 3, "A.DAT       0000100");
        } else if (f.Is('A', Ch(ACK)) && f.digit == 3) {
            stale();
        }
    };
    EXPECT_EQ(UploadAll(1), -1);
    EXPECT_LT(pump.Now() - start, std::chrono::seconds(40)); // the silence budget, not the babble, decides
    EXPECT_FALSE(files.Has("A.DAT"));
}

TEST_F(UploadAllTest, AFailedCommitIsReported)
{
    peer.files = {{"C.DAT", Pattern(1000)}};
    peer.observer = [this](const PcFrame& f) {
        if (f.Is('A', Ch(ACK)) && f.digit == 1) // the target turns into a directory meanwhile
            std::filesystem::create_directories(files.Path() / "C.DAT" / "inside");
    };
    // The hand-held is refused the file instead of being told it was taken,
    // and the history says only what happened.
    EXPECT_EQ(UploadAll(1), -1);
    EXPECT_EQ(history.lines, std::vector<std::string>{"ID 001: C.DAT : ＴＭＰファイルからの変更に失敗しました"});
    EXPECT_EQ(HistoryFile().back(), "001, 0 ,C.DAT, 0 ,-5 ,ファイルＩ／Ｏエラー");
    EXPECT_EQ(hht.Of('R').size(), 1u);
}

} // namespace
} // namespace tavelin::testing
