// SPDX-License-Identifier: MIT
// The logs where POSIX lets a test make what Windows does not: a folder
// whose files may not go, a FIFO or a symbolic link in a log's place, and a
// file-size limit standing in for a full disk.
#include "logs_fixture.h"
#include "settings/history.h"
#include "settings/result_log.h"
#include "settings/tav_inf.h"
#include "support/file_size_limit.h"
#include "support/unprivileged.h"

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::settings {
namespace {

TEST_F(Logs, NewHistoryEmptiesAnOldFileItCannotRemove)
{
    // Root may remove from a read-only directory: the case is made as an ordinary user.
    testing::RunUnprivileged(dir.Path(), [&] {
        dir.Put("HISTORY.DAT", "old\r\n");
        std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        ClearHistory(state);
        EXPECT_EQ(dir.Get("HISTORY.DAT"), "");
        EXPECT_FALSE(state.logFailures.Any());

        dir.Put("HISTORY.DAT", "old\r\n");
        std::filesystem::permissions(dir.Path() / "HISTORY.DAT", std::filesystem::perms::owner_read);
        ClearHistory(state); // now neither the directory nor the file may be written
        EXPECT_EQ(dir.Get("HISTORY.DAT"), "old\r\n");
        EXPECT_TRUE(state.logFailures.historyKept);
        std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all);
    });
}

TEST_F(Logs, AFifoInPlaceOfALogIsAFailureNotAWait)
{
    for (const char* name : {"RESULT.DAT", "HISTORY.DAT"}) {
        const auto path = dir.Path() / name;
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        auto written = std::async(std::launch::async, [&] {
            return std::string(name) == "RESULT.DAT" ? WriteResult(state, 0, 1)
                                                     : (WriteHistory(state, nullptr, "A.TXT", 1, 0, "x"), false);
        });
        if (written.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ADD_FAILURE() << "waited on " << name;
            const int reader = open(path.c_str(), O_RDONLY | O_NONBLOCK); // lets the writer go on
            written.wait();
            close(reader);
        }
        EXPECT_FALSE(written.get()) << name;
    }
    EXPECT_TRUE(state.logFailures.result);
    EXPECT_EQ(state.logFailures.historyLines, 1);
}

// A log or a temporary file whose name is a symbolic link is never written
// through: what the link names (here a file outside, or one not there yet)
// stays as it was. The logs count as not written; the temporary file of a
// whole-file replace is the program's own name, made new.
TEST_F(Logs, NothingIsWrittenThroughASymbolicLink)
{
    testing::TempDir outside;
    for (const bool dangling : {false, true}) {
        outside.Put("outside.txt", "keep\n");
        const auto target = outside.Path() / (dangling ? "not-there.txt" : "outside.txt");
        for (const char* name : {"RESULT.DAT", "HISTORY.DAT", "TAV0001.INF.new"}) {
            std::filesystem::remove(dir.Path() / name);
            std::filesystem::create_symlink(target, dir.Path() / name);
        }
        state.logFailures = {};
        EXPECT_FALSE(WriteResult(state, 0, 1));
        WriteHistory(state, nullptr, "A.TXT", 1, 0, "x");
        EXPECT_TRUE(state.logFailures.result);
        EXPECT_EQ(state.logFailures.historyLines, 1);
        EXPECT_TRUE(WriteTavInf(dir.Text(), {"7", "/data/"}));
        EXPECT_EQ(dir.Get("TAV0001.INF"), "7\r\n/data/\r\n");
        EXPECT_EQ(outside.Get("outside.txt"), "keep\n") << dangling;
        EXPECT_FALSE(outside.Has("not-there.txt"));
        EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "RESULT.DAT"));
    }
}

// Under a file-size limit a line that fits only in part counts as not
// written, as a full disk does.
TEST_F(Logs, ALineCutShortByAFileSizeLimitIsAFailure)
{
    dir.Put("HISTORY.DAT", std::string(90, 'h') + "\r\n");
    {
        testing::FileSizeLimit limit(100);
        WriteHistory(state, nullptr, "A.TXT", 1, 0, "x");
        EXPECT_EQ(state.logFailures.historyLines, 1);
        EXPECT_TRUE(WriteResult(state, 0, 1)); // a short file still fits
    }
    EXPECT_FALSE(state.logFailures.result);
}

} // namespace
} // namespace tavelin::settings
