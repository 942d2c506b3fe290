// SPDX-License-Identifier: MIT
// The Windows recorder loaded into this process: what the program's own file
// steps do through the C runtime, libstdc++ and kernel32 comes out of the
// record as the explorer needs it, a rename that says it is on the disk
// with the flush of its folder.
#include "record.h"
#include "settings/file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <windows.h>

namespace tavelin::crash {
namespace {

using K = Operation::Kind;

std::vector<K> Kinds(const RecordedRun& run)
{
    std::vector<K> kinds;
    for (const Operation& op : run.operations)
        kinds.push_back(op.kind);
    return kinds;
}

TEST(WindowsRecorder, WritesDownTheProgramsFileStepsAndWhatItTold)
{
    testing::TempDir dir;
    const auto root = dir.Path() / "root";
    std::filesystem::create_directories(root / "work");
    std::filesystem::create_directories(root / "up");
    SetEnvironmentVariableW(L"TAVELIN_CRASH_ROOT", root.c_str());
    SetEnvironmentVariableW(L"TAVELIN_CRASH_RECORD", (dir.Path() / "record").c_str());
    ASSERT_NE(LoadLibraryW(L"tavelin_crash_recorder.dll"), nullptr);

    std::FILE* file = _wfopen((root / "work" / "A.TMP").c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fputs("DATA", file);
    std::fclose(file);
    file = _wfopen((root / "work" / "A.TMP").c_str(), L"ab");
    std::fputs("MORE", file);
    std::fclose(file);
    ASSERT_TRUE(settings::FlushToDisk(root / "work" / "A.TMP"));
    std::error_code error;
    ASSERT_TRUE(settings::ReplaceByRename(root / "work" / "A.TMP", root / "up" / "A.DAT", error));
    ASSERT_TRUE(settings::RenameNoReplace(root / "up" / "A.DAT", root / "up" / "B.DAT"));
    const HANDLE line = CreateFileW(L"\\\\.\\NUL", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    WriteFile(line, "\x06", 1, &written, nullptr);
    CloseHandle(line);
    std::filesystem::remove(root / "up" / "B.DAT");
    dir.Put("outside.txt", "not recorded");

    const std::string record = dir.Get("record");
    const auto run = ReadRecord(record, root.generic_string(), {{"up", true, {}}, {"work", true, {}}});
    ASSERT_TRUE(run) << run.Reason();
    const std::vector<K> expected{K::Create,    K::Write,    K::Write,  K::FlushFile, K::Rename, K::FlushDir,
                                  K::FlushDir,  K::Rename,   K::FlushDir, K::Line,    K::Unlink};
    ASSERT_EQ(Kinds(*run), expected) << record;
    const auto& ops = run->operations;
    EXPECT_EQ(ops[2].offset, 4) << "an append goes to the end";
    EXPECT_EQ(ops[4].path, "work/A.TMP");
    EXPECT_EQ(ops[4].target, "up/A.DAT");
    EXPECT_EQ(ops[5].path, "work");
    EXPECT_EQ(ops[6].path, "up");
    EXPECT_EQ(ops[8].path, "up"); // one folder for a rename within it
    EXPECT_EQ(ops[9].bytes, "\x06");
}

} // namespace
} // namespace tavelin::crash
