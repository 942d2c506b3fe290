// SPDX-License-Identifier: MIT
// What a copy that gives way to the one-copy lock says before it ends.
#pragma once

#include "single_instance.h"

namespace tavelin::app {

// Another copy holds the lock: said on standard error, with its process
// where the lock file names it. A start of the window (`window`) says it in
// a box too where a display shows one: from the desktop menu nobody reads
// standard error. A stop signal closes the box.
void SayAlreadyRunning(int& argc, char** argv, bool window);

// The lock cannot be used: said on standard error with the reason.
void SayLockUnusable(const SingleInstance& instance);

} // namespace tavelin::app
