// SPDX-License-Identifier: MIT
#include "com_port_list.h"

#include "wide_text.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace tavelin::link::win32 {

namespace {

// The name's letters, then its number as a number, so COM2 < COM10.
bool ComesBefore(const std::string& a, const std::string& b)
{
    const auto split = [](const std::string& name) {
        std::size_t digits = name.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])))
            --digits;
        const std::string number = name.substr(digits);
        return std::make_pair(name.substr(0, digits), number.empty() || number.size() > 9 ? -1 : std::stoi(number));
    };
    const auto left = split(a), right = split(b);
    return left != right ? left < right : a < b;
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::vector<ComPort> ComPortsFromNames(const std::vector<std::string>& names)
{
    std::vector<std::string> sorted;
    for (const std::string& raw : names) {
        // A name may come with its terminating NUL, or with padding.
        const std::string name = Trimmed(raw.substr(0, raw.find('\0')));
        if (!name.empty() && std::find(sorted.begin(), sorted.end(), name) == sorted.end())
            sorted.push_back(name);
    }
    std::sort(sorted.begin(), sorted.end(), ComesBefore);
    std::vector<ComPort> ports;
    for (const std::string& name : sorted)
        ports.push_back({name, "\\\\.\\" + name});
    return ports;
}

std::vector<ComPort> SystemComPorts()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD valueNameLength = 256;
        wchar_t data[256] = {};
        DWORD dataBytes = sizeof data - sizeof(wchar_t); // room for a NUL the data may lack
        DWORD type = 0;
        const LONG status = RegEnumValueW(key, index, valueName, &valueNameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataBytes);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue; // a value too long for a port name is no port name
        names.push_back(FromWide(std::wstring(data, dataBytes / sizeof(wchar_t))));
    }
    RegCloseKey(key);
    return ComPortsFromNames(names);
}

} // namespace tavelin::link::win32
