// SPDX-License-Identifier: MIT
// Qt wants a private runtime directory on X11 and Wayland and complains on
// standard error when none is named; naming the one it would fall back to
// keeps batch logs clean (runtime_dir_posix.cpp). Windows has no such
// folder (runtime_dir_win32.cpp does nothing).
#pragma once

namespace tavelin::app {

// Before the QApplication is made: sets XDG_RUNTIME_DIR to this user's
// folder in the temporary directory (runtime-UID, mode 700) when none is
// named that SingleInstance::RuntimeDir() accepts.
void EnsureRuntimeDir();

} // namespace tavelin::app
