// SPDX-License-Identifier: MIT
#include "platform.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavelin::app {

std::int32_t GetPlatformId()
{
#ifdef _WIN32
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info; // 148 bytes
#ifdef _MSC_VER
#pragma warning(suppress : 4996) // deprecated, yet it is the query that reports the platform
#endif
    if (!GetVersionExA(&info))
        return kPlatformWin32Nt;
    return static_cast<std::int32_t>(info.dwPlatformId);
#else
    return kPlatformWin32Nt;
#endif
}

} // namespace tavelin::app
