// SPDX-License-Identifier: MIT
// What a copy that gives way to the one-copy lock says before it ends.
#pragma once

#include "single_instance.h"

namespace tavelin::app {

// A window start whose folder another copy holds: true when that copy's
// window came forward at its request (window_handover.h), so this one ends
// without a word.
bool HandedOverToWindow(int& argc, char** argv, const SingleInstance& instance);

// Another copy holds the folder's lock: said on standard error, with the
// folder and the copy's process where the lock file names it. A start of the
// window (`window`) says it in a box too where a display shows one: from the
// desktop menu nobody reads standard error. A stop signal closes the box.
void SayAlreadyRunning(int& argc, char** argv, bool window, const SingleInstance& instance);

// The lock cannot be used: said on standard error with the reason.
void SayLockUnusable(const SingleInstance& instance);

} // namespace tavelin::app
