// SPDX-License-Identifier: MIT
#include "runtime_dir.h"

namespace tavelin::app {

void EnsureRuntimeDir() {}

} // namespace tavelin::app
