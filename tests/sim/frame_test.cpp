// SPDX-License-Identifier: MIT
// Frames on the wire: the exact bytes of a poll and its answer, and the
// hand-held's byte-by-byte decoder against damaged input.
#include "frame_decoder.h"
#include "sim_fixture.h"

#include <cctype>

namespace tavelin::sim::testing {
namespace {

Bytes Hex(std::initializer_list<int> values) { return Bytes(values.begin(), values.end()); }

TEST_F(SimTest, PollOf001IsAnsweredWithTheExactAcknowledgement)
{
    Start();
    const Bytes poll = Hex({0x02, 0x43, 0x30, 0x30, 0x31, 0x30, 0x30, 0x30, 0x30, 0x31, 0x50, 0x03, 0x10});
    ASSERT_EQ(poll, BuildFrame('C', "001", 0, B("P")));
    SendRaw(poll);
    port.SetInTimeout(100);
    Bytes answer;
    ASSERT_EQ(port.Read(13, answer), ReadResult::Ok);
    EXPECT_EQ(answer, Hex({0x02, 0x41, 0x30, 0x30, 0x31, 0x30, 0x30, 0x30, 0x30, 0x31, 0x06, 0x03, 0x44}));
    EXPECT_EQ(port.InBufferCount(), 0u);
    EXPECT_EQ(stats().Violations(), 0);
}

TEST_F(SimTest, PollsAreAnsweredOnlyForServedIdsAndGoodFrames)
{
    Start();
    state.CurHhtId = "007";
    Send('C', 0, "P");
    EXPECT_TRUE(Recv().Is('A', 0, Char(ACK)));
    Send('C', 0, "P", "004"); // not one of ours: a hand-held that is absent
    EXPECT_EQ(Recv().rc, -3);
    Bytes bad = BuildFrame('C', "001", 0, B("P"));
    bad.back() ^= 1;
    SendRaw(bad);
    EXPECT_EQ(Recv().rc, -3);
    Send('C', 0, "P", "000");
    EXPECT_EQ(Recv().rc, -3);
    EXPECT_EQ(stats().framesForOthers, 1);
    EXPECT_EQ(stats().bccViolations, 1);
    EXPECT_EQ(stats().idViolations, 1);
}

struct DecodeCase {
    const char* what;
    Bytes bytes;
    int goodFrames;
    int layout, length, etx, bcc;
};

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Bytes kPoll = BuildFrame('C', "001", 0, B("P"));

Bytes Truncated(Bytes frame, std::size_t drop)
{
    frame.resize(frame.size() - drop);
    return frame;
}

Bytes WithByte(Bytes frame, std::size_t at, std::uint8_t value)
{
    frame[at] = value;
    return frame;
}

class DecoderTest : public ::testing::TestWithParam<DecodeCase> {};

// Each case is fed in one piece and byte by byte: the result must not depend
// on how the line cut the bytes.
TEST_P(DecoderTest, FindsTheGoodFramesAndCountsTheDamage)
{
    const DecodeCase& c = GetParam();
    for (const bool byteByByte : {false, true}) {
        FrameDecoder decoder;
        Stats stats;
        std::vector<ReceivedFrame> frames;
        if (byteByByte) {
            for (const std::uint8_t byte : c.bytes)
                decoder.Feed(std::span(&byte, 1), stats, frames);
        } else {
            decoder.Feed(c.bytes, stats, frames);
        }
        const auto good = std::count_if(frames.begin(), frames.end(), [](const auto& f) { return f.checkOk; });
        EXPECT_EQ(good, c.goodFrames) << c.what;
        EXPECT_EQ(stats.layoutViolations, c.layout) << c.what;
        EXPECT_EQ(stats.lengthViolations, c.length) << c.what;
        EXPECT_EQ(stats.etxViolations, c.etx) << c.what;
        EXPECT_EQ(stats.bccViolations, c.bcc) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DecoderTest,
    ::testing::Values(
        DecodeCase{"clean frame", kPoll, 1, 0, 0, 0, 0},
        DecodeCase{"noise without STX first", Cat({Hex({0x00, 0xFF, 0x41, 0x30}), kPoll}), 1, 0, 0, 0, 0},
        DecodeCase{"two STX in a row", Cat({Hex({0x02}), kPoll}), 1, 1, 0, 0, 0},
        DecodeCase{"letter in the ID field", Cat({WithByte(kPoll, 3, 'X'), kPoll}), 1, 1, 0, 0, 0},
        DecodeCase{"wrong end byte", Cat({WithByte(kPoll, 11, 0x04), kPoll}), 1, 0, 0, 1, 0},
        DecodeCase{"cut-off frame before a good one", Cat({Truncated(kPoll, 3), kPoll}), 1, 0, 0, 1, 0},
        DecodeCase{"length beyond 512", Cat({B("\x02" "C00109999"), kPoll}), 1, 0, 1, 0, 0},
        DecodeCase{"wrong check character", Cat({WithByte(kPoll, 12, 0x11), kPoll}), 1, 0, 0, 0, 1},
        DecodeCase{"empty data frame", BuildFrame('A', "001", 3, {}), 1, 0, 0, 0, 0}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

} // namespace
} // namespace tavelin::sim::testing
