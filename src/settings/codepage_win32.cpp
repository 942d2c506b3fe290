// SPDX-License-Identifier: MIT
// Code page 932 by the Win32 API, with iconv's rules for bad input.
#include "codepage.h"

#include <optional>
#include <utility>
#include <windows.h>

namespace tavelin::settings {

namespace {

// The system's own rules differ from iconv's: it may turn a bad pair into
// one character (U+FFFD, or "・" on some versions), and it gives the single
// bytes 80, A0 and FD-FF characters of their own. So the text is split into
// units here, by iconv's rule, and only a well-formed pair is left to the
// system, strictly.

constexpr wchar_t kReplacement = 0xFFFD;

// 1 or 2 when a well-formed unit starts at `i`; 0 when its byte is bad.
std::size_t Cp932UnitLength(std::string_view in, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(in[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
        return 1;
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (!lead || i + 1 >= in.size())
        return 0;
    const unsigned char t = byte(i + 1);
    return t >= 0x40 && t <= 0xFC && t != 0x7F ? 2 : 0;
}

wchar_t Cp932UnitToWide(std::string_view in, std::size_t i, std::size_t length)
{
    const unsigned char b = static_cast<unsigned char>(in[i]);
    if (length == 1)
        return b < 0x80 ? wchar_t(b) : wchar_t(0xFF61 + (b - 0xA1)); // ASCII, half-width katakana
    wchar_t wide[2];
    const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, in.data() + i, 2, wide, 2);
    // Some systems answer a pair their table lacks with the default
    // character "・" instead of failing; only 81 45 is that character.
    const bool defaultChar = n == 1 && wide[0] == 0x30FB && !(b == 0x81 && in[i + 1] == 0x45);
    return n == 1 && !defaultChar ? wide[0] : kReplacement;
}

std::string WideToUtf8(const std::wstring& wide)
{
    if (wide.empty())
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string output(std::size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), output.data(), length, nullptr, nullptr);
    return output;
}

// The code point of a well-formed UTF-8 sequence at `i` and its length, or a
// length of 0 (an overlong form, a surrogate, a truncated or stray byte).
std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view in, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(in[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80)
        return {b, 1};
    const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    if (length == 0 || b > 0xF4 || i + length > in.size())
        return {0, 0};
    char32_t cp = b & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return {0, 0};
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return {0, 0};
    return {cp, length};
}

// Characters iconv writes one way only, from the JIS forms of these signs
// to the code page's own bytes; the system's table without best fit lacks them.
std::optional<std::string_view> OneWayCp932(char32_t cp)
{
    static constexpr std::pair<char32_t, std::string_view> kOneWay[] = {
        {0x00A2, "\x81\x91"}, {0x00A3, "\x81\x92"}, {0x00A5, "\x5C"},     {0x00AC, "\x81\xCA"}, {0x2014, "\x81\x5C"},
        {0x2016, "\x81\x61"}, {0x203E, "\x7E"},     {0x2212, "\x81\x7C"}, {0x301C, "\x81\x60"},
    };
    for (const auto& [from, bytes] : kOneWay)
        if (from == cp)
            return bytes;
    return std::nullopt;
}

// The code page 932 bytes of one character, or "?" when it has none. No
// best fit: "é" must not quietly become "e". U+0080 and U+F8F0..U+F8F3 are
// refused too: the system would write single bytes that read back as U+FFFD.
std::string CharToCp932(char32_t cp)
{
    if (cp < 0x80)
        return std::string(1, char(cp));
    if (const auto bytes = OneWayCp932(cp))
        return std::string(*bytes);
    if (cp > 0xFFFF || cp == 0x80 || (cp >= 0xF8F0 && cp <= 0xF8F3))
        return "?";
    const wchar_t wide = wchar_t(cp);
    char bytes[4];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes, nullptr, &usedDefault);
    return n > 0 && !usedDefault ? std::string(bytes, std::size_t(n)) : "?";
}

} // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    std::wstring wide;
    wide.reserve(cp932.size());
    for (std::size_t i = 0; i < cp932.size();) {
        const std::size_t length = Cp932UnitLength(cp932, i);
        const wchar_t unit = length == 0 ? kReplacement : Cp932UnitToWide(cp932, i, length);
        wide += unit;
        // A pair the table lacks goes the way of a bad lead byte: its second
        // byte is read again on its own.
        i += unit == kReplacement ? 1 : length;
    }
    return WideToUtf8(wide);
}

std::string Utf8ToCp932(std::string_view utf8)
{
    std::string output;
    output.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto [cp, length] = DecodeUtf8(utf8, i);
        if (length > 0) {
            output += CharToCp932(cp);
            i += length;
            continue;
        }
        // As iconv is made to go on: the bad byte and the continuation bytes after it.
        output += '?';
        ++i;
        while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80)
            ++i;
    }
    return output;
}

} // namespace tavelin::settings
