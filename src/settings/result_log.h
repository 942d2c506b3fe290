// SPDX-License-Identifier: MIT
// RESULT.DAT: the outcome of a run, one line, rewritten each time, for the
// program that started the run. A failed write is kept in
// state.logFailures for the program's exit status; nothing is shown here.
#pragma once

#include "app_state.h"
#include "numeric.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavelin::settings {

// The text of a result: "正常終了" for success, the code's text for error
// codes 1..6, empty otherwise.
std::string_view ResultText(std::int16_t isError, std::int16_t code);

// The line as written, without its CR LF (control characters as "?").
std::string ResultLine(std::int16_t isError, std::int16_t code, const LocalTime& when);

// False when RESULT.DAT could not be written.
bool WriteResult(AppState& state, std::int16_t isError, std::int16_t code);
bool WriteResult(AppState& state, std::int16_t isError, std::int16_t code, const LocalTime& when);

} // namespace tavelin::settings
