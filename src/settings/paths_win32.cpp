// SPDX-License-Identifier: MIT
// The directory separators of Windows.
#include "paths.h"

namespace tavelin::settings {

const char kDirSeparator = '\\';

// Windows takes "/" as a separator too, and people type it.
bool IsDirSeparator(char c) { return c == '\\' || c == '/'; }

} // namespace tavelin::settings
