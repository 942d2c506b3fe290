#include "commit.h"

#include "settings/paths.h"

#include <array>
#include <cstdio>
#include <fstream>
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

bool CopyFileTo(const fs::path& from, const fs::path& to)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!in || !out || !CopyStream(in, out))
        return false;
    out.close();
    return !out.fail();
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
    std::error_code error;
    fs::rename(temp, target, error);
    if (!error)
        return true;
    // Another volume: a rename cannot cross it, so copy beside the target and
    // rename there, which is again a single step.
    fs::path staging = target;
    staging += ".~tmp";
    if (!CopyFileTo(temp, staging)) {
        fs::remove(staging, error);
        return false;
    }
    fs::rename(staging, target, error);
    if (error) {
        fs::remove(staging, error);
        return false;
    }
    fs::remove(temp, error);
    return true;
}

bool AppendTemp(const fs::path& temp, const fs::path& target)
{
    std::ifstream in(temp, std::ios::binary);
    if (!in)
        return false;
    if (!fs::exists(target))
        std::ofstream(target, std::ios::binary).close();
    std::fstream out(target, std::ios::binary | std::ios::in | std::ios::out);
    if (!out)
        return false;
    PositionForAppend(out);
    if (!CopyStream(in, out))
        return false;
    out.close();
    return !out.fail();
}

} // namespace tavelin::transfer
