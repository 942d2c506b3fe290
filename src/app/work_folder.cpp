// SPDX-License-Identifier: MIT
#include "work_folder.h"

#include "startup.h"
#include "settings/paths.h"
#include "settings/texts.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tavelin::app {

namespace fs = std::filesystem;

std::string EnterWorkFolder(const std::string& dir)
{
    std::error_code error;
    fs::current_path(fs::path(dir), error);
    return error ? error.message() : std::string();
}

std::optional<std::string> DesktopWorkFolder(const std::optional<std::string>& last, const std::string& dataHome,
                                             const std::string& home, std::string& problem)
{
    std::error_code error;
    if (last && !last->empty() && fs::is_directory(*last, error))
        return *last;
    // XDG: a relative $XDG_DATA_HOME is invalid and is ignored.
    fs::path data = dataHome;
    if (data.empty() || data.is_relative()) {
        if (home.empty()) {
            problem = "neither XDG_DATA_HOME nor HOME names a folder";
            return std::nullopt;
        }
        data = fs::path(home) / ".local" / "share";
    }
    const fs::path folder = data / "tavelin";
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder, error)) {
        problem = "cannot create " + folder.string() + (error ? ": " + error.message() : std::string());
        return std::nullopt;
    }
    return folder.string();
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
    if (const std::string problem = EnterWorkFolder(dir); !problem.empty()) {
        messages.Show(std::string(texts::kMsgWorkFolderUnusable) + dir + "\n" + problem);
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
        EnterWorkFolder(previous);
        return false;
    }
    state.settings = candidate.settings;
    state.FirstPollId = candidate.FirstPollId;
    state.LastPollId = candidate.LastPollId;
    Startup(state, messages).RemoveLeftovers();
    return true;
}

} // namespace tavelin::app
