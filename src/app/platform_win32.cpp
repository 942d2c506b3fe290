// SPDX-License-Identifier: MIT
#include "platform.h"

#include <windows.h>

namespace tavelin::app {

std::int32_t GetPlatformId()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info; // 148 bytes
#ifdef _MSC_VER
#pragma warning(suppress : 4996) // deprecated, yet it is the query that reports the platform
#endif
    if (!GetVersionExA(&info))
        return kPlatformWin32Nt;
    return static_cast<std::int32_t>(info.dwPlatformId);
}

} // namespace tavelin::app
