// SPDX-License-Identifier: MIT
// The parameter files a site is given to start from: the samples shipped for
// Windows (packaging/windows/sample) and for a Linux site (packaging/site,
// and the copy its tmpfiles.d snippet writes), and every RSPRM.DAT value the
// guides and manual pages show. Each is read without a complaint by the
// program's own readers; the samples are byte for byte what the program
// itself writes for their values (code page 932, CR LF, the fields padded as
// the readers expect), and the value the guides give as the default is the
// default.
#include "settings/param_files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

namespace tavelin::settings {
namespace {

const std::string kSource = TAVELIN_SOURCE_DIR "/";

std::string Bytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Reads the three files of `folder` into `s`, failing the test on any
// complaint.
void ReadCleanly(const std::string& folder, Settings& s)
{
    s.WorkDir = folder;
    const auto rs = ReadRsPrm(s);
    EXPECT_TRUE(rs.opened && !rs.checkFailed && !rs.readFailed && rs.unreadable.empty()) << folder << "RSPRM.DAT";
    int idErrors = 0;
    const auto hht = ReadHhtPrm(s, [&] { ++idErrors; return false; });
    EXPECT_TRUE(hht.opened && idErrors == 0) << folder << "HHTPRM.DAT";
    const auto dir = ReadDirPrm(s);
    EXPECT_TRUE(dir.opened && !dir.readFailed) << folder << "DIRPRM.DAT";
}

// What the program writes for `s` is what `folder` holds.
void ExpectWrittenAsIn(Settings s, const std::string& folder)
{
    testing::TempDir out;
    s.WorkDir = out.Text();
    ASSERT_TRUE(WriteRsPrm(s) && WriteHhtPrm(s) && WriteDirPrm(s));
    for (const char* name : {"RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT"})
        EXPECT_EQ(out.Get(name), Bytes(folder + name)) << folder << name;
}

TEST(SampleFiles, WindowsSamplesReadCleanlyAndMatchWhatTheProgramWrites)
{
    const std::string folder = kSource + "packaging/windows/sample/";
    Settings s;
    ReadCleanly(folder, s);
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
    ExpectWrittenAsIn(s, folder);
}

// The tmpfiles.d snippet writes its own copy of the site's files (systemd's
// "f" lines, with C escapes): the same bytes as the files beside it.
std::map<std::string, std::string> SnippetFiles(const std::string& snippet)
{
    std::map<std::string, std::string> files;
    const std::regex line(R"(^f\s+\S+/([A-Z]+\.DAT)\s+\S+\s+\S+\s+\S+\s+-\s+(.*)$)");
    std::istringstream in(snippet);
    for (std::string text; std::getline(in, text);) {
        std::smatch match;
        if (std::regex_match(text, match, line))
            files[match[1]] = std::regex_replace(std::string(match[2]), std::regex(R"(\\r\\n)"), "\r\n");
    }
    return files;
}

TEST(SampleFiles, LinuxSiteFilesReadCleanlyMatchWhatTheProgramWritesAndWhatTheSnippetWrites)
{
    const std::string folder = kSource + "packaging/site/";
    Settings s;
    ReadCleanly(folder, s);
    EXPECT_EQ(s.DownDir, "/srv/tavelin/shop1/down/");
    EXPECT_EQ(s.UpDir, "/srv/tavelin/shop1/up/");
    ExpectWrittenAsIn(s, folder);

    const auto snippet = SnippetFiles(Bytes(folder + "tavelin-site.conf"));
    ASSERT_EQ(snippet.size(), 3u);
    for (const auto& [name, bytes] : snippet)
        EXPECT_EQ(bytes, Bytes(folder + name)) << name;
}

// Every RSPRM.DAT value in the guides, the manual pages and the packages'
// read-me files: 13 digits standing alone.
TEST(SampleFiles, EveryLineSettingShownInTheGuidesIsInRange)
{
    const std::regex value(R"((^|[^0-9])([0-9]{13})([^0-9]|$))");
    int shown = 0;
    for (const char* page : {"docs/admin.md", "docs/ja/admin.md", "docs/troubleshooting.md",
                             "docs/ja/troubleshooting.md", "README.md", "packaging/tavelin.1", "packaging/tavelin.5",
                             "packaging/windows/README.txt", "debian/README.Debian"}) {
        const std::string text = Bytes(kSource + page);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), value); it != std::sregex_iterator(); ++it) {
            ++shown;
            testing::TempDir work;
            work.Put("RSPRM.DAT", (*it)[2].str() + "\r\n");
            Settings s;
            s.WorkDir = work.Text();
            const auto rs = ReadRsPrm(s);
            EXPECT_TRUE(rs.opened && !rs.checkFailed && !rs.readFailed) << page << ": " << (*it)[2];
        }
    }
    EXPECT_GE(shown, 5);
}

TEST(SampleFiles, TheDefaultTheGuidesGiveIsTheProgramsDefault)
{
    Settings s;
    testing::TempDir work;
    s.WorkDir = work.Text();
    ApplyCommDefaults(s);
    ASSERT_TRUE(WriteRsPrm(s));
    const std::string written = work.Get("RSPRM.DAT");
    for (const char* page : {"docs/admin.md", "docs/ja/admin.md"}) {
        const std::string text = Bytes(kSource + page);
        std::smatch match;
        ASSERT_TRUE(std::regex_search(text, match, std::regex(R"((Without the file the program uses|ファイルがないときは) `([0-9]{13})`)")))
            << page;
        EXPECT_EQ(match[2].str() + "\r\n", written) << page;
    }
}

} // namespace
} // namespace tavelin::settings
