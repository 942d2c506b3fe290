// SPDX-License-Identifier: MIT
// The hand-held's file-name rule, applied to the bytes the name will have on
// the wire (code page 932), not to its characters.
#include "commands.h"

#include "settings/codepage.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace tavelin::link {

namespace {

bool IsNameByte(unsigned char byte)
{
    static constexpr std::string_view kForbidden = "\"*+,/:;<=>?|";
    return byte > 0x20 && byte < 0x81 && kForbidden.find(static_cast<char>(byte)) == std::string_view::npos;
}

} // namespace

bool IsHhtFileName(std::string_view utf8Name)
{
    const std::string bytes = settings::Utf8ToCp932(utf8Name);
    if (bytes.empty())
        return false;
    const auto dot = bytes.find('.');
    if (dot == std::string::npos) {
        if (bytes.size() > 8)
            return false;
    } else if (dot > 8 || bytes.size() - dot - 1 > 3) {
        return false;
    }
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return IsNameByte(static_cast<unsigned char>(c)); });
}

bool IsApplicationFile(std::string_view name)
{
    if (!IsHhtFileName(name) || name.size() < 4)
        return false;
    std::string tail(name.substr(name.size() - 4));
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return tail == ".HEX";
}

} // namespace tavelin::link
