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
    std::string problem;
    auto accented = ChooseDesktopFolder(std::nullopt, XdgDataFolder((home.Path() / "jos\u00e9").string(), ""), problem);
    ASSERT_TRUE(accented && PrepareDesktopFolder(*accented, problem)) << problem;
    EXPECT_FALSE(accented->starter);
    EXPECT_TRUE(std::filesystem::is_empty(accented->dir));
}

} // namespace
} // namespace tavelin::app
