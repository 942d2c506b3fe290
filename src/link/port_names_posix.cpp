// SPDX-License-Identifier: MIT
// The COM name → device rule and a device's rights on POSIX systems.
#include "port_names.h"

#include <cstdlib>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::link {

std::string DeviceVariable(int commPort) { return "TAVELIN_COM" + std::to_string(commPort); }

PortDevice ResolvePortDevice(int commPort, const settings::DeviceChoices& choices)
{
    // The variable stays first: a test rig or a wrapper script that sets it
    // must not be overruled by what somebody once picked in the dialog.
    const std::string variable = DeviceVariable(commPort);
    if (const char* path = std::getenv(variable.c_str()); path && *path)
        return {path, DeviceSource::Environment};
    if (const std::string chosen = choices.For(commPort); !chosen.empty())
        return {chosen, DeviceSource::Chosen};
    // The standard device is not what the operator chose: better no run
    // than one on the wrong port that ends as if nothing answered.
    if (!choices.unreadable.empty())
        return {"", DeviceSource::SettingsUnreadable};
    return {"/dev/ttyS" + std::to_string(commPort - 1), DeviceSource::Default};
}

std::string DeviceGroup(const std::string& device)
{
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0)
        return "";
    // getgrgid's record is enough here: one thread, read at once.
    if (const group* owner = ::getgrgid(info.st_gid))
        return owner->gr_name;
    return std::to_string(info.st_gid);
}

OpenError TellDeniedApart(const std::string& device)
{
    if (::access(device.c_str(), R_OK | W_OK) == 0)
        return OpenError::InUse;
    return OpenError::NoPermission;
}

} // namespace tavelin::link
