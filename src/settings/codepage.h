// SPDX-License-Identifier: MIT
// Conversion between the program's UTF-8 texts and code page 932, the code
// page of every file it reads or writes and of hand-held file names.
// Bad input never stops a conversion, and Linux and Windows give the same
// result for it (iconv on POSIX, codepage_posix.cpp; on Windows,
// codepage_win32.cpp does not leave this to the system, whose rules differ):
// - code page 932 to UTF-8: each bad byte becomes one U+FFFD, and the byte
//   after a bad lead byte is read again on its own, so "81 FF" gives two
//   U+FFFD and "81 20" gives U+FFFD and a space. Bad bytes are lead bytes
//   without a valid trail (or at the end), pairs the code page lacks, and
//   the single bytes 80, A0 and FD-FF;
// - UTF-8 to code page 932: a character the code page cannot hold becomes
//   one "?" (an emoji too, although UTF-16 needs two units for it), and so
//   does each ill-formed UTF-8 sequence (a stray byte with the continuation
//   bytes after it, an overlong form, a surrogate, a truncated character).
//   No best fit: "é" becomes "?", never "e". The JIS forms of ¢ £ ¥ ¬ — ‖ ‾
//   − 〜 are written as the code page's own signs, as iconv does.
#pragma once

#include <string>
#include <string_view>

namespace tavelin::settings {

std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

} // namespace tavelin::settings
