// SPDX-License-Identifier: MIT
// What the program prints on standard output and standard error: its start
// line, history lines, messages, --help and --version. The texts are UTF-8
// inside the program. Where the stream is a Windows console they are written
// to it as UTF-16, so a console at any code page (932 included) shows them;
// to a file or a pipe, and on POSIX everywhere, the UTF-8 bytes go as they
// are, through the stream (its buffer, and on Windows its CRLF line ends).
#pragma once

#include <cstdio>
#include <string_view>

namespace tavelin::settings {

// Writes `utf8` to `stream` (stdout or stderr), as above. A write that fails
// is let pass: what is printed copies what RESULT.DAT and HISTORY.DAT record.
void WriteText(std::FILE* stream, std::string_view utf8);

// std::fprintf's formatting, then WriteText.
[[gnu::format(printf, 2, 3)]] void PrintText(std::FILE* stream, const char* format, ...);

} // namespace tavelin::settings
