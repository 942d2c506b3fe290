// SPDX-License-Identifier: MIT
// Whether the run can show windows, and Qt's platform for it. A batch run
// goes on without a display (Qt's offscreen platform, messages on standard
// error); the operator's window cannot. What names a display differs per
// system (display_posix.cpp: DISPLAY or WAYLAND_DISPLAY; display_win32.cpp:
// the desktop is always there); the decisions are shared (display.cpp).
// Also the runtime folder Qt wants on X11 and Wayland (EnsureRuntimeDir).
#pragma once

#include <QString>

namespace tavelin::app {

// True when windows can be shown: a display is named, and the platform is
// not Qt's offscreen one, which shows nothing.
bool ScreenAvailable();

// Before the QApplication is made: sets Qt's platform for a run with windows
// (`screen`, from ScreenAvailable) or without. False, said on standard
// error, when a start of the window (not `automatic`) has no display.
bool ChooseDisplay(bool automatic, bool& screen);

// After it is made: a display named but not reached left Qt on the
// offscreen platform; `screen` is then false. False, said on standard
// error, when the window needed it.
bool CheckDisplayReached(bool automatic, bool& screen);

// Per system. A display is named (on Windows: always).
bool DisplayNamed();

// Per system. A display that is named but cannot be reached would make Qt
// end the process; with offscreen as the last platform to try, it goes on
// without one. Nothing to do where no display is named.
void FallBackToOffscreen();

// Per system. The display named, for a message; empty where none is named.
QString NamedDisplay();

// Qt wants a private runtime directory on X11 and Wayland and complains on
// standard error when none is named; naming the one it would fall back to
// keeps batch logs clean. Windows has no such folder (nothing is done).
// Before the QApplication is made: sets XDG_RUNTIME_DIR to this user's
// folder in the temporary directory (runtime-UID, mode 700) when none is
// named that SingleInstance::RuntimeDir() accepts.
void EnsureRuntimeDir();

} // namespace tavelin::app
