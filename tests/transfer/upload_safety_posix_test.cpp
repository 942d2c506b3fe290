// SPDX-License-Identifier: MIT
// Upload of all files where POSIX lets a test stand a file-size limit in
// for a full disk.
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

} // namespace
} // namespace tavelin::testing
