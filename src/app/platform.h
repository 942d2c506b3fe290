// SPDX-License-Identifier: MIT
// What the start-up asks of the operating system, one small function each;
// the Windows branch and the portable one live side by side in platform.cpp.
#pragma once

#include <cstdint>

namespace tavelin::app {

// The platform identifier of the version query. Systems other than Windows
// report the identifier of Windows NT (2), the family every supported
// Windows belongs to, so their polling timers run at the NT interval.
std::int32_t GetPlatformId();

constexpr std::int32_t kPlatformWin32Nt = 2;

} // namespace tavelin::app
