// SPDX-License-Identifier: MIT
#include "surroundings.h"

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tavelin::app {

#ifndef _WIN32
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
#else
void OpenMissingStandardDescriptors() {}
void IgnoreBrokenPipes() {}
#endif

} // namespace tavelin::app
