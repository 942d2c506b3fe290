// SPDX-License-Identifier: MIT
// A console shows bytes in its own code page (932 on a Japanese Windows,
// 437 or 850 elsewhere), never as UTF-8 unless someone typed `chcp 65001`:
// text meant for it goes as UTF-16 through WriteConsoleW, which every code
// page shows. A file or a pipe keeps UTF-8, whatever the PC's code page:
// the same bytes on every PC and on Linux, and no character of a file or
// folder name lost to a code page that lacks it.
#include "console_output.h"

#include <windows.h>
#include <io.h>

#include <algorithm>
#include <string>

namespace tavelin::settings {

namespace {

// Older consoles refuse a single write of more than about 64 KB.
constexpr std::size_t kMostUnitsAWrite = 8192;

HANDLE ConsoleOf(std::FILE* stream)
{
    const int descriptor = _fileno(stream);
    if (descriptor < 0)
        return nullptr;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || !GetConsoleMode(handle, &mode))
        return nullptr;
    return handle;
}

// Ill-formed UTF-8 becomes U+FFFD, as the console would show nothing better.
std::wstring Utf16(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(std::size_t(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), length);
    return wide;
}

void WriteToConsole(HANDLE console, const std::wstring& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t count = std::min(kMostUnitsAWrite, text.size() - done);
        // A surrogate pair stays in one write.
        if (done + count < text.size() && IS_HIGH_SURROGATE(text[done + count - 1]))
            --count;
        DWORD written = 0;
        if (!WriteConsoleW(console, text.data() + done, DWORD(count), &written, nullptr) || written == 0)
            return;
        done += written;
    }
}

} // namespace

void WriteText(std::FILE* stream, std::string_view utf8)
{
    const HANDLE console = ConsoleOf(stream);
    if (console == nullptr) {
        std::fwrite(utf8.data(), 1, utf8.size(), stream);
        return;
    }
    // What the stream holds yet goes first, in its order.
    std::fflush(stream);
    WriteToConsole(console, Utf16(utf8));
}

} // namespace tavelin::settings
