// SPDX-License-Identifier: MIT
#include "trace_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::link {

// The open never waits: a FIFO nobody reads would hold the run there, before
// anything could stop it, so one without a reader is refused. What is not a
// plain file stays non-blocking: a reader that falls behind costs trace
// lines, never the run's time.
Result<std::FILE*> OpenForAppending(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return Result<std::FILE*>::Failed(errno == ENXIO ? "a FIFO that nobody reads" : std::strerror(errno));
    struct stat info;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "a");
    if (!file) {
        const int error = errno;
        close(fd);
        return Result<std::FILE*>::Failed(std::strerror(error));
    }
    return file;
}

} // namespace tavelin::link
