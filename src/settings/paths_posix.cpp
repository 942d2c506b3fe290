// SPDX-License-Identifier: MIT
// The directory separator of POSIX systems.
#include "paths.h"

namespace tavelin::settings {

const char kDirSeparator = '/';

bool IsDirSeparator(char c) { return c == '/'; }

} // namespace tavelin::settings
