// SPDX-License-Identifier: MIT
#include "support/open_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

namespace tavelin::testing {

OpenWatch::OpenWatch() : fd_(inotify_init1(IN_NONBLOCK)) {}

OpenWatch::~OpenWatch()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool OpenWatch::Add(const std::filesystem::path& folder) { return inotify_add_watch(fd_, folder.c_str(), IN_OPEN) >= 0; }

std::vector<std::string> OpenWatch::FilesOpened()
{
    std::vector<std::string> opened;
    alignas(inotify_event) char events[4096];
    for (ssize_t got; (got = ::read(fd_, events, sizeof events)) > 0;)
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (!(event->mask & IN_ISDIR)) // a directory is opened to list it
                opened.emplace_back(event->len ? event->name : "?");
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    return opened;
}

} // namespace tavelin::testing
