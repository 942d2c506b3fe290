// SPDX-License-Identifier: MIT
// Reports every file opened in the folders watched, for tests that a
// listing never opens the files it lists. Linux has the watch (inotify);
// elsewhere Offered() is false and nothing is reported.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavelin::testing {

class OpenWatch {
public:
    OpenWatch();
    ~OpenWatch();
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    bool Offered() const { return fd_ >= 0; }
    bool Add(const std::filesystem::path& folder);
    // The names of the files (not folders) opened since the last call.
    std::vector<std::string> FilesOpened();

private:
    int fd_ = -1;
};

} // namespace tavelin::testing
