// SPDX-License-Identifier: MIT
#include "trace_file.h"

#include <cerrno>
#include <cstring>

namespace tavelin::link {

Result<std::FILE*> OpenForAppending(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file)
        return Result<std::FILE*>::Failed(std::strerror(errno));
    return file;
}

} // namespace tavelin::link
