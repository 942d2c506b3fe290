// SPDX-License-Identifier: MIT
// The per-system file steps that the transfers and the PC pane share, held
// to one contract on every system.
#include "settings/file_system.h"
#include "settings/paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavelin::settings {
namespace {

using testing::TempDir;

TEST(FileSystem, RenameNoReplaceMovesOnlyToAFreeName)
{
    TempDir dir;
    dir.Put("a.txt", "a");
    dir.Put("b.txt", "b");
    EXPECT_FALSE(RenameNoReplace(dir.Path() / "a.txt", dir.Path() / "b.txt"));
    EXPECT_EQ(dir.Get("a.txt"), "a");
    EXPECT_EQ(dir.Get("b.txt"), "b");
    EXPECT_FALSE(RenameNoReplace(dir.Path() / "missing.txt", dir.Path() / "c.txt"));
    EXPECT_FALSE(dir.Has("c.txt"));
    EXPECT_TRUE(RenameNoReplace(dir.Path() / "a.txt", dir.Path() / "c.txt"));
    EXPECT_FALSE(dir.Has("a.txt"));
    EXPECT_EQ(dir.Get("c.txt"), "a");
}

TEST(FileSystem, ReplaceByRenameReplacesInOneStepAndSaysWhyNot)
{
    TempDir dir;
    dir.Put("new.tmp", "new");
    dir.Put("a.txt", "old");
    std::error_code error;
    EXPECT_FALSE(ReplaceByRename(dir.Path() / "missing.tmp", dir.Path() / "a.txt", error));
    EXPECT_TRUE(error);
    EXPECT_EQ(dir.Get("a.txt"), "old");
    EXPECT_TRUE(ReplaceByRename(dir.Path() / "new.tmp", dir.Path() / "a.txt", error));
    EXPECT_FALSE(error);
    EXPECT_EQ(dir.Get("a.txt"), "new");
    EXPECT_FALSE(dir.Has("new.tmp"));
    dir.Put("b.tmp", "b"); // and to a free name
    EXPECT_TRUE(ReplaceByRename(dir.Path() / "b.tmp", dir.Path() / "b.txt", error));
    EXPECT_EQ(dir.Get("b.txt"), "b");
}

TEST(FileSystem, FlushToDiskFailsOnlyWithoutAFile)
{
    TempDir dir;
    dir.Put("data.bin", "bytes");
    EXPECT_TRUE(FlushToDisk(dir.Path() / "data.bin"));
    EXPECT_FALSE(FlushToDisk(dir.Path() / "missing.bin"));
    // Reports nothing, and must not fail on a directory that is gone.
    FlushDirectory(dir.Path() / "missing");
    FlushDirectory(dir.Path());
}

TEST(FileSystem, SeparatorsAreTheSystemsOwn)
{
    EXPECT_TRUE(IsDirSeparator(kDirSeparator));
    EXPECT_TRUE(IsDirSeparator('/')); // Windows takes it too
    EXPECT_EQ(kDirSeparator, char(std::filesystem::path::preferred_separator));
    for (const char c : {'a', '.', ':', ' ', '\0'})
        EXPECT_FALSE(IsDirSeparator(c)) << int(c);
}

} // namespace
} // namespace tavelin::settings
