// SPDX-License-Identifier: MIT
// The engines against the simulated hand-held, in
// process on virtual time: files arrive whole, faults on the line are
// outlived, and the history tables' rows the hand-held can provoke appear.
#include "support/sim_engine_fixture.h"

#include "link/commands.h"

#include <memory>

namespace tavelin::testing {
namespace {

inline std::string Pattern(std::size_t size, int seed = 0)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 509 + seed) & 0xFF);
    return bytes;
}

class SimTest : public SimEngineTest {
public:
    std::string Stored(const std::string& name) const { return store.Get("001/" + name); }
    template <class F>
    int Run(F engine)
    {
        const int result = engine();
        Settle();
        return result;
    }
    int Download(const std::string& name) { return Run([&] { return transfer::DownloadFile(link, "D", files.Text(), name, progress); }); }
    int DownloadSet(std::vector<std::string> names)
    {
        return Run([&] { return transfer::DownloadFileSet(link, files.Text(), names, progress, Lines()); });
    }
    int UploadAll(int mode) { return Run([&] { return transfer::UploadAllFiles(link, files.Text(), progress, mode, upFiles, Lines()); }); }

    transfer::UpFileList upFiles;
};

TEST_F(SimTest, DownloadsArriveWholeDespiteLineFaults)
{
    struct Case {
        const char* name;
        std::size_t size;
        sim::FaultOptions faults;
    };
    const std::vector<Case> cases = {
        {"empty", 0, {}},
        {"exactly one block", 512, {}},
        {"eleven blocks: the digit wraps to 0", 512 * 10 + 7, {}},
        {"corrupt acknowledgement", 2000, Faults([](sim::FaultOptions& f) { f.corruptBccOfSent = {2, 3}; })},
        {"lost acknowledgement", 2000, Faults([](sim::FaultOptions& f) { f.dropSent = {3}; })},
        {"noise before an acknowledgement", 2000, Faults([](sim::FaultOptions& f) { f.noiseBeforeSent = {2}; })},
        {"a block lost on the line", 2000, Faults([](sim::FaultOptions& f) { f.ignoreReceived = {3}; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.faults);
        files.Put("D.DAT", Pattern(c.size));
        EXPECT_EQ(Download("D.DAT"), 0);
        EXPECT_TRUE(Stored("D.DAT") == Pattern(c.size));
        EXPECT_EQ(hand->GetStats().Violations(), 0);
    }
}

TEST_F(SimTest, DownloadRefusals)
{
    files.Put("A.HEX", "ap");
    Start(Faults([](sim::FaultOptions& f) { f.wrongMode = true; }));
    EXPECT_EQ(Run([&] { return transfer::DownloadFile(link, "A", files.Text(), "A.HEX", progress); }), -4);
    EXPECT_EQ(DownloadSet({"A.HEX"}), -4);
    EXPECT_EQ(history.lines.back(), "ID 001:  : ＨＨＴモードエラー");

    Start(Faults([](sim::FaultOptions& f) { f.silentAfterLast = true; })); // no word after the last block: still a success
    EXPECT_EQ(Run([&] { return transfer::DownloadFile(link, "A", files.Text(), "A.HEX", progress); }), 0);
    EXPECT_EQ(Stored("A.HEX"), "ap");
}

TEST_F(SimTest, AFileSetRecordsEachFile)
{
    files.Put("ONE.DAT", Pattern(1000));
    files.Put("TWO.DAT", "");
    files.Put("THREE.DAT", "3");
    Start(Faults([](sim::FaultOptions& f) { f.fullAfter = 2; }));
    EXPECT_EQ(DownloadSet({"ONE.DAT", "TWO.DAT", "THREE.DAT"}), 0);
    EXPECT_EQ(history.lines, (std::vector<std::string>{"ID 001: ONE.DAT : ダウンロード正常終了",
                                                        "ID 001: TWO.DAT : ダウンロード正常終了",
                                                        "ID 001: THREE.DAT : ダウンロード数ＭＡＸ"}));
    EXPECT_TRUE(Stored("ONE.DAT") == Pattern(1000));
    EXPECT_EQ(HistoryFile().front(), "001, 0 ,ONE.DAT, 1000 , 0 ,正常終了");
}

TEST_F(SimTest, SingleUploadsTakeEveryBlockOnce)
{
    struct Case {
        const char* name;
        std::size_t size;
        sim::FaultOptions faults;
    };
    const std::vector<Case> cases = {
        {"plain", 5200, {}},
        {"repeated block", 2000, Faults([](sim::FaultOptions& f) { f.repeatBlock = {2}; })},
        {"corrupt block", 2000, Faults([](sim::FaultOptions& f) { f.corruptBccOfSent = {2}; })},
        {"lost block", 2000, Faults([](sim::FaultOptions& f) { f.dropSent = {3}; })},
        {"lost acknowledgement", 2000, Faults([](sim::FaultOptions& f) { f.ignoreReceived = {3}; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.faults);
        Offer("U.DAT", Pattern(c.size, 5));
        files.Put("U.DAT", "older");
        EXPECT_EQ(Run([&] { return transfer::UploadFile(link, files.Text(), "U.DAT", std::int64_t(c.size), progress, 1); }), 0);
        EXPECT_TRUE(files.Get("U.DAT") == Pattern(c.size, 5));
        EXPECT_EQ(hand->GetStats().Violations(), 0);
    }
}

TEST_F(SimTest, UploadAllStoresEveryOfferedFile)
{
    for (const sim::FaultOptions& faults :
         {sim::FaultOptions{}, Faults([](sim::FaultOptions& f) { f.repeatBlock = {2}; f.repeatHeader = {1, 2}; }),
          Faults([](sim::FaultOptions& f) { f.corruptBccOfSent = {3}; f.dropSent = {6}; })}) {
        std::filesystem::remove_all(files.Path());
        std::filesystem::create_directories(files.Path());
        history.lines.clear();
        Offer("A.DAT", Pattern(1500, 1));
        Offer("EMPTY.DAT", "");
        Offer("B.DAT", Pattern(512, 2));
        Start(faults);
        EXPECT_EQ(UploadAll(1), 0);
        EXPECT_TRUE(files.Get("A.DAT") == Pattern(1500, 1));
        EXPECT_TRUE(files.Get("B.DAT") == Pattern(512, 2));
        EXPECT_TRUE(files.Has("EMPTY.DAT"));
        EXPECT_EQ(history.lines.size(), 3u);
        for (const std::string& line : history.lines)
            EXPECT_TRUE(line.ends_with(" : アップロード正常終了")) << line;
        EXPECT_FALSE(work.Has("UPTMP.00"));
    }
    Start(Faults([](sim::FaultOptions& f) { f.wrongMode = true; }));
    EXPECT_EQ(UploadAll(1), -4);
}

TEST_F(SimTest, UploadAllOf130FilesKeeps129)
{
    for (int i = 0; i < 130; ++i)
        Offer("F" + std::to_string(1000 + i) + ".DAT", std::to_string(i));
    Start();
    EXPECT_EQ(UploadAll(1), 0);
    std::size_t stored = 0;
    for (const auto& entry : std::filesystem::directory_iterator(files.Path()))
        stored += entry.is_regular_file();
    EXPECT_EQ(stored, 129u);
    EXPECT_TRUE(history.lines.back().ends_with(" : アップロード異常終了")) << history.lines.back();
}

// A hand-held that babbles instead of sending its first block holds the
// upload of all files no longer than the silence budget (about 25 s of failed
// waits) and a little line time, at any speed; the file before it is kept.
TEST_F(SimTest, UploadAllEndsWithinTheSilenceBudgetWhateverTheHandHeldBabbles)
{
    using namespace std::chrono;
    struct Case {
        const char* name;
        const char* baudCode;
        int baud;
        sim::FaultOptions faults;
    };
    const std::vector<Case> cases = {
        {"noise, 19200", "2", 19200, Faults([](sim::FaultOptions& f) { f.noiseAfterHeader = {2}; })},
        {"trickle, 19200", "2", 19200, Faults([](sim::FaultOptions& f) { f.trickleAfterHeader = {2}; })},
        {"noise, 4800", "0", 4800, Faults([](sim::FaultOptions& f) { f.noiseAfterHeader = {2}; })},
        {"trickle, 4800", "0", 4800, Faults([](sim::FaultOptions& f) { f.trickleAfterHeader = {2}; })},
    };
    // Longer than the trickle's 900 ms, so that every byte arrives in time to
    // keep a wait alive if anything let it.
    state.settings.CommTimeout = 1000;
    state.settings.PollTimeout = 500;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(files.Path());
        std::filesystem::create_directories(files.Path());
        std::filesystem::remove_all(store.Path());
        history.lines.clear();
        // One block: its frame reaches the PC within one wait even at 4800 bit/s.
        Offer("A.DAT", Pattern(300, 1));
        Offer("B.DAT", Pattern(700, 2));
        state.settings.BaudCode = c.baudCode;
        Start(c.faults, c.baud);

        // The babble begins as the second header goes out.
        link::Clock::time_point babbleFrom{};
        hand->SetLogger([&](const std::string& line) {
            if (line.find("fault: ") != std::string::npos)
                babbleFrom = pump.Now();
        });
        EXPECT_EQ(transfer::UploadAllFiles(link, files.Text(), progress, 1, upFiles, Lines()), -1);
        const auto babbled = duration_cast<milliseconds>(pump.Now() - babbleFrom);
        Settle();
        std::cout << "[ figures  ] " << c.name << ": " << babbled.count() << " ms from the babble to the end\n";
        EXPECT_GE(babbled, milliseconds(24'000));
        EXPECT_LE(babbled, milliseconds(26'000));
        EXPECT_TRUE(files.Get("A.DAT") == Pattern(300, 1));
        EXPECT_FALSE(files.Has("B.DAT"));
        ASSERT_EQ(history.lines.size(), 2u);
        EXPECT_TRUE(history.lines.back().ends_with(" : アップロード異常終了")) << history.lines.back();
        // A new command ends the babble, and the hand-held is heard again.
        EXPECT_EQ(link::ConnectHht(link), link::kOk);
    }
}

// The shorter allowance cuts no frame short: on a 19,200 bit/s line an upload
// of all files takes about its line time, with no failed wait and no resend.
TEST_F(SimTest, UploadAllOnAQuietLineTakesItsLineTime)
{
    state.settings.CommTimeout = 1000;
    state.settings.BaudCode = "2";
    Offer("A.DAT", Pattern(300, 1));
    Offer("B.DAT", Pattern(1500, 2));
    Start({}, 19200);
    const auto start = pump.Now();
    EXPECT_EQ(transfer::UploadAllFiles(link, files.Text(), progress, 1, upFiles, Lines()), 0);
    EXPECT_LT(pump.Now() - start, std::chrono::milliseconds(1500)); // about 2,200 bytes both ways
    EXPECT_TRUE(files.Get("A.DAT") == Pattern(300, 1));
    EXPECT_TRUE(files.Get("B.DAT") == Pattern(1500, 2));
    EXPECT_EQ(hand->GetStats().resends, 0);
}

} // namespace
} // namespace tavelin::testing
