// SPDX-License-Identifier: MIT
#include "support/environment.h"

#include <cstdlib>

namespace tavelin::testing {

// An empty value removes the variable there.
void SetVariable(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }

} // namespace tavelin::testing
