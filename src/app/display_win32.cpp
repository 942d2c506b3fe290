// SPDX-License-Identifier: MIT
// Windows: the desktop is always there; nothing names it or falls back.
#include "display.h"

namespace tavelin::app {

bool DisplayNamed()
{
    return true;
}

void FallBackToOffscreen() {}

QString NamedDisplay()
{
    return {};
}

void EnsureRuntimeDir() {}

} // namespace tavelin::app
