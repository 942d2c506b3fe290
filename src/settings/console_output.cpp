// SPDX-License-Identifier: MIT
#include "console_output.h"

#include <cstdarg>
#include <string>

namespace tavelin::settings {

void PrintText(std::FILE* stream, const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    if (length > 0) {
        std::string text(std::size_t(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back();
        WriteText(stream, text);
    }
    va_end(again);
}

} // namespace tavelin::settings
