// SPDX-License-Identifier: MIT
// The line monitor's rows without a window: a download to the simulated
// hand-held with faults on the line gives the trace's lines, bad check
// characters and resent frames marked; the cap and pause bound what is
// kept; rows saved load back as they were, and a trace file's malformed
// lines are skipped, never trusted.
#include "support/sim_engine_fixture.h"

#include "link/trace.h"
#include "modes/line_monitor.h"
#include "settings/text_file.h"

#include <fstream>
#include <memory>

namespace tavelin::testing {
namespace {

std::vector<std::string> TraceLines(const modes::LineMonitor& monitor)
{
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < monitor.Count(); ++i) {
        lines.emplace_back();
        link::AppendTraceLine(monitor.Row(i).record, lines.back());
    }
    return lines;
}

std::vector<int> Retries(const modes::LineMonitor& monitor)
{
    std::vector<int> retries;
    for (std::size_t i = 0; i < monitor.Count(); ++i)
        retries.push_back(monitor.Row(i).retries);
    return retries;
}

link::TraceRecord At(long long ms)
{
    link::TraceRecord record;
    record.ms = ms;
    record.event = link::TraceEvent::TimedOut;
    return record;
}

class LineMonitorTest : public SimEngineTest {};

TEST_F(LineMonitorTest, ADownloadOnAFaultyLineGivesTheTraceRowsAndTheyLoadBack)
{
    const auto tracePath = work.Path() / "trace.txt";
    auto opened = link::Tracer::Open(tracePath.string());
    ASSERT_TRUE(opened) << opened.Reason();
    auto tracer = std::move(*opened);
    modes::LineMonitor monitor;
    link.watchers.Attach(*tracer);
    link.watchers.Attach(monitor);
    files.Put("D.DAT", std::string(2000, 'y'));
    Start(Faults([](sim::FaultOptions& f) {
        f.corruptBccOfSent = {2};
        f.dropSent = {4};
    }));
    ASSERT_EQ(transfer::DownloadFile(link, "D", files.Text(), "D.DAT", progress), 0);
    Settle();
    link.watchers.Detach(*tracer);
    link.watchers.Detach(monitor);
    tracer.reset();

    // The same lines as the trace file, word for word.
    std::vector<std::string> traced;
    std::ifstream in(tracePath);
    for (std::string line; std::getline(in, line);)
        traced.push_back(line);
    EXPECT_EQ(TraceLines(monitor), traced);

    // The damaged answer is marked and the hand-held's repeat counts as its
    // retry; the block whose answer was lost went out again.
    int bad = 0, receivedAgain = 0, sentAgain = 0;
    for (std::size_t i = 0; i < monitor.Count(); ++i) {
        const modes::MonitorRow& row = monitor.Row(i);
        bad += row.record.result == link::TraceResult::BadCheck;
        receivedAgain += row.record.event == link::TraceEvent::Received && row.retries > 0;
        sentAgain += row.record.event == link::TraceEvent::Sent && row.retries > 0;
    }
    EXPECT_EQ(bad, 1);
    EXPECT_EQ(receivedAgain, 1);
    EXPECT_EQ(sentAgain, 2);

    // Saved and opened again: the same rows, retries worked out anew.
    const std::string saved = (work.Path() / "saved.txt").string();
    ASSERT_TRUE(monitor.Save(saved));
    modes::LineMonitor reread;
    const modes::MonitorLoad load = reread.Load(saved);
    EXPECT_TRUE(load.opened);
    EXPECT_EQ(load.skipped, 0);
    EXPECT_EQ(std::size_t(load.rows), monitor.Count());
    EXPECT_EQ(TraceLines(reread), TraceLines(monitor));
    EXPECT_EQ(Retries(reread), Retries(monitor));
}

TEST(LineMonitor, TheCapDropsTheOldestAndAPauseHoldsRowsAside)
{
    modes::LineMonitor monitor(3);
    for (int ms = 0; ms < 5; ++ms)
        monitor.Add(At(ms));
    ASSERT_EQ(monitor.Count(), 3u);
    EXPECT_EQ(monitor.Row(0).record.ms, 2);
    EXPECT_EQ(monitor.FirstSerial(), 2u);
    EXPECT_EQ(monitor.EndSerial(), 5u);

    monitor.SetPaused(true);
    for (int ms = 5; ms < 10; ++ms)
        monitor.Add(At(ms));
    EXPECT_EQ(monitor.Row(0).record.ms, 2); // what the reader looks at stays
    EXPECT_EQ(monitor.Held(), 3u);          // held aside, within the cap too
    monitor.SetPaused(false);
    EXPECT_EQ(monitor.Held(), 0u);
    ASSERT_EQ(monitor.Count(), 3u);
    EXPECT_EQ(monitor.Row(0).record.ms, 7);
    EXPECT_EQ(monitor.Row(2).record.ms, 9);

    const auto generation = monitor.Generation();
    monitor.Clear();
    EXPECT_EQ(monitor.Count(), 0u);
    EXPECT_NE(monitor.Generation(), generation);
}

TEST(LineMonitor, MalformedLinesOfATraceFileAreSkipped)
{
    TempDir dir;
    const std::string good[] = {
        "         0 ms port open",
        "        12 ms sent P 007 3 0000 ok",
        "        15 ms recv A 007 3 0001 bad check character | 06 | .\r", // CR LF written on Windows
        "      1500 ms recv time-out after 1012 ms",
        "      1500 ms sent (short) ok",
        "12345678901 ms recv A 007 4 0001 resynchronised | 41 | A",       // past ten digits
        "      1600 ms port lost: the device went away",
    };
    const std::string bad[] = {
        "",  // an empty line is passed over, not counted
        "        12 ms sent P 007 3 0000",                        // no result
        "        12 ms sent P 007 3 0000 fine",                   // an unknown result
        "        12 ms sent P 07 3 0000 ok",                      // a short ID
        "        12 ms sent P 007 3 0000 ok | 4G | A",            // not hex
        "        12 ms sent P 007 3 0001 ok | 41 | B",            // text not that of the bytes
        "        12 ms sent P 007 3 0001 ok | 41 | A...",         // "more" after fewer than 32 bytes
        "        12 ms sent P 007 3 0001 ok | 41 | A trailing",   // more after the text
        "   -12 ms port open",                                    // a negative time
        "1234567890123456789 ms port open",                       // more digits than a time has
        "        12 ms recv time-out after ms",
        "        12 ms sent P 007 3 0000 ok\x01",
        std::string("        12 ms sent P 0\x00" "7 3 0000 ok", 34),   // a NUL in a field
        "        12 ms port open " + std::string(600, 'x'),       // longer than any trace line
        "        12 ms sent P 007 3 0033 ok |" + [] {              // 33 bytes shown
            std::string hex;
            for (int i = 0; i < 33; ++i)
                hex += " 41";
            return hex + " | " + std::string(33, 'A');
        }(),
    };
    std::string text;
    for (const auto& line : good)
        text += line + "\n";
    for (const auto& line : bad)
        text += line + "\n";
    const std::string path = (dir.Path() / "trace.txt").string();
    std::ofstream(path, std::ios::binary) << text << "        99 ms port closed"; // no line end at the end

    modes::LineMonitor monitor;
    const modes::MonitorLoad load = monitor.Load(path);
    EXPECT_TRUE(load.opened);
    EXPECT_EQ(load.rows, 8);
    EXPECT_EQ(load.skipped, int(std::size(bad)) - 1);
    ASSERT_EQ(monitor.Count(), 8u);
    EXPECT_EQ(monitor.Row(2).record.result, link::TraceResult::BadCheck);
    EXPECT_EQ(monitor.Row(3).record.waitedMs, 1012);
    EXPECT_EQ(monitor.Row(5).record.ms, 12345678901LL);
    EXPECT_EQ(monitor.Row(7).record.event, link::TraceEvent::PortClosed);

    // What cannot be read as a file leaves the rows as they were.
    EXPECT_FALSE(monitor.Load(dir.Text()).opened);
    EXPECT_FALSE(monitor.Load((dir.Path() / "missing.txt").string()).opened);
    EXPECT_EQ(monitor.Count(), 8u);
}

} // namespace
} // namespace tavelin::testing
