// SPDX-License-Identifier: MIT
// The explorer on records written by hand: each a program that keeps, or
// breaks, one promise in some crash state.
#include "crash_states.h"
#include "promises.h"

#include <gtest/gtest.h>

namespace tavelin::crash {
namespace {

// Entries as recorder.c writes them, under the root /r.
std::string Open(int fd, const std::string& path, bool truncate = false)
{
    const std::string absolute = "/r/" + path;
    return "O " + std::to_string(fd) + " 1 " + (truncate ? "1 " : "0 ") + std::to_string(absolute.size()) + "\n" +
           absolute;
}
std::string Write(int fd, long offset, const std::string& bytes)
{
    return "W " + std::to_string(fd) + " " + std::to_string(offset) + " " + std::to_string(bytes.size()) + "\n" + bytes;
}
std::string Fsync(int fd) { return "S " + std::to_string(fd) + "\n"; }
std::string Close(int fd) { return "C " + std::to_string(fd) + "\n"; }
std::string Rename(const std::string& from, const std::string& to)
{
    return "R " + std::to_string(from.size() + 3) + " " + std::to_string(to.size() + 3) + "\n/r/" + from + "/r/" + to;
}
std::string Told() { return "L 2\n\x06\x06"; }

struct Explored {
    std::size_t states = 0;
    std::vector<std::string> violations;
};

// The root holds the folders "up", "up/SUB" and "work" at the start.
Explored Explore(const std::string& record, const std::string& leftovers = "$^")
{
    const std::vector<InitialEntry> initial{{"up", true, {}}, {"up/SUB", true, {}}, {"work", true, {}}};
    const auto run = ReadRecord(record, "/r", initial);
    EXPECT_TRUE(run) << run.Reason();
    Explored explored;
    if (!run)
        return explored;
    const FileTree start = InitialTree(initial);
    const PromiseChecker checker(*run, start, {"up", {"work/LOG.DAT"}, std::regex(leftovers)});
    explored.states = ForEachCrashState(*run, start, [&](const CrashState& state) {
        for (std::string& broken : checker.Check(state))
            explored.violations.push_back(std::move(broken));
    });
    return explored;
}

// A temporary file written, renamed into the data folder, then acknowledged.
std::string Received(bool flushData, bool flushFolder)
{
    std::string record = Open(3, "work/TMP") + Write(3, 0, "DATA") + (flushData ? Fsync(3) : "") + Close(3) +
                         Rename("work/TMP", "up/A.DAT");
    if (flushFolder)
        record += Open(4, "up") + Fsync(4) + Close(4);
    return record + Told();
}

TEST(CrashStates, AFileTheHandHeldWasToldOfMustBeFlushedDataAndName)
{
    const Explored kept = Explore(Received(true, true));
    EXPECT_TRUE(kept.violations.empty()) << kept.violations.front();
    EXPECT_GT(kept.states, 5u);
    for (const auto& [data, folder] : {std::pair{false, true}, std::pair{true, false}, std::pair{false, false}}) {
        const Explored broken = Explore(Received(data, folder));
        ASSERT_FALSE(broken.violations.empty()) << data << folder;
        EXPECT_NE(broken.violations.front().find("up/A.DAT"), std::string::npos) << broken.violations.front();
    }
}

TEST(CrashStates, AFileBeingReplacedIsTheOldOrTheNewOne)
{
    const std::string first = Received(true, true);
    const std::string replaced = Open(3, "work/TMP") + Write(3, 0, "NEWER DATA") + Fsync(3) + Close(3) +
                                 Rename("work/TMP", "up/A.DAT") + Open(4, "up") + Fsync(4) + Close(4) + Told();
    EXPECT_TRUE(Explore(first + replaced).violations.empty());
    // Written over in place: torn, or empty after the truncation.
    const std::string inPlace = Open(3, "up/A.DAT", true) + Write(3, 0, "NEW") + Fsync(3) + Close(3) + Told();
    EXPECT_FALSE(Explore(first + inPlace).violations.empty());
}

// A temporary beside the file it replaces is no data only where a later run
// never reads it: one removed at start, a lock.
TEST(CrashStates, ATemporaryLeftBesideItsTargetCountsUnlessNeverRead)
{
    const std::string replaced = Open(3, "up/A.DAT.new") + Write(3, 0, "DATA") + Fsync(3) + Close(3) +
                                 Rename("up/A.DAT.new", "up/A.DAT") + Open(4, "up") + Fsync(4) + Close(4) + Told();
    const Explored counted = Explore(replaced);
    ASSERT_FALSE(counted.violations.empty());
    EXPECT_NE(counted.violations.front().find("up/A.DAT.new"), std::string::npos) << counted.violations.front();
    EXPECT_TRUE(Explore(replaced, R"(up/.*\.new)").violations.empty());
    EXPECT_FALSE(Explore(replaced, R"(up/B\.DAT\.new)").violations.empty()); // only the names given
}

TEST(CrashStates, ALogLineIsWholeOnlyWhenTheOnesBeforeWereFlushed)
{
    const std::string line = Open(3, "work/LOG.DAT") + Write(3, 0, "ONE LINE\r\n");
    const std::string next = Write(3, 10, "TWO LINE\r\n") + Close(3);
    EXPECT_FALSE(Explore(line + next).violations.empty()); // zeros where the first line was
    EXPECT_TRUE(Explore(line + Fsync(3) + next).violations.empty());
    const Explored torn = Explore(Open(3, "work/LOG.DAT") + Write(3, 0, "HALF") + Fsync(3) + Close(3));
    ASSERT_FALSE(torn.violations.empty());
    EXPECT_NE(torn.violations.front().find("torn"), std::string::npos);
}

TEST(CrashStates, ARecordThatCannotBeReadIsRefused)
{
    const std::vector<InitialEntry> none;
    EXPECT_FALSE(ReadRecord(Write(3, 0, "DATA").substr(0, 10), "/r", none));
    EXPECT_FALSE(ReadRecord("W 3 0 4", "/r", none));
    EXPECT_FALSE(ReadRecord(Open(3, "x") + "X 3\n", "/r", none));
    EXPECT_FALSE(ReadRecord(Rename("never", "made"), "/r", none));
    EXPECT_FALSE(ReadRecord("Q\n", "/r", none));
}

} // namespace
} // namespace tavelin::crash
