// SPDX-License-Identifier: MIT
// The work folder rules for a path in UTF-8, as POSIX names files (on
// Windows a narrow path is in the ANSI code page).
#include "app/work_folder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tavelin::app {
namespace {

// A path that DIRPRM.DAT (code page 932) cannot hold gets no starter files:
// read back, it would name another folder.
TEST(DesktopWorkFolder, APathCodePage932CannotHoldGetsNoStarterFiles)
{
    testing::TempDir home;
    auto accented = ChooseDesktopFolder(std::nullopt, XdgDataFolder((home.Path() / "jos\u00e9").string(), ""));
    ASSERT_TRUE(accented) << accented.Reason();
    const Status prepared = PrepareDesktopFolder(*accented);
    ASSERT_TRUE(prepared) << prepared.Reason();
    EXPECT_FALSE(accented->starter);
    EXPECT_TRUE(std::filesystem::is_empty(accented->dir));
}

} // namespace
} // namespace tavelin::app
