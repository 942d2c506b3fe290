// SPDX-License-Identifier: MIT
// What the start-up asks of the operating system, one small function each;
// platform_win32.cpp asks Windows, platform_posix.cpp answers for the others.
#pragma once

#include <cstdint>

namespace tavelin::app {

// The platform identifier of the version query. Systems other than Windows
// report the identifier of Windows NT (2), the family every supported
// Windows belongs to, so their polling timers run at the NT interval.
std::int32_t GetPlatformId();

constexpr std::int32_t kPlatformWin32Nt = 2;

} // namespace tavelin::app
