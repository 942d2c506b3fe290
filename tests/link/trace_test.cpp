// SPDX-License-Identifier: MIT
// The frame trace: a download to the simulated hand-held, in process on
// virtual time, leaves one line per frame with its fields, and the line's
// faults show as their own results.
#include "support/sim_engine_fixture.h"

#include "link/trace.h"

#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

namespace tavelin::testing {
namespace {

class TraceTest : public SimEngineTest {
public:
    TraceTest()
    {
        auto opened = link::Tracer::Open(TracePath().string());
        EXPECT_TRUE(opened) << opened.Reason();
        if (opened) {
            tracer = std::move(*opened);
            link.watchers.Attach(*tracer);
        }
    }

    std::filesystem::path TracePath() const { return work.Path() / "trace.txt"; }


    int Download(const std::string& name)
    {
        const int result = transfer::DownloadFile(link, "D", files.Text(), name, progress);
        Settle();
        return result;
    }

    // The trace's lines once the tracer has gone (and written them all).
    std::vector<std::string> Lines()
    {
        link.watchers.Detach(*tracer);
        tracer.reset();
        std::ifstream in(TracePath());
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }

    static std::vector<std::string> With(const std::vector<std::string>& lines, const std::string& part)
    {
        std::vector<std::string> out;
        for (const auto& line : lines)
            if (line.find(part) != std::string::npos)
                out.push_back(line);
        return out;
    }

    std::unique_ptr<link::Tracer> tracer;
};

TEST_F(TraceTest, ADownloadShowsEveryFrameWithItsFields)
{
    std::string content = "HELLO\x01\x02";
    content.resize(600, 'x'); // two blocks: 512 and 88 bytes
    files.Put("D.DAT", content);
    Start();
    ASSERT_EQ(Download("D.DAT"), 0);
    const auto lines = Lines();
    ASSERT_FALSE(lines.empty());

    // time, direction, kind, ID, digit, four-digit length, result, data
    const std::regex frame(R"( *\d+ ms (sent|recv) [A-Z] 001 \d \d{4} ok( \|( [0-9A-F]{2}){1,32} \| .{1,32}(\.\.\.)?)?)");
    int sent = 0, received = 0;
    for (const auto& line : lines) {
        if (line.find("port") != std::string::npos)
            continue;
        SCOPED_TRACE(line);
        EXPECT_TRUE(std::regex_match(line, frame));
        (line.find(" sent ") != std::string::npos ? sent : received)++;
    }
    EXPECT_EQ(sent, hand->GetStats().framesReceived);
    EXPECT_GT(received, 0);

    // The first block: its length, its first 32 bytes in hex and as text, and
    // a mark that more followed.
    const auto first = With(lines, " 0512 ok");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_NE(first[0].find("| 48 45 4C 4C 4F 01 02 78 78"), std::string::npos);
    EXPECT_NE(first[0].find("| HELLO..xxxxxxxxxxxxxxxxxxxxxxxxx...") , std::string::npos);
    EXPECT_EQ(With(lines, " 0088 ok").size(), 1u);

    // Times never go backwards.
    long long last = -1;
    for (const auto& line : lines) {
        const long long ms = std::stoll(line);
        EXPECT_GE(ms, last);
        last = ms;
    }
}

TEST_F(TraceTest, LineFaultsShowAsTheirResults)
{
    files.Put("D.DAT", std::string(2000, 'y'));
    Start(Faults([](sim::FaultOptions& f) {
        f.corruptBccOfSent = {2};
        f.noiseBeforeSent = {4};
        f.dropSent = {6};
    }));
    ASSERT_EQ(Download("D.DAT"), 0);
    port.SendFromPeer(link::BuildFrame('A', "002", 0, link::Bytes{link::ACK}));
    std::string frame;
    EXPECT_EQ(link::RecvFrame(link, frame), link::kFailed);
    const auto lines = Lines();
    EXPECT_EQ(With(lines, "recv A 002 0 0001 wrong ID | 06 | .").size(), 1u);
    EXPECT_EQ(With(lines, " bad check character").size(), 1u);
    EXPECT_EQ(With(lines, " resynchronised").size(), 1u);
    EXPECT_GE(With(lines, "recv time-out after ").size(), 1u);
}

TEST(Tracer, PortEventsAndUnusablePaths)
{
    TempDir dir;
    const auto path = dir.Path() / "t.txt";
    {
        link::VirtualPump pump;
        link::MemoryPort port{pump};
        auto opened = link::Tracer::Open(path.string());
        ASSERT_TRUE(opened) << opened.Reason();
        auto& tracer = *opened;
        tracer->WatchPort(pump.Now(), port);
        tracer->WatchPort(pump.Now(), port); // unchanged: no line
        port.Open();
        pump.Advance(std::chrono::milliseconds(1500));
        tracer->WatchPort(pump.Now(), port);
        // Written out a second after the last write, without waiting for the end.
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(text.str(), "         0 ms port closed\n      1500 ms port open\n");
        tracer->Sent(pump.Now(), link::Bytes{link::STX, 'A'}); // too short to be a frame: still a line
    }
    std::ifstream in(path);
    std::string line;
    for (int i = 0; i < 3; ++i)
        std::getline(in, line);
    EXPECT_EQ(line, "      1500 ms sent (short) ok");

    const auto missing = link::Tracer::Open((dir.Path() / "missing" / "t.txt").string());
    EXPECT_FALSE(missing);
    EXPECT_FALSE(missing.Reason().empty());
}

} // namespace
} // namespace tavelin::testing
