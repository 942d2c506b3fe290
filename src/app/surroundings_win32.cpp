// SPDX-License-Identifier: MIT
#include "surroundings.h"

#include <windows.h>

#include <cstdio>

namespace tavelin::app {

namespace {

bool HasHandle(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

} // namespace

// The program is a window program, so the Explorer opens no console beside
// it. Started from a console, it has no standard output of its own unless
// the caller redirected one: it then writes to that console, as a console
// program would. Redirected handles are kept as they are.
void OpenMissingStandardDescriptors()
{
    const bool output = HasHandle(STD_OUTPUT_HANDLE);
    const bool error = HasHandle(STD_ERROR_HANDLE);
    if ((output && error) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!output)
        std::freopen("CONOUT$", "w", stdout);
    if (!error)
        std::freopen("CONOUT$", "w", stderr);
}

// Windows has no SIGPIPE: a write to a pipe whose reader has gone fails.
void IgnoreBrokenPipes() {}

// Nor SIGXFSZ: a write past a quota fails.
void IgnoreFileSizeLimitSignal() {}

// Handles have no limit per process that a start could meet.
int FreeDescriptors(int enough) { return enough; }

} // namespace tavelin::app
