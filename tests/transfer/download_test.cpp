// SPDX-License-Identifier: MIT
// Downloads against a scripted hand-held: what goes on the wire, what the
// engines return and what the file set records.
#include "support/engine_fixture.h"

#include "transfer/engines.h"

namespace tavelin::testing {
namespace {

using link::ACK;
using link::CAN;
using link::EOT;

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

class DownloadTest : public EngineTest {
protected:
    int Download(std::string_view kind, const std::string& name)
    {
        const int result = transfer::DownloadFile(link, kind, files.Text(), name, progress);
        Settle();
        return result;
    }
    // A hand-held that takes everything and acknowledges each frame.
    void AcceptAll()
    {
        hht.onFrame = [this](const PcFrame& f) {
            if (f.kind == 'C' || f.kind == 'D')
                hht.Send('A', f.digit, Ch(ACK));
        };
    }
    std::string DataSent() const
    {
        std::string all;
        for (const PcFrame& f : hht.Of('D'))
            all += f.data;
        return all;
    }
    std::string Digits() const
    {
        std::string digits;
        for (const PcFrame& f : hht.Of('D'))
            digits += static_cast<char>('0' + f.digit);
        return digits;
    }
};

TEST_F(DownloadTest, BlockAcknowledgementsAndTheirFailures)
{
    files.Put("B.DAT", Pattern(1500)); // three blocks
    struct Case {
        const char* name;
        std::function<bool(ScriptedHht&, const PcFrame&, int& count)> onBlock; // true: answered
        int result;
        const char* digits;
        std::string last; // kind + data of the PC's last frame ("" for none)
    };
    const std::vector<Case> cases = {
        {"wrong digit once",
         [](ScriptedHht& h, const PcFrame& f, int& n) {
             h.Send('A', (f.digit == 1 && n++ == 0) ? 7 : f.digit, Ch(ACK));
             return true;
         },
         0, "0112", "E" + Ch(EOT)},
        {"never acknowledged", [](ScriptedHht&, const PcFrame&, int&) { return false; }, -1,
         "000000000000000000000", "D"},
        {"hand-held ends",
         [](ScriptedHht& h, const PcFrame& f, int&) {
             h.Send(f.digit == 2 ? 'E' : 'A', f.digit, f.digit == 2 ? Ch(CAN) : Ch(ACK));
             return true;
         },
         -2, "012", "D"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hht.received.clear();
        int count = 0;
        hht.onFrame = [&](const PcFrame& f) {
            if (f.kind == 'C')
                hht.Send('A', 0, Ch(ACK));
            else if (f.kind == 'D')
                c.onBlock(hht, f, count);
        };
        EXPECT_EQ(Download("D", "B.DAT"), c.result);
        EXPECT_EQ(Digits(), c.digits);
        EXPECT_EQ(std::string(1, hht.received.back().kind) + (c.last.size() > 1 ? hht.received.back().data : ""), c.last);
        EXPECT_FALSE(progress.visible);
    }
}

TEST_F(DownloadTest, RefusalAfterTheLastBlockIsNotASuccess)
{
    files.Put("C.DAT", "123");
    hht.onFrame = [this](const PcFrame& f) {
        if (f.kind == 'C' || f.kind == 'D')
            hht.Send('A', f.digit, Ch(ACK));
        if (f.kind == 'D')
            hht.Send('R', 0, "F");
    };
    EXPECT_EQ(Download("D", "C.DAT"), -5);
    EXPECT_EQ(hht.received.back().kind, 'D') << "no closing frame after the refusal";
}

TEST_F(DownloadTest, AStopDuringTheBlocksEndsWithCanAndTheCurrentDigit)
{
    files.Put("S.DAT", Pattern(1200));
    hht.onFrame = [this](const PcFrame& f) {
        if (f.kind == 'C')
            hht.Send('A', 0, Ch(ACK));
        else if (f.kind == 'D' && f.digit == 2)
            state.flags.StopRequest = settings::kTrue; // the Stop button, while the third block waits
        else if (f.kind == 'D')
            hht.Send('A', f.digit, Ch(ACK));
    };
    EXPECT_EQ(Download("D", "S.DAT"), -2);
    EXPECT_TRUE(hht.received.back().Is('E', Ch(CAN)));
    EXPECT_EQ(hht.received.back().digit, 2);
    EXPECT_EQ(state.flags.StopRequest, settings::kFalse);
    EXPECT_FALSE(progress.visible);
}

TEST_F(DownloadTest, AMissingPcFileEndsAfterTheAcceptedRequest)
{
    AcceptAll();
    EXPECT_EQ(Download("D", "GONE.DAT"), -1);
    ASSERT_EQ(hht.received.size(), 1u);
    EXPECT_EQ(hht.received.front().data, "DGONE.DAT    0000000");
}

// ---- file sets

class DownloadSetTest : public DownloadTest {
protected:
    int Run(std::vector<std::string> names)
    {
        const int result = transfer::DownloadFileSet(link, files.Text(), names, progress, Lines());
        Settle();
        return result;
    }
};

TEST_F(DownloadSetTest, EveryFileGetsItsHistoryLineAndTheSetCloses)
{
    files.Put("A.DAT", Pattern(700));
    files.Put("EMPTY.DAT", "");
    AcceptAll();
    EXPECT_EQ(Run({"A.DAT", "EMPTY.DAT", "TOO-LONG-NAME.DAT", "MISSING.DAT"}), 0);
    EXPECT_EQ(hht.received.front().data, "W004");
    EXPECT_TRUE(hht.received.back().Is('D', Ch(EOT)));
    EXPECT_EQ(history.lines, (std::vector<std::string>{
                                 "ID 001: A.DAT : ダウンロード正常終了",
                                 "ID 001: EMPTY.DAT : ダウンロード正常終了",
                                 "ID 001: TOO-LONG-NAME.DAT : ファイル名使用不可",
                                 "ID 001: MISSING.DAT : ダウンロード異常終了",
                             }));
    EXPECT_EQ(HistoryFile(), (std::vector<std::string>{
                                 "001, 0 ,A.DAT, 700 , 0 ,正常終了",
                                 "001, 0 ,EMPTY.DAT, 0 , 0 ,正常終了",
                                 "001, 0 ,TOO-LONG-NAME.DAT, 0 ,-5 ,ファイルＩ／Ｏエラー",
                                 "001, 0 ,MISSING.DAT, 0 ,-5 ,ファイルＩ／Ｏエラー",
                             }));
    EXPECT_EQ(history.messages.front(), "ID 001: A.DAT をダウンロードしています");
    // The unusable name is refused without a request of its own.
    std::vector<std::string> requests;
    for (const PcFrame& f : hht.Of('C'))
        requests.push_back(f.data);
    EXPECT_EQ(requests, (std::vector<std::string>{"W004", "A.DAT       0000700", "EMPTY.DAT   0000000",
                                                  "MISSING.DAT 0000000"}));
}

TEST_F(DownloadSetTest, AnEmptySetIsOnlyTheRequestAndTheClose)
{
    AcceptAll();
    EXPECT_EQ(Run({}), 0);
    ASSERT_EQ(hht.received.size(), 2u);
    EXPECT_EQ(hht.received[0].data, "W000");
    EXPECT_TRUE(hht.received[1].Is('D', Ch(EOT)));
}

TEST_F(DownloadSetTest, PerFileOutcomes)
{
    files.Put("A.DAT", Pattern(600));
    files.Put("B.DAT", "b");
    struct Case {
        const char* name;
        std::function<void(ScriptedHht&, const PcFrame&)> onFileFrame; // frames after the set was accepted
        int result;
        std::vector<std::string> lines;
    };
    auto ack = [](ScriptedHht& t, const PcFrame& f) { t.Send('A', f.digit, Ch(ACK)); };
    const std::vector<Case> cases = {
        {"hand-held full",
         [&](ScriptedHht& t, const PcFrame& f) {
             if (f.kind == 'C')
                 t.Send('R', 0, "F");
         },
         0, {"ID 001: A.DAT : ダウンロード数ＭＡＸ", "ID 001: B.DAT : ダウンロード数ＭＡＸ"}},
        {"file refused during the blocks, next file follows",
         [&](ScriptedHht& t, const PcFrame& f) {
             if (f.kind == 'D' && f.digit == 1)
                 t.Send('R', 1, "F");
             else
                 ack(t, f);
         },
         0, {"ID 001: A.DAT : ダウンロード異常終了", "ID 001: B.DAT : ダウンロード正常終了"}},
        {"other refusal during the blocks ends the set",
         [&](ScriptedHht& t, const PcFrame& f) {
             if (f.kind == 'D')
                 t.Send('R', f.digit, "X");
             else
                 ack(t, f);
         },
         -1, {"ID 001: A.DAT : ダウンロード異常終了"}},
        {"hand-held ends",
         [&](ScriptedHht& t, const PcFrame& f) {
             if (f.kind == 'D')
                 t.Send('E', f.digit, Ch(CAN));
             else
                 ack(t, f);
         },
         -2, {"ID 001: A.DAT : ダウンロード中断"}},
        {"refused after the last block",
         [&](ScriptedHht& t, const PcFrame& f) {
             ack(t, f);
             if (f.kind == 'D' && f.digit == 1)
                 t.Send('R', 0, "F");
         },
         -1, {"ID 001: A.DAT : ダウンロード異常終了"}},
        {"file request never accepted",
         [&](ScriptedHht&, const PcFrame&) {}, -1, {"ID 001: A.DAT : ダウンロード異常終了"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        history.lines.clear();
        hht.received.clear();
        hht.onFrame = [&](const PcFrame& f) {
            if (f.Is('C', "W002"))
                hht.Send('A', 0, Ch(ACK));
            else
                c.onFileFrame(hht, f);
        };
        EXPECT_EQ(Run({"A.DAT", "B.DAT"}), c.result);
        EXPECT_EQ(history.lines, c.lines);
        EXPECT_FALSE(progress.visible);
    }
}

TEST_F(DownloadSetTest, StopDuringTheBlocksIsRecordedAndCleared)
{
    files.Put("A.DAT", Pattern(1100));
    hht.onFrame = [this](const PcFrame& f) {
        if (f.kind == 'D' && f.digit == 1)
            state.flags.StopRequest = settings::kTrue;
        else
            hht.Send('A', f.digit, Ch(ACK));
    };
    EXPECT_EQ(Run({"A.DAT"}), -2);
    EXPECT_TRUE(hht.received.back().Is('E', Ch(CAN)));
    EXPECT_EQ(hht.received.back().digit, 1);
    EXPECT_EQ(state.flags.StopRequest, settings::kFalse);
    EXPECT_EQ(history.lines, std::vector<std::string>{"ID 001: A.DAT : ダウンロード中断"});
}

} // namespace
} // namespace tavelin::testing
