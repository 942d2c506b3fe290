// SPDX-License-Identifier: MIT
// The sample parameter files shipped for Windows (packaging/windows/sample)
// are read without a complaint, hold what README.txt says they hold, and are
// byte for byte what the program itself writes for those values: code page
// 932, CR LF, the fields padded as the readers expect.
#include "settings/param_files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tavelin::settings {
namespace {

std::string Bytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(SampleFiles, ReadCleanlyAndMatchWhatTheProgramWrites)
{
    Settings s;
    s.WorkDir = TAVELIN_SAMPLE_DIR "/";
    const auto rs = ReadRsPrm(s);
    EXPECT_TRUE(rs.opened);
    EXPECT_FALSE(rs.checkFailed);
    EXPECT_FALSE(rs.readFailed);
    int idErrors = 0;
    const auto hht = ReadHhtPrm(s, [&] { ++idErrors; return false; });
    EXPECT_TRUE(hht.opened);
    EXPECT_EQ(idErrors, 0);
    const auto dir = ReadDirPrm(s);
    EXPECT_TRUE(dir.opened);
    EXPECT_FALSE(dir.readFailed);

    EXPECT_EQ(s.ComPortCode, "0"); // COM1, 19200 baud, 8N1
    EXPECT_EQ(s.BaudCode, "2");
    EXPECT_EQ(s.HhtIdRange[0].IdFrom, "1");
    EXPECT_EQ(s.HhtIdRange[0].IdTo, "3");
    EXPECT_EQ(s.HhtIdRange[1].IdFrom, "");
    EXPECT_EQ(s.DownDir, "C:\\tavelin\\work\\down\\");
    EXPECT_EQ(s.UpDir, "C:\\tavelin\\work\\up\\");
    EXPECT_EQ(s.UploadMode, 1);
    EXPECT_EQ(s.HistoryMode, 1);
    EXPECT_EQ(s.AutoPollCount, 1);

    testing::TempDir out;
    s.WorkDir = out.Text();
    ASSERT_TRUE(WriteRsPrm(s) && WriteHhtPrm(s) && WriteDirPrm(s));
    for (const char* name : {"RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT"})
        EXPECT_EQ(out.Get(name), Bytes(std::string(TAVELIN_SAMPLE_DIR "/") + name)) << name;
}

} // namespace
} // namespace tavelin::settings
