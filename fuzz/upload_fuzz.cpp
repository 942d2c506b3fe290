// SPDX-License-Identifier: MIT
// Uploads with the fuzz input as everything the hand-held says: its replies
// to the request, the file headers (names and sizes of its choosing) and the
// data blocks. The first byte chooses the engine (one named file or every
// file offered), the mode, whether the upload directory is the work
// directory, and for a named file its name and announced size.
// Nothing may be written outside the two directories; the program's own
// files and files the mode keeps stay as they were; every file that arrives
// has a name a PC can hold as one plain file, holds no more than was
// announced, and no temporary file is left behind.
#include "fuzz_support.h"

#include "settings/history.h"
#include "transfer/engines.h"
#include "transfer/pc_file_rules.h"

#include <map>

using namespace tavelin;
namespace fs = std::filesystem;

namespace {

// The program's own files in the work directory, which no upload may touch.
const std::map<std::string, std::string> kProgramFiles = {
    {"RSPRM.DAT", "2201005008000\r\n"},
    {"HHTPRM.DAT", "1,3\r\n"},
    {"TAV0001.INF", "001\r\n/tmp/\r\n"},
};
constexpr std::string_view kKeptName = "A.DAT"; // already in the upload directory
constexpr std::string_view kKeptText = "old";
constexpr const char* kNames[] = {"A.DAT", "NEW.TXT", "RSPRM.DAT", "UPTMP.00"};

std::map<std::string, std::string> FilesIn(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        FUZZ_CHECK(entry.is_regular_file()); // no directory, link or device appears
        const auto name = entry.path().filename().u8string();
        files.emplace(std::string(name.begin(), name.end()), fuzz::ReadFile(entry.path()));
    }
    return files;
}

// The work directory as every input finds it: the program's files alone.
std::string PrepareWorkDir(const fuzz::Sandbox& sandbox)
{
    const std::string workDir = sandbox.FreshDir("work");
    for (const auto& [file, text] : kProgramFiles)
        fuzz::WriteFile(settings::FsPath(workDir + file), text);
    return workDir;
}

// Puts the directories back as the next input expects them, from what this
// one left (read in full by the checks, which also found the program's files
// unchanged): far fewer system calls than making them anew each time. The
// upload directory is left without its kept file, which the next input
// writes when it is missing.
void Restore(const std::string& workDir, const std::map<std::string, std::string>& work, const std::string& upDir,
             const std::map<std::string, std::string>& up)
{
    for (const auto& [file, text] : work)
        if (!kProgramFiles.contains(file))
            fs::remove(settings::FsPath(workDir + file));
    fs::create_directory(settings::FsPath(upDir));
    for (const auto& [file, text] : up)
        if (file != kKeptName || text != kKeptText)
            fs::remove(settings::FsPath(upDir + file));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz::Sandbox sandbox("upload");
    if (size < 2)
        return 0;
    const std::uint8_t choice = data[0];
    const bool all = (choice & 1) != 0;
    const int mode = 1 + (choice >> 1) % 3;
    const bool intoWorkDir = (choice & 0x08) != 0;
    const std::string name = kNames[(choice >> 4) & 3];
    const std::int64_t announced = (choice & 0x40) != 0 ? data[1] * 1000 : data[1];

    static const std::string workDir = PrepareWorkDir(sandbox);
    static const std::string separateUpDir = sandbox.FreshDir("up");
    const std::string upDir = intoWorkDir ? workDir : separateUpDir;
    if (intoWorkDir)
        fs::remove_all(settings::FsPath(separateUpDir));
    if (intoWorkDir || !fs::exists(settings::FsPath(upDir + std::string(kKeptName))))
        fuzz::WriteFile(settings::FsPath(upDir + std::string(kKeptName)), kKeptText);

    fuzz::ScriptedHht hht(fuzz::SplitInput(std::span(data + 2, size - 2)));
    hht.state.settings.WorkDir = workDir;
    hht.state.settings.HistoryMode = 2;
    hht.state.settings.RunMode = 0; // ENDPRM.DAT is not looked at
    transfer::NoProgress progress;
    int result;
    if (all) {
        transfer::UpFileList upFiles;
        result = transfer::UploadAllFiles(hht.link, upDir, progress, mode, upFiles, {});
    } else {
        result = transfer::UploadFile(hht.link, upDir, name, announced, progress, mode);
    }
    FUZZ_CHECK(result == 0 || result == -1 || result == -2 || result == -4 || result == -5);
    for (const auto& frame : fuzz::ParseSent(hht.port.Written()))
        FUZZ_CHECK(frame.id == hht.state.CurHhtId);

    // Only the two directories below the sandbox's root.
    std::size_t dirs = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(sandbox.Root()))
        ++dirs;
    FUZZ_CHECK(dirs == (intoWorkDir ? 1u : 2u));

    const auto work = FilesIn(settings::FsPath(workDir));
    for (const auto& [file, text] : kProgramFiles)
        FUZZ_CHECK(work.at(file) == text);
    const std::size_t received = size - 2; // no file can hold more than the hand-held said
    const auto checkArrivals = [&](const std::map<std::string, std::string>& files, bool inWorkDir) {
        for (const auto& [file, text] : files) {
            if (kProgramFiles.contains(file) || file == "HISTORY.DAT")
                continue;
            // A named upload leaves its data there after a failure or in mode 3.
            // Elsewhere it is a name like any other, which a hand-held may send.
            FUZZ_CHECK(file != "DATA.TMP" || !all || !inWorkDir);
            FUZZ_CHECK(!inWorkDir || !file.starts_with("UPTMP.")); // the upload-all's temporary files
            FUZZ_CHECK(file == "DATA.TMP" || transfer::IsSafePcFileName(file));
            if (file == kKeptName && (mode == 3 || (!all && result != 0)))
                FUZZ_CHECK(text == kKeptText);
            const std::size_t kept = file == kKeptName ? kKeptText.size() : 0;
            FUZZ_CHECK(text.size() <= received + kept);
            if (!all) // more than the list announced is refused
                FUZZ_CHECK(static_cast<std::int64_t>(text.size()) <= announced + std::int64_t(kept));
        }
    };
    checkArrivals(work, true);
    const auto up = intoWorkDir ? work : FilesIn(settings::FsPath(upDir));
    if (!intoWorkDir)
        checkArrivals(up, false);
    // Each history line stays one line, whatever the names held.
    if (work.contains("HISTORY.DAT")) {
        const std::string& history = work.at("HISTORY.DAT");
        for (std::size_t i = 0; i < history.size(); ++i) {
            if (history[i] == '\r')
                FUZZ_CHECK(i + 1 < history.size() && history[i + 1] == '\n');
            if (history[i] == '\n')
                FUZZ_CHECK(i > 0 && history[i - 1] == '\r');
        }
    }
    Restore(workDir, work, separateUpDir, intoWorkDir ? std::map<std::string, std::string>{} : up);
    return 0;
}
