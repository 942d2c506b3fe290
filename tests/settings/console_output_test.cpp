// SPDX-License-Identifier: MIT
// What the program prints reaches a file (or a pipe) as the very bytes
// std::fprintf would have written: UTF-8, on every system.
#include "settings/console_output.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace tavelin::settings {
namespace {

TEST(ConsoleOutput, FileGetsTheFormattedUtf8Bytes)
{
    testing::TempDir dir;
    std::FILE* file = std::fopen((dir.Path() / "out").string().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    const std::string_view confirm = "設定を確認";
    const std::string longLine = std::string(20000, 'x') + "終";
    PrintText(file, "tavelin: %s (process %lld); %d file(s)\n", "C:\\受信\\ﾃﾞｰﾀ.DAT", 1234LL, -3);
    PrintText(file, "%.*s|%g s\n", int(confirm.size() - 3), confirm.data(), 1.5); // a view cut short
    WriteText(file, "");
    PrintText(file, "%s\n", longLine.c_str()); // longer than any first guess at the length
    WriteText(file, "履歴\n");
    std::fclose(file);
    EXPECT_EQ(dir.Get("out"), "tavelin: C:\\受信\\ﾃﾞｰﾀ.DAT (process 1234); -3 file(s)\n"
                              "設定を確|1.5 s\n" +
                                  longLine + "\n履歴\n");
}

} // namespace
} // namespace tavelin::settings
