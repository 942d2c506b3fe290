// SPDX-License-Identifier: MIT
// The local calendar time of a moment, by each system's thread-safe call
// (localtime_r on POSIX, localtime_s on Windows) rather than the shared
// buffer of std::localtime (platform_posix.cpp, platform_win32.cpp).
#pragma once

#include <ctime>

namespace tavelin::settings {

std::tm LocalCalendarTime(std::time_t moment);

} // namespace tavelin::settings
