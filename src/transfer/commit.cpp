// SPDX-License-Identifier: MIT
#include "commit.h"

#include "pc_file_rules.h"
#include "settings/codepage.h"
#include "settings/file_system.h"
#include "settings/paths.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <optional>
#include <system_error>

namespace tavelin::transfer {

namespace fs = std::filesystem;

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr std::size_t kCopyPiece = 1024;

// Writes from the target's last byte when it is an end-of-file mark, else
// after it. An empty target has nothing to look at: start at the beginning.
void PositionForAppend(std::fstream& out)
{
    out.seekg(0, std::ios::end);
    const std::streamoff length = out.tellg();
    if (length <= 0) {
        out.clear();
        out.seekp(0);
        return;
    }
    char last = 0;
    out.seekg(length - 1);
    out.get(last);
    out.clear();
    out.seekp(last == kCtrlZ ? length - 1 : length);
}

bool CopyStream(std::istream& in, std::ostream& out)
{
    std::array<char, kCopyPiece> piece{};
    while (in) {
        in.read(piece.data(), piece.size());
        const std::streamsize got = in.gcount();
        if (got > 0 && !out.write(piece.data(), got))
            return false;
    }
    return in.eof() && !in.bad();
}

// What an append may have to undo: the target's length and whether it ended
// in the end-of-file mark that the append overwrites.
struct TargetBefore {
    bool existed = false;
    std::uintmax_t length = 0;
    bool endMark = false;
};

TargetBefore Measure(const fs::path& target)
{
    TargetBefore before;
    std::error_code error;
    before.existed = fs::is_regular_file(target, error);
    if (!before.existed)
        return before;
    before.length = fs::file_size(target, error);
    std::ifstream in(target, std::ios::binary);
    char last = 0;
    before.endMark = before.length > 0 && in.seekg(static_cast<std::streamoff>(before.length) - 1) && in.get(last) && last == kCtrlZ;
    return before;
}

// Puts the target back as it was before a failed append.
void Restore(const fs::path& target, const TargetBefore& before)
{
    std::error_code error;
    if (!before.existed) {
        fs::remove(target, error);
        return;
    }
    fs::resize_file(target, before.length, error);
    if (before.endMark) {
        std::fstream out(target, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(before.length) - 1);
        out.put(kCtrlZ);
    }
    settings::FlushToDisk(target);
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
    fs::rename(temp, target, error);
    if (!error) {
        settings::FlushDirectory(target.parent_path());
        return true;
    }
    // Another volume: a rename cannot cross it, so copy beside the target and
    // rename there, which is again a single step.
    fs::path staging = target;
    staging += std::string(kStagedSuffix);
    if (!CopyFileTo(temp, staging)) {
        fs::remove(staging, error);
        return false;
    }
    fs::rename(staging, target, error);
    if (error) {
        fs::remove(staging, error);
        return false;
    }
    settings::FlushDirectory(target.parent_path());
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
    std::ifstream in(temp, std::ios::binary);
    if (!in)
        return false;
    const TargetBefore before = Measure(target);
    if (!before.existed)
        std::ofstream(target, std::ios::binary).close();
    bool appended = false;
    {
        std::fstream out(target, std::ios::binary | std::ios::in | std::ios::out);
        if (out) {
            PositionForAppend(out);
            appended = CopyStream(in, out);
            out.close();
            appended = appended && !out.fail();
        }
    }
    if (appended && settings::FlushToDisk(target))
        return true;
    // A half-written append (a full disk, say) would leave old data with a
    // torn tail under the target's name: undo it.
    Restore(target, before);
    return false;
}

} // namespace tavelin::transfer
