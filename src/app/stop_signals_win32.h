// SPDX-License-Identifier: MIT
// The console control handler of stop_signals_win32.cpp, named here so that
// a test can hand it the events a console sends.
#pragma once

#include <windows.h>

namespace tavelin::app {

// Ctrl+C, Ctrl+Break and closing the console: the first one asks the event
// loop to quit the run (TRUE: handled); any later one, and any other event,
// is left to Windows, which ends the process at once (FALSE).
BOOL WINAPI OnConsoleControl(DWORD event);

} // namespace tavelin::app
