// SPDX-License-Identifier: MIT
#include "ftdi_latency.h"
#include "adapter_timer.h"
#include "wide_text.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace tavelin::link {

namespace win32 {

namespace {

// A registry key closed when it goes out of scope.
class Key {
public:
    Key(HKEY parent, const std::wstring& path)
    {
        if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key()
    {
        if (key_)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY Get() const { return key_; }

    std::vector<std::wstring> SubKeys() const
    {
        std::vector<std::wstring> names;
        for (DWORD index = 0; key_; ++index) {
            wchar_t name[256];
            DWORD length = 256;
            const LONG status = RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_NO_MORE_ITEMS)
                break;
            if (status == ERROR_SUCCESS)
                names.emplace_back(name, length);
        }
        return names;
    }

    std::optional<std::wstring> Text(const wchar_t* value) const
    {
        wchar_t data[64] = {};
        DWORD bytes = sizeof data - sizeof(wchar_t); // room for a NUL the data may lack
        DWORD type = 0;
        if (!key_ || RegQueryValueExW(key_, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) !=
                         ERROR_SUCCESS ||
            type != REG_SZ)
            return std::nullopt;
        return std::wstring(data);
    }

    std::optional<DWORD> Number(const wchar_t* value) const
    {
        DWORD data = 0;
        DWORD bytes = sizeof data;
        DWORD type = 0;
        if (!key_ || RegQueryValueExW(key_, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes) !=
                         ERROR_SUCCESS ||
            type != REG_DWORD)
            return std::nullopt;
        return data;
    }

private:
    HKEY key_ = nullptr;
};

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

std::string PortNameOf(const std::string& devicePath)
{
    const auto cut = devicePath.find_last_of('\\');
    return cut == std::string::npos ? devicePath : devicePath.substr(cut + 1);
}

std::optional<int> FtdiLatencyTimer(RegistryRoot root, const std::wstring& enumKey, const std::string& portName)
{
    const std::string wanted = Upper(portName);
    const Key devices(root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, enumKey);
    for (const std::wstring& device : devices.SubKeys()) {
        const Key instances(devices.Get(), device);
        for (const std::wstring& instance : instances.SubKeys()) {
            const Key parameters(instances.Get(), instance + L"\\Device Parameters");
            const auto name = parameters.Text(L"PortName");
            if (!name || Upper(FromWide(*name)) != wanted)
                continue;
            const auto timer = parameters.Number(L"LatencyTimer");
            if (!timer || *timer > 255)
                return std::nullopt;
            return static_cast<int>(*timer);
        }
    }
    return std::nullopt;
}

} // namespace win32

std::optional<AdapterLatency> ReadAdapterLatency(const std::string& devicePath)
{
    const auto timer =
        win32::FtdiLatencyTimer(win32::RegistryRoot::LocalMachine, win32::kFtdiEnumKey, win32::PortNameOf(devicePath));
    if (!timer)
        return std::nullopt;
    return AdapterLatency{*timer, 2, LatencyRemedy::PortSettings};
}

} // namespace tavelin::link
