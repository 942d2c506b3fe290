// SPDX-License-Identifier: MIT
// The standard device for a COM name and a device's rights on POSIX systems.
#include "port_names.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::link {

std::string StandardDevice(int commPort) { return "/dev/ttyS" + std::to_string(commPort - 1); }

std::string SystemDeviceName(const std::string& name) { return name; }

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
