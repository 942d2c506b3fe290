// SPDX-License-Identifier: MIT
#include "serial_devices.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tavelin::link {

namespace fs = std::filesystem;

std::vector<std::string> SystemSerialDevices()
{
    std::vector<std::string> devices;
    std::error_code error;
    for (fs::directory_iterator it("/sys/class/tty", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        if (!fs::exists(it->path() / "device", ignored))
            continue; // virtual consoles and pseudo-terminals
        // A PC names four ttyS whether or not a UART is fitted; type 0 is none.
        if (name.rfind("ttyS", 0) == 0) {
            std::ifstream typeFile(it->path() / "type");
            int type = 0;
            if (!(typeFile >> type) || type == 0)
                continue;
        }
        if (fs::exists("/dev/" + name, ignored))
            devices.push_back("/dev/" + name);
    }
    std::sort(devices.begin(), devices.end());
    return devices;
}

std::string StableDeviceName(const std::string& device, const std::string& byIdDir)
{
    std::error_code error;
    const fs::path real = fs::canonical(device, error);
    if (error)
        return device;
    std::vector<std::string> names;
    for (fs::directory_iterator it(byIdDir, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (fs::canonical(it->path(), ignored) == real && !ignored)
            names.push_back(it->path().string());
    }
    // An adapter with several interfaces has several names; take the same
    // one every time.
    if (!names.empty())
        return *std::min_element(names.begin(), names.end());
    return device;
}

} // namespace tavelin::link
