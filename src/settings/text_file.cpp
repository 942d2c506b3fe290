// SPDX-License-Identifier: MIT
#include "text_file.h"

#include "codepage.h"
#include "paths.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavelin::settings {

namespace {

std::string LinesAsCp932(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const auto& line : lines)
        bytes += Utf8ToCp932(line) + "\r\n";
    return bytes;
}

#ifdef _WIN32
// What the path names is checked before the open (a device is never opened)
// and again on the open file, which is the one read.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return std::nullopt;
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
        if (std::ferror(file))
            bytes.reset();
    }
    std::fclose(file);
    return bytes;
}

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

bool WriteLog(const std::filesystem::path& path, std::string bytes, WriteMode mode)
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
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
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
#else
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// What the path names is checked before the open (a device is never opened)
// and again on the open file, which is the one read. The open does not wait:
// a FIFO swapped in between would otherwise wait there for a writer.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info;
    if (file.get() < 0 || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    std::string bytes;
    char buffer[8192];
    while (bytes.size() < limit) {
        const ssize_t n = read(file.get(), buffer, std::min(sizeof buffer, limit - bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

// Every byte, however the system splits the write; false at the first
// error: a full disk, or a file-size limit (EFBIG, with SIGXFSZ ignored).
bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A regular file opened for writing, or -1. No symbolic link is followed: a
// link in a log's place would carry the run's lines into whatever file it
// names (/etc/passwd, for root). Nothing waits: a FIFO without a reader is
// refused at the open, and one with a reader, or a device, right after it.
int OpenRegularForWriting(const std::filesystem::path& path, int flags)
{
    const int fd = open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// False when the file's last line has no CR LF (a lone CR or LF, or a lead
// byte without its second byte, counts as none): a line appended to it would
// be glued on. An empty file, or one that cannot be read, ends where a new
// line may start.
bool EndsWithLineEnd(int fd)
{
    struct stat info;
    if (fstat(fd, &info) != 0 || info.st_size == 0)
        return true;
    if (info.st_size == 1)
        return false;
    char tail[2] = {};
    return pread(fd, tail, 2, info.st_size - 2) != 2 || (tail[0] == '\r' && tail[1] == '\n');
}

bool WriteLog(const std::filesystem::path& path, std::string bytes, WriteMode mode)
{
    int fd = -1;
    if (mode == WriteMode::Append) {
        fd = OpenRegularForWriting(path, O_RDWR | O_CREAT | O_APPEND);
        if (fd < 0 && errno == EACCES) // may be written, not read: its end cannot be looked at
            fd = OpenRegularForWriting(path, O_WRONLY | O_CREAT | O_APPEND);
    } else {
        fd = OpenRegularForWriting(path, O_WRONLY | O_CREAT);
    }
    if (fd < 0)
        return false;
    if (mode == WriteMode::Append && !EndsWithLineEnd(fd))
        bytes.insert(0, "\r\n");
    // Emptied only now that it is known to be a regular file of its own.
    const bool written = (mode == WriteMode::Append || ftruncate(fd, 0) == 0) && WriteAll(fd, bytes);
    return close(fd) == 0 && written;
}

// Written and on the disk, not only in a buffer, before the file is renamed.
// The name is the program's own: whatever stands there (a leftover, a link)
// goes first, and the file is made new.
bool WriteDurably(const std::filesystem::path& path, const std::string& bytes)
{
    unlink(path.c_str());
    const int fd = OpenRegularForWriting(path, O_WRONLY | O_CREAT | O_EXCL);
    if (fd < 0)
        return false;
    const bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    return close(fd) == 0 && ok;
}
#endif

} // namespace

std::optional<std::string> ReadFileBytes(std::string_view utf8Path, std::size_t limit)
{
    try {
        return ReadRegularFile(FsPath(utf8Path), limit);
    } catch (const std::exception&) { // out of memory, or a path the system cannot take
        return std::nullopt;
    }
}

std::optional<std::string> ReadTextFile(std::string_view utf8Path)
{
    try {
        const auto bytes = ReadFileBytes(utf8Path);
        if (!bytes)
            return std::nullopt;
        return Cp932ToUtf8(*bytes);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string WithoutControlCharacters(std::string_view utf8)
{
    const auto byte = [&](std::size_t i) { return i < utf8.size() ? static_cast<unsigned char>(utf8[i]) : 0; };
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = byte(i);
        if (c < 0x20 || c == 0x7F) {
            text += '?';
        } else if (c == 0xC2 && byte(i + 1) >= 0x80 && byte(i + 1) <= 0x9F) { // U+0080..U+009F, NEL among them
            text += '?';
            i += 1;
        } else if (c == 0xE2 && byte(i + 1) == 0x80 && (byte(i + 2) == 0xA8 || byte(i + 2) == 0xA9)) { // U+2028, U+2029
            text += '?';
            i += 2;
        } else {
            text += utf8[i];
        }
    }
    return text;
}

bool WriteTextLines(std::string_view utf8Path, const std::vector<std::string>& lines, WriteMode mode)
{
    try {
        return WriteLog(FsPath(utf8Path), LinesAsCp932(lines), mode);
    } catch (const std::exception&) { // out of memory, or a path the system cannot take
        return false;
    }
}

namespace {
constexpr std::string_view kAtomicTempSuffix = ".new";
} // namespace

bool WriteTextLinesAtomically(std::string_view utf8Path, const std::vector<std::string>& lines)
{
    const std::filesystem::path target = FsPath(utf8Path);
    std::filesystem::path temp = target;
    temp += kAtomicTempSuffix;
    std::error_code error;
    if (!WriteDurably(temp, LinesAsCp932(lines))) {
        std::filesystem::remove(temp, error);
        return false;
    }
    std::filesystem::rename(temp, target, error);
    if (error)
        std::filesystem::remove(temp, error);
    return !error;
}

void RemoveAtomicWriteLeftover(std::string_view utf8Path)
{
    std::filesystem::path temp = FsPath(utf8Path);
    temp += kAtomicTempSuffix;
    std::error_code error;
    if (std::filesystem::symlink_status(temp, error).type() == std::filesystem::file_type::regular)
        std::filesystem::remove(temp, error);
}

std::optional<std::string> CharReader::Read(std::size_t count)
{
    const std::size_t start = pos_;
    for (std::size_t n = 0; n < count; ++n) {
        if (pos_ >= text_.size()) {
            return std::nullopt;
        }
        ++pos_; // one UTF-8 character: a lead byte and its continuation bytes
        while (pos_ < text_.size() && (static_cast<unsigned char>(text_[pos_]) & 0xC0) == 0x80)
            ++pos_;
    }
    return text_.substr(start, pos_ - start);
}

namespace {
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
} // namespace

void FieldReader::SkipDelimiter()
{
    if (pos_ >= text_.size())
        return;
    if (text_[pos_] == ',') {
        ++pos_;
    } else if (text_[pos_] == '\r') {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n')
            ++pos_;
    } else if (text_[pos_] == '\n') {
        ++pos_;
    }
}

std::optional<std::string> FieldReader::Read()
{
    while (pos_ < text_.size() && (IsBlank(text_[pos_]) || IsLineEnd(text_[pos_])))
        ++pos_;
    if (pos_ >= text_.size())
        return std::nullopt;
    std::string field;
    if (text_[pos_] == '"') {
        const std::size_t close = text_.find('"', pos_ + 1);
        const std::size_t end = close == std::string::npos ? text_.size() : close;
        field = text_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = close == std::string::npos ? end : close + 1;
        // Anything between the closing quote and the delimiter is dropped.
        while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_]))
            ++pos_;
    } else {
        while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineEnd(text_[pos_]))
            field += text_[pos_++];
        while (!field.empty() && IsBlank(field.back()))
            field.pop_back();
    }
    SkipDelimiter();
    return field;
}

std::optional<std::string> LineReader::Read()
{
    if (pos_ >= text_.size())
        return std::nullopt;
    std::size_t end = pos_;
    while (end < text_.size() && !IsLineEnd(text_[end]))
        ++end;
    std::string line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_] == '\r')
        ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n')
        ++pos_;
    return line;
}

} // namespace tavelin::settings
