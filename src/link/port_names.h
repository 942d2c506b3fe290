// SPDX-License-Identifier: MIT
// The device behind COM1..COM4 and why it is that one: the name in
// TAVELIN_COMn, else the device this user chose in the settings dialog, else
// the one chosen there for all users of this PC, else the standard device
// (the n-th serial device on other systems than Windows, COMn on Windows).
// Also the one wording of why a port would not open, for standard error and
// for the manual window's message details. What differs between the systems
// (the standard device, the form a name is opened by, a device's rights) is
// in port_names_posix.cpp and port_names_win32.cpp.
#pragma once

#include "serial_port.h"
#include "settings/device_choices.h"
#include "settings/status.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavelin::link {

// Chosen: by this user; ChosenForPc: for all users of this PC.
// SettingsUnreadable: no variable and no choice known, because a file that
// keeps the choices could not be read; such a COM name opens nothing.
enum class DeviceSource { Environment, Chosen, ChosenForPc, Default, SettingsUnreadable };

struct PortDevice {
    std::string path;
    DeviceSource source = DeviceSource::Default;
};

PortDevice ResolvePortDevice(int commPort, const settings::DeviceChoices& choices);

inline std::string PortDeviceName(int commPort, const settings::DeviceChoices& choices)
{
    return ResolvePortDevice(commPort, choices).path;
}

// The variable that names COM`commPort`'s device ("TAVELIN_COM1"); a
// scheduled task or a test rig sets it for its own run.
std::string DeviceVariable(int commPort);

// Each system's own: the device COM`commPort` opens when nothing else names
// one, and the form a named device is opened by ("COM3" is "\\.\COM3" on
// Windows, as that form opens COM10 and above too).
std::string StandardDevice(int commPort);
std::string SystemDeviceName(const std::string& name);

// Why COM`commPort` got its device, for the batch start line and --help:
// "TAVELIN_COM1", "chosen in 設定", "chosen in 設定 for this PC" or
// "default".
std::string DeviceSourceText(int commPort, DeviceSource source);

// `name` fit for a line of its own: control characters and bytes that are not
// UTF-8 written as \n, \t, \r or \xNN, so that a name cannot start a line
// or move the terminal's cursor.
std::string QuotedName(std::string_view name);

// The device as messages name it: quoted, or "no device" for none.
std::string DeviceLabel(const PortDevice& device);

// Done when `device` may be opened, else failed with why it must not be at all,
// one sentence after "COMn (device): ". Names are opened as the exact bytes given, so one that holds a NUL
// (which would cut it short), a control character or bytes that are not UTF-8
// (U+FFFD included: what a settings reader makes of such bytes), or that is
// longer than a lock file can name, is refused with the reason; so is a COM
// name whose choice is unknown because the settings file could not be read.
Status MayOpenDevice(int commPort, const PortDevice& device, const settings::DeviceChoices& choices);

// One line for each COM name: "  COM1  /dev/ttyUSB0  (chosen in 設定)".
std::string PortDeviceTable(const settings::DeviceChoices& choices);

// The group that owns `device`, or empty when it cannot be told.
std::string DeviceGroup(const std::string& device);

// Qt reports a port locked by another program (its lock file, or TIOCEXCL
// refusing with EBUSY) as a permission error. A device this user may read
// and write cannot have refused for permission, so it is in use. On Windows
// a refused COM port is always one in use.
OpenError TellDeniedApart(const std::string& device);

// A device in use, one sentence after "COMn (device): ", naming its holder
// ("process 123 (tavelin)") when it is known.
std::string InUseText(const std::string& holder);

// What went wrong opening `device` of COM`commPort` and what to do about it,
// one sentence after "COMn (device): ". `systemWords` is the operating
// system's own text; `systemDevices` the devices to offer when it is missing,
// and `source` where the operator changes the device.
std::string PortOpenFailureText(OpenError error, int commPort, const std::string& device,
                                const std::string& systemWords, const std::vector<std::string>& systemDevices,
                                DeviceSource source);

// "COMn (device): reason", the one line that says which port failed and why;
// an empty reason reads "cannot be opened".
std::string PortFailureLine(int commPort, const settings::DeviceChoices& choices, const std::string& reason);

} // namespace tavelin::link
