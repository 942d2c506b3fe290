// SPDX-License-Identifier: MIT
#include "paths.h"

#include <system_error>

namespace tavelin::settings {

std::string WithTrailingSeparator(std::string directory)
{
    if (directory.empty() || !IsDirSeparator(directory.back()))
        directory += kDirSeparator;
    return directory;
}

std::filesystem::path FsPath(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string CurrentDirectory()
{
    std::error_code error;
    const auto u8 = std::filesystem::current_path(error).u8string();
    return WithTrailingSeparator(std::string(u8.begin(), u8.end()));
}

std::optional<std::string> ResolvedCurrentDirectory()
{
    std::error_code error;
    const auto path = std::filesystem::current_path(error);
    if (error || path.empty() || !path.is_absolute())
        return std::nullopt;
    const auto u8 = path.u8string();
    return WithTrailingSeparator(std::string(u8.begin(), u8.end()));
}

} // namespace tavelin::settings
