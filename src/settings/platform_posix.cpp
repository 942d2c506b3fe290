// SPDX-License-Identifier: MIT
// The small differences of POSIX systems: the directory separator
// (paths.h) and the local time (local_time.h).
#include "local_time.h"
#include "paths.h"

namespace tavelin::settings {

const char kDirSeparator = '/';

bool IsDirSeparator(char c) { return c == '/'; }

std::tm LocalCalendarTime(std::time_t moment)
{
    std::tm parts{};
    localtime_r(&moment, &parts);
    return parts;
}

} // namespace tavelin::settings
