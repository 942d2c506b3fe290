// SPDX-License-Identifier: MIT
// The parameter files where POSIX lets a test take away the right to read
// a file (Windows has no modes).
#include "param_files_fixture.h"
#include "support/unprivileged.h"

namespace tavelin::settings {
namespace {

TEST_F(ParamFiles, AFileThatMayNotBeReadSaysSo)
{
    // Root reads whatever the mode: the case is made as an ordinary user.
    testing::RunUnprivileged(dir.Path(), [&] {
        for (const char* name : {"RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT"}) {
            dir.Put(name, "1\r\n");
            std::filesystem::permissions(dir.Path() / name, std::filesystem::perms::none);
        }
        Settings fresh;
        fresh.WorkDir = dir.Text();
        EXPECT_EQ(ReadRsPrm(fresh).unreadable, "cannot be read (permission denied)");
        EXPECT_EQ(fresh.ComPortCode, "0"); // the defaults all the same, for the window
        EXPECT_EQ(ReadHhtPrm(fresh, [] { return true; }).unreadable, "cannot be read (permission denied)");
        EXPECT_EQ(ReadDirPrm(fresh).unreadable, "cannot be read (permission denied)");
        EXPECT_EQ(fresh.DownDir, dir.Text());
    });
}

} // namespace
} // namespace tavelin::settings
