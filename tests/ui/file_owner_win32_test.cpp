// SPDX-License-Identifier: MIT
// Who else may change the settings file for all users on Windows: the file,
// its folder and every folder above it, their owners and access lists.
#include "desktop/file_owner.h"
#include "support/temp_dir.h"

#include <QString>

#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

namespace tavelin::desktop {
namespace {

namespace fs = std::filesystem;
using Why = OthersMayChange::Why;

class WhoElseTest : public ::testing::Test {
protected:
    WhoElseTest()
    {
        fs::create_directories(top.Path() / "a" / "tavelin");
        top.Put("a/tavelin/tavelin.conf", "[ports]\r\nCOM1=COM2\r\n");
    }
    static QString Q(const fs::path& path) { return QString::fromStdWString(path.wstring()); }
    QString File() const { return Q(top.Path() / "a" / "tavelin" / "tavelin.conf"); }

    // Gives Everyone `rights` on `path`, besides what it has.
    static void GrantEveryone(const fs::path& path, DWORD rights)
    {
        PACL old = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                        &old, nullptr, &descriptor),
                  DWORD(ERROR_SUCCESS));
        EXPLICIT_ACCESSW grant{};
        wchar_t everyone[] = L"EVERYONE";
        BuildExplicitAccessWithNameW(&grant, everyone, rights, GRANT_ACCESS, NO_INHERITANCE);
        PACL changed = nullptr;
        ASSERT_EQ(SetEntriesInAclW(1, &grant, old, &changed), DWORD(ERROR_SUCCESS));
        EXPECT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, changed, nullptr),
                  DWORD(ERROR_SUCCESS));
        LocalFree(changed);
        LocalFree(descriptor);
    }

    testing::TempDir top;
};

// Anybody who may replace what a folder further up holds may put a folder
// of their own, with a file of their own, in the file's place.
TEST_F(WhoElseTest, TheFileAndEveryFolderAboveItAreLookedAt)
{
    EXPECT_EQ(WhoElseMayChange(File()).why, Why::Nobody);
    GrantEveryone(top.Path() / "a", FILE_ALL_ACCESS);
    OthersMayChange found = WhoElseMayChange(File());
    EXPECT_EQ(found.why, Why::WritableByAll);
    EXPECT_TRUE(found.folder);
    EXPECT_EQ(QString::fromStdString(found.where), Q(top.Path() / "a")) << found.where;

    GrantEveryone(top.Path() / "a" / "tavelin" / "tavelin.conf", FILE_GENERIC_WRITE);
    found = WhoElseMayChange(File());
    EXPECT_EQ(found.why, Why::WritableByAll);
    EXPECT_EQ(found.where, ""); // the file itself comes first
}

} // namespace
} // namespace tavelin::desktop
