// SPDX-License-Identifier: MIT
// A terminal takes UTF-8 as any other file does.
#include "console_output.h"

namespace tavelin::settings {

void WriteText(std::FILE* stream, std::string_view utf8)
{
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

} // namespace tavelin::settings
