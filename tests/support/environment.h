// SPDX-License-Identifier: MIT
// Sets a variable of this process's environment, for tests of what the
// program reads there (an empty value is as good as none to the program).
#pragma once

#include <string>

namespace tavelin::testing {

void SetVariable(const char* name, const std::string& value);

} // namespace tavelin::testing
