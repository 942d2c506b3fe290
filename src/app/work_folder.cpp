// SPDX-License-Identifier: MIT
#include "work_folder.h"

#include "startup.h"
#include "settings/codepage.h"
#include "settings/param_files.h"
#include "settings/paths.h"
#include "settings/texts.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tavelin::app {

namespace fs = std::filesystem;

Status EnterWorkFolder(const std::string& dir)
{
    std::error_code error;
    fs::current_path(fs::path(dir), error);
    return error ? Status::Failed(error.message()) : Status::Ok();
}

DataFolder XdgDataFolder(const std::string& dataHome, const std::string& home)
{
    // XDG: a relative $XDG_DATA_HOME is invalid and is ignored.
    const fs::path data = dataHome;
    if (!data.empty() && !data.is_relative())
        return data.string();
    if (home.empty())
        return DataFolder::Failed("neither XDG_DATA_HOME nor HOME names a folder");
    return (fs::path(home) / ".local" / "share").string();
}

Result<DesktopFolder> ChooseDesktopFolder(const std::optional<std::string>& last, const DataFolder& data)
{
    std::error_code error;
    DesktopFolder folder;
    if (last && !last->empty()) {
        if (fs::is_directory(*last, error)) {
            folder.dir = *last;
            return folder;
        }
        folder.goneLast = *last;
    }
    if (!data)
        return Result<DesktopFolder>::Failed(data.Reason());
    folder.dir = (fs::path(*data) / "tavelin").string();
    folder.dataFolder = true;
    return folder;
}

Status PrepareDesktopFolder(DesktopFolder& folder)
{
    if (!folder.dataFolder)
        return Status::Ok();
    std::error_code error;
    fs::create_directories(folder.dir, error);
    if (error || !fs::is_directory(folder.dir, error))
        return Status::Failed("cannot create " + folder.dir + (error ? ": " + error.message() : std::string()));
    if (fs::is_empty(folder.dir, error) && !error)
        folder.starter = WriteStarterParameterFiles(folder.dir);
    return Status::Ok();
}

std::string DesktopStartNotice(const DesktopFolder& folder)
{
    std::string notice;
    if (folder.goneLast)
        notice = std::string(texts::kLastWorkFolderGonePrefix) + *folder.goneLast +
                 std::string(texts::kLastWorkFolderGoneSuffix);
    if (folder.starter)
        notice += (notice.empty() ? "" : std::string(texts::kIdeographicSpace)) + std::string(texts::kMsgStarterSettings);
    return notice;
}

bool WriteStarterParameterFiles(const std::string& dir)
{
    settings::Settings s;
    s.WorkDir = settings::WithTrailingSeparator(dir);
    // DIRPRM.DAT is code page 932: a path it cannot hold would be read back
    // as another one. The defaults of a missing file are better than that.
    if (settings::Cp932ToUtf8(settings::Utf8ToCp932(s.WorkDir)) != s.WorkDir)
        return false;
    settings::ApplyCommDefaults(s);
    s.HhtIdRange[0] = settings::IdRange{"1", "1"};
    s.ApFile = s.WorkDir;
    s.DownDir = s.WorkDir + "down" + settings::kDirSeparator;
    s.UpDir = s.WorkDir + "up" + settings::kDirSeparator;
    s.UploadMode = 1;
    s.HistoryMode = 1;
    s.AutoPollCount = 1;
    for (const std::string& sub : {s.DownDir, s.UpDir}) {
        std::error_code error;
        fs::create_directory(settings::FsPath(sub), error);
        if (error)
            return false;
    }
    return settings::WriteRsPrm(s) && settings::WriteHhtPrm(s) && settings::WriteDirPrm(s);
}

std::vector<std::string> WithRecentFolder(std::vector<std::string> recent, const std::string& dir)
{
    recent.erase(std::remove(recent.begin(), recent.end(), dir), recent.end());
    recent.insert(recent.begin(), dir);
    if (recent.size() > kRecentWorkFolders)
        recent.resize(kRecentWorkFolders);
    return recent;
}

bool SwitchWorkFolder(settings::AppState& state, MessageBox& messages, const std::string& dir,
                      const std::string& previous)
{
    if (const Status entered = EnterWorkFolder(dir); !entered) {
        messages.Show(std::string(texts::kMsgWorkFolderUnusable) + dir + "\n" + entered.Reason());
        return false;
    }
    // Read into a record of its own, as empty as at start: the window keeps
    // working on the folder it has (`previous` may be the record's own
    // WorkDir) until the new one has passed.
    settings::AppState candidate = state;
    candidate.settings = settings::Settings{};
    const auto workDir = settings::ResolvedCurrentDirectory();
    if (!workDir)
        messages.Show(std::string(texts::kMsgWorkFolderUnusable) + dir);
    if (!workDir || !Startup(candidate, messages).ReadForSwitch(*workDir)) {
        // The folder left may be gone meanwhile: nothing better to enter, and
        // the record names it by its full path, so what fails there says so.
        (void)EnterWorkFolder(previous);
        return false;
    }
    state.settings = candidate.settings;
    state.FirstPollId = candidate.FirstPollId;
    state.LastPollId = candidate.LastPollId;
    Startup(state, messages).RemoveLeftovers();
    return true;
}

} // namespace tavelin::app
