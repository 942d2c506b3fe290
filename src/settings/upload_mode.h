// SPDX-License-Identifier: MIT
// What an upload does with a PC file of the same name. The values are the
// codes the settings record's UploadMode, the parameter file's words (OVER,
// ADD, NON) and the upload engines' `mode` stand for.
#pragma once

#include <cstdint>

namespace tavelin::settings {

enum class UploadMode : std::int16_t { Overwrite = 1, Append = 2, Leave = 3 };

} // namespace tavelin::settings
