// Conversion between the program's UTF-8 texts and code page 932, the code
// page of every file it reads or writes and of hand-held file names.
// Bytes that are not valid code page 932 never stop a conversion: each such
// byte becomes U+FFFD. A character that code page 932 cannot hold becomes "?".
#pragma once

#include <string>
#include <string_view>

namespace tavelin::settings {

std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

} // namespace tavelin::settings
