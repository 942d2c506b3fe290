// SPDX-License-Identifier: MIT
#include "surroundings.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

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

void IgnoreBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

void IgnoreFileSizeLimitSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace tavelin::app
