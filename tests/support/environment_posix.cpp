// SPDX-License-Identifier: MIT
#include "support/environment.h"

#include <cstdlib>

namespace tavelin::testing {

void SetVariable(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

} // namespace tavelin::testing
