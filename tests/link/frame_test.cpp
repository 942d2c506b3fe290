// SPDX-License-Identifier: MIT
// Frames byte for byte, and every path of the receiver.
#include "link_fixture.h"

#include "support/temp_dir.h"

#include <functional>

namespace tavelin::testing {
namespace {

const Bytes kPoll001{0x02, 0x43, 0x30, 0x30, 0x31, 0x30, 0x30, 0x30, 0x30, 0x31, 0x50, 0x03, 0x10};
const Bytes kAck001{0x02, 0x41, 0x30, 0x30, 0x31, 0x30, 0x30, 0x30, 0x30, 0x31, 0x06, 0x03, 0x44};

TEST(FrameBytes, PollAndAcceptOfHandHeld001)
{
    EXPECT_EQ(BuildFrame('C', "001", 0, B("P")), kPoll001);
    EXPECT_EQ(BuildFrame('A', "001", 0, Bytes{ACK}), kAck001);
    EXPECT_EQ(CalcBcc("C00100001P\x03"), "\x10");
    EXPECT_EQ(FrameChar(S(kAck001), 6) + FrameChar(S(kAck001), 11) + FrameChar(S(kAck001), 3), "0\x06");
    // Sequence 12 goes out as its last digit; no data makes a 12-byte frame.
    EXPECT_EQ(S(BuildFrame('E', "128", 12, {})), "\x02" "E12820000\x03" "O");
}

TEST(FrameBytes, DataBeyondFourDigitsIsNotFramed)
{
    EXPECT_EQ(BuildFrame('D', "001", 0, Bytes(kMaxFrameData, 0x41)).size(), kMaxFrameData + 12);
    EXPECT_TRUE(BuildFrame('D', "001", 0, Bytes(kMaxFrameData + 1, 0x41)).empty());
}

using SendTest = LinkTest;

TEST_F(SendTest, TextAndBinaryFramesCarryTheCurrentId)
{
    state.CurHhtId = "001";
    SendFrame(link, "C", 10, "P");
    EXPECT_EQ(port.Written(), kPoll001);

    state.CurHhtId = "042";
    const Bytes raw{0x00, 0x02, 0x03, 0xFF};
    SendFrameBin(link, "D", 3, raw);
    EXPECT_EQ(Bytes(port.Written().begin() + 13, port.Written().end()), BuildFrame('D', "042", 3, raw));
}

TEST_F(SendTest, WaitsForTheLineOnlyWhileCtsIsHeld)
{
    port.SetLineRate(9600); // 13 bytes take about 13.5 ms
    const auto before = NowMs();
    SendFrame(link, "C", 0, "P");
    EXPECT_GE(NowMs() - before, 13);

    port.SetCts(false);
    const auto start = NowMs();
    SendFrame(link, "C", 0, "P");
    EXPECT_EQ(NowMs(), start);
}

// --- receiving

struct ReceiveCase {
    const char* name;
    Bytes incoming;
    int result;
    Bytes frame; // expected frame for 0 / -1
    friend void PrintTo(const ReceiveCase& c, std::ostream* os) { *os << c.name; }
};

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes WithBadBcc(Bytes frame)
{
    frame.back() ^= 0x5A;
    return frame;
}

Bytes WithWrongEtx(Bytes frame)
{
    frame[frame.size() - 2] = 'x';
    return frame;
}

const Bytes kData001 = BuildFrame('D', "001", 4, B("HELLO.TXT   0000012"));

class ReceiveTable : public LinkTest, public ::testing::WithParamInterface<ReceiveCase> {};

TEST_P(ReceiveTable, DeliversTheExpectedFrame)
{
    const auto& c = GetParam();
    Peer(c.incoming);
    std::string frame = "untouched";
    EXPECT_EQ(RecvFrame(link, frame), c.result);
    EXPECT_EQ(frame, c.result == kTimedOut ? "untouched" : S(c.frame));
    EXPECT_EQ(state.flags.RxTimedOut, settings::kFalse);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ReceiveTable,
    ::testing::Values(
        ReceiveCase{"Clean", kAck001, kOk, kAck001},
        ReceiveCase{"NoiseBefore", Cat({B("\xFF\x00zz\x03\x06"), kAck001}), kOk, kAck001},
        ReceiveCase{"TwoStx", Cat({Bytes{STX}, kAck001}), kOk, kAck001},
        ReceiveCase{"NonDigitInId", Cat({B("\x02" "A0X100001\x06\x03" "D"), kData001}), kOk, kData001},
        ReceiveCase{"StrayStxJustBeforeFrame", Cat({B("\x02" "A"), kData001}), kOk, kData001},
        // Each rejected header is hunted over again, STX after STX.
        ReceiveCase{"RunOfStxBeforeFrame", Cat({Bytes(25, STX), kData001}), kOk, kData001},
        ReceiveCase{"RejectedHeadersHideTheFrame", Cat({B("\x02" "a\x02" "b\x02" "7"), kData001}), kOk, kData001},
        ReceiveCase{"FrameInsideARejectedHeader", Cat({B("\x02" "0"), kAck001, B("\x02")}), kOk, kAck001},
        ReceiveCase{"WrongEtxSkipped", Cat({WithWrongEtx(kAck001), kData001}), kOk, kData001},
        ReceiveCase{"BadCheckCharacter", WithBadBcc(kAck001), kFailed, WithBadBcc(kAck001)},
        ReceiveCase{"ForeignId", Frame('A', "002", 0, "\x06"), kFailed, Frame('A', "002", 0, "\x06")},
        ReceiveCase{"ZeroLength", Frame('E', "001", 0, ""), kOk, Frame('E', "001", 0, "")},
        ReceiveCase{"Silence", {}, kTimedOut, {}},
        ReceiveCase{"HeaderThenSilence", B("\x02" "D00110005AB"), kTimedOut, {}},
        ReceiveCase{"OnlyTheStx", Bytes{STX}, kTimedOut, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkTest, BinaryFrameOfMaximumLengthWithEveryByteValue)
{
    Bytes data(kMaxFrameData);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7);
    Peer(BuildFrame('D', "001", 9, data));
    std::string header;
    Bytes got;
    ASSERT_EQ(RecvFrameBin(link, header, got), kOk);
    EXPECT_EQ(header, "\x02" "D00199999");
    EXPECT_EQ(got, data);
}

TEST_F(LinkTest, StopRequestFileIsReadWhileHunting)
{
    TempDir dir;
    dir.Put("ENDPRM.DAT", "1");
    state.settings.WorkDir = dir.Text();
    state.settings.RunMode = 2;
    Peer(kAck001);
    std::string frame;
    EXPECT_EQ(RecvFrame(link, frame), kOk);
    EXPECT_EQ(state.flags.StopRequest, settings::kTrue);
}

// --- a line that never stops talking

struct NoiseCase {
    const char* name;
    Bytes burst;           // repeated every millisecond, for ever
    std::size_t announced; // the longest data length a header in it announces
    friend void PrintTo(const NoiseCase& c, std::ostream* os) { *os << c.name; }
};

class EndlessNoise : public LinkTest, public ::testing::WithParamInterface<NoiseCase> {
protected:
    void Babble()
    {
        port.SendFromPeer(GetParam().burst);
        pump.ScheduleAfter(Millis(1), [this] { Babble(); });
    }
};

// Noise that forms no header ends the receive at the time-out and an empty
// frame's line time; a header stretches it by its own frame's line time only.
TEST_P(EndlessNoise, ReceiveGivesUpWithinItsLimit)
{
    state.settings.BaudCode = "5";
    port.SetInTimeout(200);
    Babble();
    const auto start = NowMs();
    std::string frame = "untouched";
    EXPECT_EQ(RecvFrame(link, frame), kTimedOut);
    EXPECT_GE(NowMs() - start, 200);
    EXPECT_LE(NowMs() - start, ReceiveLimit(link, GetParam().announced).count() + 1);
    EXPECT_EQ(frame, "untouched");
    EXPECT_EQ(state.flags.RxTimedOut, settings::kFalse);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, EndlessNoise,
    ::testing::Values(NoiseCase{"Garbage", B("\xFF\x13zq\x80\x00"), 0},
                      NoiseCase{"StxOnly", Bytes(8, STX), 0},
                      NoiseCase{"HeadersWithWrongEtx", B("\x02" "D00100003ABCDx"), 3},
                      NoiseCase{"HugeLengthNeverEnding", B("\x02" "D00109999"), kMaxFrameData}),
    [](const auto& info) { return std::string(info.param.name); });

// --- bytes at the pace of a slow line, or slower

class PacedBytes : public LinkTest {
protected:
    // Each byte reaches the port on its own, `every` apart, from `from` on.
    void Pace(const Bytes& bytes, Clock::duration from, Clock::duration every)
    {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            pump.ScheduleAfter(from + every * static_cast<long>(i), [this, b = bytes[i]] { port.SendFromPeer(Bytes{b}); });
    }
};

TEST_F(PacedBytes, ByteEvery900msNeverStretchesAOneSecondWait)
{
    state.settings.BaudCode = "2";
    port.SetInTimeout(1000);
    Pace(Bytes(100, 'z'), Millis(900), Millis(900));
    Pace(Bytes{STX, 'D', '0', '0', '1'}, Millis(1950), Millis(900)); // a header that never completes
    for (int receive = 0; receive < 3; ++receive) {
        const auto start = NowMs();
        std::string frame;
        EXPECT_EQ(RecvFrame(link, frame), kTimedOut);
        EXPECT_LE(NowMs() - start, ReceiveLimit(link).count() + 1) << receive;
    }
}

// At 4800 bit/s a 512-byte block takes longer on the line than the time-out:
// a block that began in time is still taken whole, and one that begins late
// is not waited for.
TEST_F(PacedBytes, FrameLongerThanTheTimeOutArrivesWholeWhenItBeganInTime)
{
    state.settings.BaudCode = "0";
    port.SetInTimeout(800);
    Bytes data(512);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 13);
    const Bytes block = BuildFrame('D', "001", 1, data);
    const auto byteTime = std::chrono::microseconds(10'000'000 / 4800);

    Pace(block, Millis(790), byteTime);
    auto start = NowMs();
    std::string header;
    Bytes got;
    EXPECT_EQ(RecvFrameBin(link, header, got), kOk);
    EXPECT_EQ(got, data);
    EXPECT_LE(NowMs() - start, ReceiveLimit(link, data.size()).count());

    pump.Advance(std::chrono::seconds(5));
    Pace(block, Millis(900), byteTime);
    start = NowMs();
    EXPECT_EQ(RecvFrameBin(link, header, got), kTimedOut);
    EXPECT_LE(NowMs() - start, ReceiveLimit(link).count() + 1);
}

// --- a device that goes away

TEST_F(LinkTest, VanishedPortFailsEveryReceiveAtOnce)
{
    port.SetInTimeout(500);
    EXPECT_TRUE(port.Open().Ok());
    pump.ScheduleAfter(Millis(100), [this] { port.Vanish(); });
    pump.ScheduleAfter(Millis(200), [this] { Peer(kAck001); }); // nothing passes any more
    auto start = NowMs();
    std::string frame;
    EXPECT_EQ(RecvFrame(link, frame), kTimedOut);
    EXPECT_EQ(NowMs() - start, 100);
    EXPECT_TRUE(port.Lost());
    EXPECT_FALSE(port.IsOpen());

    start = NowMs();
    EXPECT_EQ(RecvFrame(link, frame), kTimedOut);
    EXPECT_LE(NowMs() - start, 3); // the receive's own settling wait and yield only
    SendFrame(link, "C", 0, "P");
    EXPECT_TRUE(port.Written().empty());

    EXPECT_TRUE(port.Open().Ok()); // plugged in again
    EXPECT_FALSE(port.Lost());
    Peer(kAck001);
    EXPECT_EQ(RecvFrame(link, frame), kOk);
}

} // namespace
} // namespace tavelin::testing

namespace tavelin::testing {
namespace {

// --- a reply that belongs to an earlier step, and a program busy past the time-out

class ReplyWaitTest : public LinkTest {
protected:
    ReplyWaitTest()
    {
        state.settings.BaudCode = "5";
        port.SetInTimeout(200);
    }
    void PeerAt(long long ms, const Bytes& bytes)
    {
        pump.ScheduleAfter(Millis(ms), [this, bytes] { port.SendFromPeer(bytes); });
    }
    const Bytes stale = Frame('A', "001", 3, "\x06");
    const Bytes expected = Frame('A', "001", 4, "\x06");
};

TEST_F(ReplyWaitTest, WhatIsPassedOverNeitherEndsNorStretchesTheWait)
{
    std::string frame;
    {
        SCOPED_TRACE("the expected reply behind a stale one");
        PeerAt(100, stale);
        PeerAt(150, expected);
        ReplyWait wait(link);
        ASSERT_EQ(wait.Receive(frame), kOk);
        wait.PassOver(frame.size());
        ASSERT_EQ(wait.Receive(frame), kOk);
        EXPECT_EQ(frame, S(expected));
    }
    {
        SCOPED_TRACE("a stale reply and then silence: the time-out counts from the first wait");
        const auto start = NowMs();
        PeerAt(100, stale);
        ReplyWait wait(link);
        ASSERT_EQ(wait.Receive(frame), kOk);
        wait.PassOver(frame.size());
        EXPECT_EQ(wait.Receive(frame), kTimedOut);
        EXPECT_LE(NowMs() - start, ReceiveLimit(link).count() + 2);
    }
    {
        SCOPED_TRACE("a peer that only repeats itself");
        for (int i = 0; i < 20; ++i)
            PeerAt(10, stale);
        ReplyWait wait(link);
        int passed = 0;
        while (wait.Receive(frame) == kOk) {
            wait.PassOver(frame.size());
            ++passed;
        }
        EXPECT_EQ(passed, ReplyWait::kMostPassedOver + 1);
        port.DiscardInput();
    }
}

TEST_F(ReplyWaitTest, AnAnswerThatCameWhileTheProgramWasBusyIsTaken)
{
    // Noise and the answer arrive in time; the program is stuck in one
    // event from 20 ms until well past the time-out.
    PeerAt(10, Cat({B("\xFF\x13"), stale, expected}));
    pump.ScheduleAfter(Millis(20), [this] { pump.Busy(Millis(900)); });
    std::string frame;
    ReplyWait wait(link);
    ASSERT_EQ(wait.Receive(frame), kOk);
    wait.PassOver(frame.size());
    EXPECT_EQ(wait.Receive(frame), kOk);
    EXPECT_EQ(frame, S(expected));
    // Past the limit only what had arrived counts: nothing more is waited for.
    EXPECT_EQ(wait.Receive(frame), kTimedOut);
}

} // namespace
} // namespace tavelin::testing
