// SPDX-License-Identifier: MIT
#include "pc_file_ops.h"

#include "settings/file_system.h"
#include "settings/paths.h"
#include "transfer/pc_file_attributes.h"
#include "transfer/pc_file_rules.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace tavelin::modes {

namespace fs = std::filesystem;

namespace {

std::string Lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

} // namespace

std::vector<std::string> ListPcFiles(const std::string& directory)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(settings::FsPath(directory), error), end; !error && it != end; it.increment(error)) {
        if (!transfer::PlainFileExists(it->path()))
            continue;
        const auto u8 = it->path().filename().u8string();
        names.emplace_back(u8.begin(), u8.end());
    }
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return Lowered(a) < Lowered(b); });
    return names;
}

bool DeletePcFile(const std::string& directory, const std::string& name)
{
    std::error_code error;
    const fs::path path = settings::FsPath(settings::WithTrailingSeparator(directory) + name);
    if (fs::is_directory(fs::symlink_status(path, error)))
        return false;
    return fs::remove(path, error);
}

bool RenamePcFile(const std::string& directory, const std::string& oldName, const std::string& newName)
{
    if (!transfer::IsSafePcFileName(newName))
        return false;
    const std::string dir = settings::WithTrailingSeparator(directory);
    return settings::RenameNoReplace(settings::FsPath(dir + oldName), settings::FsPath(dir + newName));
}

std::string StartDirectory(const std::string& remembered, const std::string& currentDirectory)
{
    std::error_code error;
    if (!remembered.empty() && fs::is_directory(settings::FsPath(remembered), error))
        return remembered;
    return currentDirectory;
}

std::string NearestExistingDirectory(const std::string& directory)
{
    std::error_code error;
    fs::path path = settings::FsPath(directory);
    while (!fs::is_directory(path, error) && path.has_relative_path())
        path = path.parent_path();
    const auto u8 = path.u8string();
    return {u8.begin(), u8.end()};
}

} // namespace tavelin::modes
