// SPDX-License-Identifier: MIT
#include "trace_file.h"

#include <cerrno>
#include <cstring>

namespace tavelin::link {

std::FILE* OpenForAppending(const std::string& path, std::string& reason)
{
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file)
        reason = std::strerror(errno);
    return file;
}

} // namespace tavelin::link
