// SPDX-License-Identifier: MIT
// Upload of all files where POSIX lets a test stand a file-size limit in
// for a full disk, and a hard link keep the file a name stood for.
#include "support/file_size_limit.h"
#include "upload_safety_fixture.h"

namespace tavelin::testing {
namespace {

TEST_F(UploadSafetyTest, AnAppendThatDoesNotFitLeavesTheTargetAsItWas)
{
    const std::string old = Bytes(3999, 3) + "\x1A";
    files.Put("LOG.DAT", old);
    Offer("LOG.DAT", Bytes(3000, 4)); // fits as a temporary file, not appended
    Start();
    {
        FileSizeLimit full(6000);
        EXPECT_EQ(UploadAll(files.Text(), 2), -1);
    }
    EXPECT_TRUE(files.Get("LOG.DAT") == old);
    EXPECT_EQ(history.lines, std::vector<std::string>{"ID 001: LOG.DAT : ＴＭＰファイルからの変更に失敗しました"});
    EXPECT_FALSE(work.Has("UPTMP.00"));

    Start(); // with room, the same append works
    EXPECT_EQ(UploadAll(files.Text(), 2), 0);
    EXPECT_TRUE(files.Get("LOG.DAT") == Bytes(3999, 3) + Bytes(3000, 4));
}

// A crash during an append leaves the old file or the whole new one: the
// old file is never written over, so a link to it still holds it after.
TEST_F(UploadSafetyTest, AnAppendNeverWritesOverTheOldFile)
{
    const std::string old = Bytes(3999, 3) + "\x1A";
    files.Put("LOG.DAT", old);
    std::filesystem::create_hard_link(files.Path() / "LOG.DAT", files.Path() / "OLD.LNK");
    Offer("LOG.DAT", Bytes(3000, 4));
    Start();
    EXPECT_EQ(UploadAll(files.Text(), 2), 0);
    EXPECT_TRUE(files.Get("LOG.DAT") == Bytes(3999, 3) + Bytes(3000, 4));
    EXPECT_TRUE(files.Get("OLD.LNK") == old);
    EXPECT_FALSE(files.Has("LOG.DAT.~tmp") || work.Has("UPTMP.00.~tmp") || work.Has("UPTMP.00"));
}

} // namespace
} // namespace tavelin::testing
