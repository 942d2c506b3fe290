// SPDX-License-Identifier: MIT
#include "commit.h"

#include "pc_file_rules.h"
#include "settings/codepage.h"
#include "settings/file_system.h"
#include "settings/paths.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <system_error>

namespace tavelin::transfer {

namespace fs = std::filesystem;

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr std::size_t kCopyPiece = 1024;

// Copies at most `limit` bytes, or all when there are fewer.
bool CopyStream(std::istream& in, std::ostream& out, std::uintmax_t limit = UINTMAX_MAX)
{
    std::array<char, kCopyPiece> piece{};
    while (limit > 0 && in) {
        in.read(piece.data(), static_cast<std::streamsize>(std::min<std::uintmax_t>(piece.size(), limit)));
        const std::streamsize got = in.gcount();
        if (got > 0 && !out.write(piece.data(), got))
            return false;
        limit -= static_cast<std::uintmax_t>(got);
    }
    return (limit == 0 || in.eof()) && !in.bad();
}

// How much of the target an append keeps: all of it, less a final
// end-of-file mark that the first appended byte takes the place of.
std::uintmax_t KeptLength(const fs::path& target, bool appending)
{
    std::error_code error;
    const std::uintmax_t length = fs::is_regular_file(target, error) ? fs::file_size(target, error) : 0;
    if (error || length == 0 || !appending)
        return error ? 0 : length;
    std::ifstream in(target, std::ios::binary);
    char last = 0;
    const bool endMark = in.seekg(static_cast<std::streamoff>(length) - 1) && in.get(last) && last == kCtrlZ;
    return endMark ? length - 1 : length;
}

// The target's kept bytes and then the temporary file's, in a new file.
bool WriteAppended(const fs::path& temp, const fs::path& target, const fs::path& to)
{
    std::error_code error;
    const std::uintmax_t added = fs::file_size(temp, error);
    if (error)
        return false;
    std::ifstream old(target, std::ios::binary);
    std::ifstream in(temp, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    const std::uintmax_t kept = KeptLength(target, added > 0);
    if (!in || !out || (kept > 0 && (!old || !CopyStream(old, out, kept))) || !CopyStream(in, out))
        return false;
    out.close();
    return !out.fail();
}

bool CopyFileTo(const fs::path& from, const fs::path& to)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!in || !out || !CopyStream(in, out))
        return false;
    out.close();
    return !out.fail() && settings::FlushToDisk(to);
}

} // namespace

fs::path DataTempPath(const std::string& workDir) { return settings::FsPath(workDir + "DATA.TMP"); }

fs::path UpTempPath(const std::string& workDir, int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "UPTMP.%02d", index);
    return settings::FsPath(workDir + name);
}

bool ReplaceWithTemp(const fs::path& temp, const fs::path& target)
{
    // Data first, then the name: a crash never leaves a target naming
    // bytes that were still only in memory.
    if (!settings::FlushToDisk(temp))
        return false;
    std::error_code error;
    if (settings::ReplaceByRename(temp, target, error))
        return true;
    // Another volume: a rename cannot cross it, so copy beside the target and
    // rename there, which is again a single step.
    fs::path staging = target;
    staging += std::string(kStagedSuffix);
    fs::remove(staging, error); // a leftover, or a link the copy must not follow
    if (!CopyFileTo(temp, staging)) {
        fs::remove(staging, error);
        return false;
    }
    if (!settings::ReplaceByRename(staging, target, error)) {
        fs::remove(staging, error);
        return false;
    }
    fs::remove(temp, error);
    return true;
}

bool IsStagedCopyName(std::string_view utf8Name)
{
    constexpr std::size_t kLongestHhtName = 12; // the name field of an upload header
    if (!utf8Name.ends_with(kStagedSuffix))
        return false;
    const std::string_view target = utf8Name.substr(0, utf8Name.size() - kStagedSuffix.size());
    return IsSafePcFileName(target) && settings::Utf8ToCp932(target).size() <= kLongestHhtName;
}

void RemoveStagedCopies(const std::string& directory)
{
    std::error_code error;
    for (fs::directory_iterator it(settings::FsPath(directory), error), end; !error && it != end; it.increment(error)) {
        const auto u8 = it->path().filename().u8string();
        std::error_code typeError;
        if (IsStagedCopyName(std::string(u8.begin(), u8.end())) && it->is_regular_file(typeError) &&
            !it->is_symlink(typeError))
            fs::remove(it->path(), typeError);
    }
}

bool AppendTemp(const fs::path& temp, const fs::path& target)
{
    // Written in place, a crash could leave the old data with a torn tail
    // (or zeros, where the system kept the length but not the data), which
    // the hand-held's next try would append to. So the joined file is made
    // beside the temporary file and replaces the target as a received one does.
    fs::path joined = temp;
    joined += std::string(kStagedSuffix);
    std::error_code error;
    fs::remove(joined, error);
    const bool appended = WriteAppended(temp, target, joined) && ReplaceWithTemp(joined, target);
    fs::remove(joined, error);
    return appended;
}

} // namespace tavelin::transfer
