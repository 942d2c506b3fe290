// SPDX-License-Identifier: MIT
// Connecting, ending, and the hand-held's file-name rule.
#include "link_fixture.h"

#include "link/commands.h"

namespace tavelin::testing {
namespace {

class ConnectTest : public LinkTest {
protected:
    // The hand-held answers the poll with `answer`.
    void AnswerWith(Bytes answer)
    {
        port.SetPeerReceiver([this, answer](const Bytes&) { port.SendFromPeer(answer); });
    }
};

TEST_F(ConnectTest, AcceptedPollConnects)
{
    state.settings.PollTimeout = 150;
    AnswerWith(Frame('A', "001", 0, "\x06"));
    EXPECT_EQ(ConnectHht(link), kOk);
    EXPECT_EQ(port.InTimeout(), 150);
    EXPECT_EQ(S(port.Written()), "\x02" "C00100001P\x03\x10");
}

TEST_F(ConnectTest, AnythingButAcceptIsAFailure)
{
    const Bytes answers[] = {
        Frame('A', "001", 0, "\x15"),   // acknowledgement without ACK
        Frame('R', "001", 0, "M"),      // wrong mode
        Frame('A', "002", 0, "\x06"),   // another hand-held
        Frame('A', "001", 0, ""),       // no data at all
    };
    for (const auto& answer : answers) {
        AnswerWith(answer);
        EXPECT_EQ(ConnectHht(link), kFailed) << S(answer);
    }
    AnswerWith([] { Bytes bad = BuildFrame('A', "001", 0, Bytes{ACK}); bad.back() ^= 1; return bad; }());
    EXPECT_EQ(ConnectHht(link), kFailed);
}

// Another hand-held's answer, late or doubled, arrives first: the addressed
// one's answer behind it still connects.
TEST_F(ConnectTest, ANeighboursLateAnswerIsPassedOver)
{
    Bytes both = Frame('A', "002", 0, "\x06");
    const Bytes own = Frame('A', "001", 0, "\x06");
    both.insert(both.end(), own.begin(), own.end());
    AnswerWith(both);
    EXPECT_EQ(ConnectHht(link), kOk);
}

TEST_F(ConnectTest, SilentHandHeldTimesOutAfterPollTimeout)
{
    state.settings.PollTimeout = 120;
    // An accept left over from an earlier exchange must not count.
    Peer(Frame('A', "001", 0, "\x06"));
    pump.Advance(Millis(5));
    const auto start = NowMs();
    EXPECT_EQ(ConnectHht(link), kTimedOut);
    EXPECT_GE(NowMs() - start, 120);
    EXPECT_EQ(state.flags.RxTimedOut, settings::kFalse);
}

TEST_F(ConnectTest, EndSessionSendsEndCommandAndReadsNothing)
{
    state.CurHhtId = "128";
    Peer(Frame('A', "128", 0, "\x06"));
    pump.Advance(Millis(5));
    EndSession(link);
    EXPECT_EQ(port.InTimeout(), 800);
    EXPECT_EQ(port.Written(), Frame('C', "128", 0, "I"));
    EXPECT_EQ(port.InBufferCount(), 0u); // stale input dropped, nothing read
}

TEST(HhtFileName, Rule)
{
    struct Case {
        const char* name;
        bool valid;
    };
    const Case cases[] = {
        {"ABCDEFGH.TXT", true}, {"ABCDEFGHI.TXT", false}, {"A.TEXT", false},
        {"ABCDEFGH", true},     {"ABCDEFGHI", false},     {".ABC", true},
        {"A.B.C", true},        {"A.B.CD", false},        {"", false},
        {"A B.TXT", false},     {"A+B.TXT", false},       {"A;B.TXT", false},
        {"A-B_C.TXT", true},    {"A#1.TXT", true},        {"\"A\".TXT", false},
        {"A*.TXT", false},      {"A|B", false},           {"A\tB", false},
        {"データ.TXT", false},  {"ｱ.TXT", false},          {"A.", true},
        {"~!@$%&.()", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsHhtFileName(c.name), c.valid) << c.name;
}

} // namespace
} // namespace tavelin::testing
