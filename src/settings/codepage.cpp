#include "codepage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace tavelin::settings {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

#ifndef _WIN32
// One iconv conversion; an unconvertible or invalid input unit is replaced
// and skipped, so the loop always makes progress.
std::string Convert(std::string_view input, const char* to, const char* from, std::string_view replacement,
                    std::size_t skipOnError)
{
    std::string output;
    if (input.empty())
        return output;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(input);
    output.reserve(input.size() * 2);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<std::size_t>(out - buffer));
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (a truncated sequence at the end): replace and skip.
        output += replacement;
        std::size_t skip = std::min(skipOnError, inLeft);
        if (skipOnError == 0) { // a UTF-8 input: skip the whole character
            skip = 1;
            while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80)
                ++skip;
        }
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return output;
}
#else
std::string Convert(std::string_view input, UINT fromPage, UINT toPage)
{
    if (input.empty())
        return {};
    const int wideLen = MultiByteToWideChar(fromPage, 0, input.data(), int(input.size()), nullptr, 0);
    std::wstring wide(std::size_t(wideLen), L'\0');
    MultiByteToWideChar(fromPage, 0, input.data(), int(input.size()), wide.data(), wideLen);
    const int outLen = WideCharToMultiByte(toPage, 0, wide.data(), wideLen, nullptr, 0, nullptr, nullptr);
    std::string output(std::size_t(outLen), '\0');
    WideCharToMultiByte(toPage, 0, wide.data(), wideLen, output.data(), outLen, nullptr, nullptr);
    return output;
}
#endif

} // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
#ifdef _WIN32
    return Convert(cp932, 932, CP_UTF8);
#else
    return Convert(cp932, "UTF-8", "CP932", kReplacementUtf8, 1);
#endif
}

std::string Utf8ToCp932(std::string_view utf8)
{
#ifdef _WIN32
    return Convert(utf8, CP_UTF8, 932);
#else
    return Convert(utf8, "CP932", "UTF-8", "?", 0);
#endif
}

} // namespace tavelin::settings
