// SPDX-License-Identifier: MIT
#include "text_file_io.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tavelin::settings {

namespace {

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

} // namespace

// What the path names is checked before the open (a device is never opened)
// and again on the open file, which is the one read. The open does not wait:
// a FIFO swapped in between would otherwise wait there for a writer.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit, int& error)
{
    error = 0;
    std::error_code typeError;
    if (!std::filesystem::is_regular_file(path, typeError))
        return std::nullopt;
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info;
    if (file.get() < 0 || fstat(file.get(), &info) != 0) {
        error = errno;
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode))
        return std::nullopt;
    std::string bytes;
    char buffer[8192];
    while (bytes.size() < limit) {
        const ssize_t n = read(file.get(), buffer, std::min(sizeof buffer, limit - bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

bool WriteRegularFile(const std::filesystem::path& path, std::string bytes, WriteMode mode)
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
    // Emptied only now that it is known to be a regular file of its own. On
    // the disk before anything else is written: a file system may otherwise
    // keep a later write and lose this one, leaving a line of zeros.
    const bool written =
        (mode == WriteMode::Append || ftruncate(fd, 0) == 0) && WriteAll(fd, bytes) && fsync(fd) == 0;
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

} // namespace tavelin::settings
