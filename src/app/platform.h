// SPDX-License-Identifier: MIT
// What the start-up asks of the operating system, one small function each;
// platform_win32.cpp asks Windows, platform_posix.cpp answers for the others.
#pragma once

namespace tavelin::app {

// The timers the polling interval is set for: those of the Windows NT
// family (every supported Windows; 30 ms between polls) or of the older
// Windows 95 family (10 ms), as the version query reports the platform.
// Other systems have no such query; their timers are taken as NT's.
enum class TimerFamily { WindowsNt, Windows9x };
TimerFamily SystemTimerFamily();

} // namespace tavelin::app
