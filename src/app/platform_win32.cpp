// SPDX-License-Identifier: MIT
#include "platform.h"

#include <windows.h>

namespace tavelin::app {

// A query that fails is taken as NT, the family of every supported Windows.
TimerFamily SystemTimerFamily()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info; // 148 bytes
#ifdef _MSC_VER
#pragma warning(suppress : 4996) // deprecated, yet it is the query that reports the platform
#endif
    if (!GetVersionExA(&info) || info.dwPlatformId == VER_PLATFORM_WIN32_NT)
        return TimerFamily::WindowsNt;
    return TimerFamily::Windows9x;
}

} // namespace tavelin::app
