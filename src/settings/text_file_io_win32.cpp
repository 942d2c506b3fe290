// SPDX-License-Identifier: MIT
#include "text_file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <io.h>
#include <sys/stat.h>
#include <system_error>

namespace tavelin::settings {

namespace {

// A C stream on the file, without a buffer of its own: every write here is
// one whole block of text, and a reader wants two bytes.
std::FILE* OpenUnbuffered(const std::filesystem::path& path, const char* mode)
{
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    std::FILE* file = _wfopen(path.c_str(), wideMode.c_str());
    if (file)
        std::setvbuf(file, nullptr, _IONBF, 0);
    return file;
}

// False when the file's last line has no CR LF (a lone CR or LF, or a lead
// byte without its second byte, counts as none): a line appended to it would
// be glued on. An empty or missing file ends where a new line may start.
bool EndsWithLineEnd(const std::filesystem::path& path)
{
    std::FILE* file = OpenUnbuffered(path, "rb");
    if (!file)
        return true;
    char tail[2] = {};
    const bool endsWell = std::fseek(file, -2, SEEK_END) == 0 // two bytes or more
                              ? std::fread(tail, 1, 2, file) != 2 || (tail[0] == '\r' && tail[1] == '\n')
                              : std::fseek(file, 0, SEEK_END) != 0 || std::ftell(file) <= 0; // none, or one
    std::fclose(file);
    return endsWell;
}

} // namespace

// What the path names is checked before the open (a device is never opened)
// and again on the open file, which is the one read.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit, int& error)
{
    error = 0;
    std::error_code typeError;
    if (!std::filesystem::is_regular_file(path, typeError))
        return std::nullopt;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) {
        error = errno;
        return std::nullopt;
    }
    std::optional<std::string> bytes;
    struct _stat64 info;
    if (_fstat64(_fileno(file), &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG) {
        bytes.emplace();
        char buffer[8192];
        while (bytes->size() < limit) {
            const std::size_t n = std::fread(buffer, 1, std::min(sizeof buffer, limit - bytes->size()), file);
            bytes->append(buffer, n);
            if (n == 0)
                break;
        }
        if (std::ferror(file)) {
            error = errno != 0 ? errno : EIO;
            bytes.reset();
        }
    }
    std::fclose(file);
    return bytes;
}

bool WriteRegularFile(const std::filesystem::path& path, std::string bytes, WriteMode mode)
{
    // A FIFO or device in the file's place would hold the run at the open.
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular)
        return false;
    if (mode == WriteMode::Append && !EndsWithLineEnd(path))
        bytes.insert(0, "\r\n");
    std::FILE* file = OpenUnbuffered(path, mode == WriteMode::Append ? "ab" : "wb");
    if (!file)
        return false;
    // On the disk before anything else is written (text_file_io_posix.cpp).
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                         std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
    return std::fclose(file) == 0 && written;
}

// Written and on the disk, not only in a buffer, before the file is renamed.
bool WriteDurably(const std::filesystem::path& path, const std::string& bytes)
{
    std::FILE* file = OpenUnbuffered(path, "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0 &&
                    _commit(_fileno(file)) == 0;
    return std::fclose(file) == 0 && ok;
}

} // namespace tavelin::settings
