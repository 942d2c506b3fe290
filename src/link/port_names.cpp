// SPDX-License-Identifier: MIT
#include "port_names.h"

#include "settings/texts.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavelin::link {

PortDevice ResolvePortDevice(int commPort, const settings::DeviceChoices& choices)
{
    const std::string number = std::to_string(commPort);
    const std::string chosen = choices.For(commPort);
#ifdef _WIN32
    // The device namespace form opens COM10 and above too.
    if (!chosen.empty())
        return {chosen.rfind("\\\\", 0) == 0 ? chosen : "\\\\.\\" + chosen, DeviceSource::Chosen};
    return {"\\\\.\\COM" + number, DeviceSource::Default};
#else
    // The variable stays first: a test rig or a wrapper script that sets it
    // must not be overruled by what somebody once picked in the dialog.
    const std::string variable = "TAVELIN_COM" + number;
    if (const char* path = std::getenv(variable.c_str()); path && *path)
        return {path, DeviceSource::Environment};
    if (!chosen.empty())
        return {chosen, DeviceSource::Chosen};
    return {"/dev/ttyS" + std::to_string(commPort - 1), DeviceSource::Default};
#endif
}

std::string DeviceSourceText(int commPort, DeviceSource source)
{
    switch (source) {
    case DeviceSource::Environment: return "TAVELIN_COM" + std::to_string(commPort);
    case DeviceSource::Chosen: return std::string("chosen in ") + std::string(texts::kCaptionSettings);
    case DeviceSource::Default: break;
    }
    return "default";
}

std::string PortDeviceTable(const settings::DeviceChoices& choices)
{
    std::string table;
    for (int port = 1; port <= settings::kComNames; ++port) {
        const PortDevice device = ResolvePortDevice(port, choices);
        table += "  COM" + std::to_string(port) + "  " + device.path + "  (" + DeviceSourceText(port, device.source) +
                 ")\n";
    }
    return table;
}

std::vector<std::string> SystemSerialDevices()
{
    std::vector<std::string> devices;
#ifndef _WIN32
    namespace fs = std::filesystem;
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
#endif
    return devices;
}

std::string StableDeviceName(const std::string& device, const std::string& byIdDir)
{
#ifndef _WIN32
    namespace fs = std::filesystem;
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
#else
    (void)byIdDir;
#endif
    return device;
}

std::string DeviceGroup(const std::string& device)
{
#ifndef _WIN32
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0)
        return "";
    // getgrgid's record is enough here: one thread, read at once.
    if (const group* owner = ::getgrgid(info.st_gid))
        return owner->gr_name;
    return std::to_string(info.st_gid);
#else
    (void)device;
    return "";
#endif
}

OpenError TellDeniedApart(const std::string& device)
{
#ifndef _WIN32
    if (::access(device.c_str(), R_OK | W_OK) == 0)
        return OpenError::InUse;
    return OpenError::NoPermission;
#else
    // A COM port has no per-user rights: Windows refuses a port that
    // another program holds open with "access denied".
    (void)device;
    return OpenError::InUse;
#endif
}

namespace {

// Where the operator names another device for COM`commPort`.
std::string WhereToChange(int commPort, DeviceSource source)
{
    const std::string com = "COM" + std::to_string(commPort);
    const std::string dialog = std::string(texts::kCaptionSettings) + " (" + std::string(texts::kTabComm) + ")";
    switch (source) {
    case DeviceSource::Environment: return "TAVELIN_" + com + " names the device " + com + " opens";
    case DeviceSource::Chosen: return "the device " + com + " opens was chosen in " + dialog;
    case DeviceSource::Default: break;
    }
#ifdef _WIN32
    // No variable is read here: the dialog is the one place.
    return "choose the device " + com + " opens in " + dialog;
#else
    return "choose the device " + com + " opens in " + dialog + " or set TAVELIN_" + com;
#endif
}

} // namespace

std::string PortOpenFailureText(OpenError error, int commPort, const std::string& device,
                                const std::string& systemWords, const std::vector<std::string>& systemDevices,
                                DeviceSource source)
{
    switch (error) {
    case OpenError::NotFound: {
        std::string text = "no such device";
        if (systemDevices.empty()) {
            text += "; the system has no serial device";
        } else {
            text += "; the system's serial devices are ";
            for (std::size_t i = 0; i < systemDevices.size(); ++i)
                text += (i > 0 ? ", " : "") + systemDevices[i];
        }
        return text + " (" + WhereToChange(commPort, source) + ")";
    }
    case OpenError::NoPermission: {
        const std::string group = DeviceGroup(device);
        if (group.empty())
            return "permission denied: this user may not read and write the device";
        return "permission denied: the device belongs to group " + group + "; add the user to it (usermod -aG " +
               group + " USER) and log in again";
    }
    case OpenError::InUse:
        return "in use by another program; end that program or choose another port";
    case OpenError::None: return "";
    case OpenError::BadSettings:
    case OpenError::Other: break;
    }
    return systemWords.empty() ? "cannot be opened" : "cannot be opened: " + systemWords;
}

std::string PortFailureLine(int commPort, const settings::DeviceChoices& choices, const std::string& reason)
{
    return "COM" + std::to_string(commPort) + " (" + PortDeviceName(commPort, choices) + "): " +
           (reason.empty() ? std::string("cannot be opened") : reason);
}

} // namespace tavelin::link
