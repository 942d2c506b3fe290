// SPDX-License-Identifier: MIT
// Windows: a window station without a visible desktop (a task that runs
// whether the user is logged on or not, a service) or session 0, where
// services run since Vista, shows a window to nobody.
#include "box_wait.h"

#include <windows.h>

namespace tavelin::app {

bool DesktopSeen()
{
    const HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    DWORD size = 0;
    if (station == nullptr || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &size))
        return false;
    if ((flags.dwFlags & WSF_VISIBLE) == 0)
        return false;
    DWORD session = 0;
    return ProcessIdToSessionId(GetCurrentProcessId(), &session) && session != 0;
}

} // namespace tavelin::app
