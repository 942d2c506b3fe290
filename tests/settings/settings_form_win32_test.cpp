// SPDX-License-Identifier: MIT
// Where the directory chooser opens and how a folder's text ends, for the
// paths of Windows: drive letters, "\" as Windows writes them and "/" as
// people type it, and shares.
#include "settings/paths.h"
#include "settings/settings_form.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tavelin::settings {
namespace {

TEST(DirectoryChooser, OpensAtDriveLettersAndBackslashes)
{
    testing::TempDir dir;
    std::filesystem::create_directory(dir.Path() / "DATA");
    const std::string current = dir.Text();
    EXPECT_EQ(ChooserStartDirectory(current + "DATA\\AP.HEX", current), current + "DATA\\");
    EXPECT_EQ(ChooserStartDirectory("DATA\\AP.HEX", current), current + "DATA\\");
    EXPECT_EQ(ChooserStartDirectory("\\AP.HEX", current), "\\"); // the current drive's root, not a subdirectory
    const std::string drive = current.substr(0, 3);               // "C:\"
    ASSERT_EQ(drive[1], ':');
    EXPECT_EQ(ChooserStartDirectory(drive + "AP.HEX", current), drive);
    EXPECT_EQ(ChooserStartDirectory(drive + "GONE\\AP.HEX", current), current);
}

TEST(DirectoryText, DrivesAndSharesEndInABackslash)
{
    EXPECT_EQ(WithTrailingSeparator("C:\\DATA"), "C:\\DATA\\");
    EXPECT_EQ(WithTrailingSeparator("C:\\"), "C:\\");
    EXPECT_EQ(WithTrailingSeparator("C:\\DATA/"), "C:\\DATA/"); // never "C:\DATA/\"
    EXPECT_EQ(WithTrailingSeparator("\\\\server\\share"), "\\\\server\\share\\");
    EXPECT_EQ(CurrentDirectory()[1], ':'); // a drive letter, not a path of the host system
}

} // namespace
} // namespace tavelin::settings
