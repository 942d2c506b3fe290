// SPDX-License-Identifier: MIT
// The settings form where POSIX lets an ordinary user link a parameter file
// elsewhere or to a device, and reads a backslash as part of a name.
#include "settings/paths.h"
#include "settings_form_fixture.h"

#include <filesystem>
#include <fstream>

namespace tavelin::settings {
namespace {

namespace fs = std::filesystem;

TEST_F(SettingsFormTest, LinkedParameterFilesStayLinkedAndDevicesAreNeverReplaced)
{
    const fs::path shared = dir.Path() / "shared";
    fs::create_directory(shared);
    std::ofstream(shared / "RSPRM.DAT") << "old";
    fs::create_symlink(shared / "RSPRM.DAT", dir.Path() / "RSPRM.DAT");
    fs::create_symlink("/dev/null", dir.Path() / "HHTPRM.DAT");
    const auto outcome = ApplySettingsForm(form, state);
    EXPECT_FALSE(outcome.rsPrmFailed);
    EXPECT_TRUE(outcome.hhtPrmFailed);
    EXPECT_EQ(outcome.end, OkEnd::NotSaved);
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "RSPRM.DAT"));
    EXPECT_EQ(dir.Get("shared/RSPRM.DAT"), "old"); // written through the link, then given back
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "HHTPRM.DAT"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(DirectoryText, ABackslashIsACharacterOfTheName)
{
    EXPECT_EQ(WithTrailingSeparator("data\\"), "data\\/"); // a backslash is a character of the name
}

} // namespace
} // namespace tavelin::settings
