// SPDX-License-Identifier: MIT
// The small differences of Windows: the directory separators (paths.h) and
// the local time (local_time.h).
#include "local_time.h"
#include "paths.h"

namespace tavelin::settings {

const char kDirSeparator = '\\';

// Windows takes "/" as a separator too, and people type it.
bool IsDirSeparator(char c) { return c == '\\' || c == '/'; }

std::tm LocalCalendarTime(std::time_t moment)
{
    std::tm parts{};
    localtime_s(&parts, &moment);
    return parts;
}

} // namespace tavelin::settings
