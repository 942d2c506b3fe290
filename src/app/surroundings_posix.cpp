// SPDX-License-Identifier: MIT
#include "surroundings.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace tavelin::app {

void OpenMissingStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            continue;
        // open() takes the lowest free number: this one, as the lower ones are open.
        open("/dev/null", O_RDWR | O_NOCTTY);
    }
}

int FreeDescriptors(int enough)
{
    std::vector<int> taken;
    while (int(taken.size()) < enough) {
        int fd = fcntl(0, F_DUPFD_CLOEXEC, 0);
        if (fd < 0 && errno == EBADF) // no standard input to copy: /dev/null could not stand in for it
            fd = open("/dev/null", O_RDONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            break;
        taken.push_back(fd);
    }
    for (const int fd : taken)
        close(fd);
    return int(taken.size());
}

void IgnoreBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

void IgnoreFileSizeLimitSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace tavelin::app
