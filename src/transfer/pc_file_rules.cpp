// SPDX-License-Identifier: MIT
#include "pc_file_rules.h"

#include "pc_file_attributes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <system_error>

namespace tavelin::transfer {

namespace fs = std::filesystem;

namespace {

bool IsReservedDeviceName(std::string_view name)
{
    // Windows maps these to devices whatever the extension: "NUL.DAT" is NUL.
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) { return std::toupper(c); });
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    if (std::find(kPlain.begin(), kPlain.end(), stem) != kPlain.end())
        return true;
    const bool numbered = stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT"));
    return numbered && stem[3] >= '1' && stem[3] <= '9';
}

// The next start removes a file of that name as a copy a killed run staged.
bool IsStagedCopyLike(std::string_view name)
{
    constexpr std::string_view kSuffix = ".~TMP";
    if (name.size() < kSuffix.size())
        return false;
    std::string tail(name.substr(name.size() - kSuffix.size()));
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return tail == kSuffix;
}

bool IsForbiddenChar(unsigned char c)
{
    static constexpr std::string_view kForbidden = "/\\:*?\"<>|";
    return c < 0x20 || c == 0x7F || kForbidden.find(static_cast<char>(c)) != std::string_view::npos;
}

} // namespace

bool IsSafePcFileName(std::string_view utf8Name)
{
    if (utf8Name.empty() || utf8Name == "." || utf8Name == "..")
        return false;
    if (std::any_of(utf8Name.begin(), utf8Name.end(), [](char c) { return IsForbiddenChar(static_cast<unsigned char>(c)); }))
        return false;
    return !IsReservedDeviceName(utf8Name) && !IsStagedCopyLike(utf8Name);
}

bool IsProgramFileName(std::string_view utf8Name)
{
    std::string name(utf8Name);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    static constexpr std::array<std::string_view, 12> kOwn = {
        "RSPRM.DAT", "HHTPRM.DAT", "DIRPRM.DAT", "ENDPRM.DAT", "RESULT.DAT",
        "HISTORY.DAT", "TAV0001.INF", "TAV0001.INF.NEW", "DATA.TMP",
        "RSPRM.DAT.NEW", "HHTPRM.DAT.NEW", "DIRPRM.DAT.NEW"};
    return std::find(kOwn.begin(), kOwn.end(), name) != kOwn.end() || name.starts_with("UPTMP.");
}

bool IsRefusedUploadName(const std::string& utf8Name, const std::string& directory, const std::string& workDir)
{
    return !IsSafePcFileName(utf8Name) || (IsProgramFileName(utf8Name) && IsSameDirectory(directory, workDir));
}

void RemoveQuietly(const fs::path& path)
{
    std::error_code error;
    fs::remove(path, error);
}

} // namespace tavelin::transfer
