// SPDX-License-Identifier: MIT
#include "port_names.h"

#include "settings/texts.h"

#include <algorithm>
#include <cstdlib>

namespace tavelin::link {

std::string DeviceVariable(int commPort) { return "TAVELIN_COM" + std::to_string(commPort); }

PortDevice ResolvePortDevice(int commPort, const settings::DeviceChoices& choices)
{
    // The variable stays first: a test rig, a wrapper script or a scheduled
    // task that sets it must not be overruled by what somebody once picked
    // in the dialog.
    const std::string variable = DeviceVariable(commPort);
    if (const char* path = std::getenv(variable.c_str()); path && *path)
        return {SystemDeviceName(path), DeviceSource::Environment};
    // The standard device is not what the operator chose: better no run
    // than one on the wrong port that ends as if nothing answered.
    if (const std::string chosen = choices.For(commPort); !chosen.empty())
        return {SystemDeviceName(chosen), DeviceSource::Chosen};
    if (!choices.unreadable.empty())
        return {"", DeviceSource::SettingsUnreadable};
    if (const std::string chosen = choices.MachineFor(commPort); !chosen.empty())
        return {SystemDeviceName(chosen), DeviceSource::ChosenForPc};
    if (!choices.machineUnreadable.empty())
        return {"", DeviceSource::SettingsUnreadable};
    return {StandardDevice(commPort), DeviceSource::Default};
}

std::string DeviceSourceText(int commPort, DeviceSource source)
{
    switch (source) {
    case DeviceSource::Environment: return "TAVELIN_COM" + std::to_string(commPort);
    case DeviceSource::Chosen: return std::string("chosen in ") + std::string(texts::kCaptionSettings);
    case DeviceSource::ChosenForPc:
        return std::string("chosen in ") + std::string(texts::kCaptionSettings) + " for this PC";
    case DeviceSource::SettingsUnreadable: return "the settings file cannot be read";
    case DeviceSource::Default: break;
    }
    return "default";
}

namespace {

struct Decoded {
    char32_t code = 0;
    std::size_t length = 0; // 0: the bytes at that place are not UTF-8
};

// The character whose UTF-8 form starts at `at`; overlong forms, surrogates
// and cut sequences are not UTF-8.
Decoded DecodeUtf8(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return {lead, 1};
    const std::size_t length = lead >= 0xF5 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || at + length > text.size())
        return {};
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return {};
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {};
    return {code, length};
}

// C0 and C1 controls and DEL: each can end a line or steer a terminal.
bool IsControl(char32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

std::string Escaped(unsigned char byte)
{
    switch (byte) {
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: break;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    return {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
}

// The port is locked with a file named after the whole path ("LCK.." and the
// path, its separators made underscores), and a file name has at most 255
// bytes; no device path comes near this.
constexpr std::size_t kMaxDeviceName = 250;

// Failed with what is wrong with the name itself.
Status UsableName(std::string_view name)
{
    for (std::size_t at = 0; at < name.size();) {
        if (name[at] == '\0')
            return Status::Failed("holds a NUL byte, which would cut it short");
        const Decoded next = DecodeUtf8(name, at);
        if (next.length == 0 || next.code == 0xFFFD)
            return Status::Failed("is not valid UTF-8");
        if (IsControl(next.code))
            return Status::Failed("holds a control character");
        at += next.length;
    }
    if (name.size() > kMaxDeviceName)
        return Status::Failed("is too long (" + std::to_string(name.size()) + " bytes; at most " +
                              std::to_string(kMaxDeviceName) + ")");
    return Status::Ok();
}

} // namespace

std::string QuotedName(std::string_view name)
{
    std::string quoted;
    for (std::size_t at = 0; at < name.size();) {
        const Decoded next = DecodeUtf8(name, at);
        if (next.length > 0 && !IsControl(next.code)) {
            quoted += name.substr(at, next.length);
            at += next.length;
            continue;
        }
        // A C1 control is two bytes; anything that is not UTF-8 goes byte by byte.
        for (const std::size_t end = at + std::max<std::size_t>(next.length, 1); at < end; ++at)
            quoted += Escaped(static_cast<unsigned char>(name[at]));
    }
    return quoted;
}

std::string DeviceLabel(const PortDevice& device)
{
    return device.path.empty() ? std::string("no device") : QuotedName(device.path);
}

std::string PortDeviceTable(const settings::DeviceChoices& choices)
{
    std::string table;
    for (int port = 1; port <= settings::kComNames; ++port) {
        const PortDevice device = ResolvePortDevice(port, choices);
        std::string why = device.source == DeviceSource::SettingsUnreadable ? choices.WhyUnknown()
                                                                             : DeviceSourceText(port, device.source);
        if (const Status name = UsableName(device.path); !name)
            why += "; refused: the name " + name.Reason();
        table += "  COM" + std::to_string(port) + "  " + DeviceLabel(device) + "  (" + why + ")\n";
    }
    return table;
}

namespace {

// The groups the distributions give serial devices to: dialout (Debian,
// Fedora, openSUSE) and uucp (Arch). Membership of one of them opens the
// serial ports and nothing else.
bool IsSerialGroup(std::string_view group) { return group == "dialout" || group == "uucp"; }

// Where the operator names another device for COM`commPort`.
std::string WhereToChange(int commPort, DeviceSource source)
{
    const std::string com = "COM" + std::to_string(commPort);
    const std::string dialog = std::string(texts::kCaptionSettings) + " (" + std::string(texts::kTabComm) + ")";
    switch (source) {
    case DeviceSource::Environment: return "TAVELIN_" + com + " names the device " + com + " opens";
    case DeviceSource::Chosen: return "the device " + com + " opens was chosen in " + dialog;
    case DeviceSource::ChosenForPc:
        return "the device " + com + " opens was chosen in " + dialog + " for all users of this PC";
    case DeviceSource::SettingsUnreadable:
    case DeviceSource::Default: break;
    }
    return "choose the device " + com + " opens in " + dialog + " or set " + DeviceVariable(commPort);
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
            return std::string(texts::kPermissionNoGroup);
        std::string text = std::string(texts::kPermissionSerialGroupPrefix) + group;
        if (!IsSerialGroup(group))
            return text + std::string(texts::kPermissionOtherGroupEnd);
        return text + std::string(texts::kPermissionSerialGroupJoin) + group +
               std::string(texts::kPermissionSerialGroupEnd);
    }
    case OpenError::InUse:
        return InUseText("");
    case OpenError::None: return "";
    case OpenError::BadSettings:
    case OpenError::Other: break;
    }
    return systemWords.empty() ? "cannot be opened" : "cannot be opened: " + systemWords;
}

std::string InUseText(const std::string& holder)
{
    return "in use by " + (holder.empty() ? std::string("another program") : holder) +
           "; end that program or choose another port";
}

Status MayOpenDevice(int commPort, const PortDevice& device, const settings::DeviceChoices& choices)
{
    if (device.source == DeviceSource::SettingsUnreadable) {
        const std::string com = "COM" + std::to_string(commPort);
        return Status::Failed(choices.WhyUnknown() + ", so the device chosen for " + com +
                              " is not known (mend or remove that file, or set " + DeviceVariable(commPort) + ")");
    }
    const Status name = UsableName(device.path);
    if (name)
        return name;
    return Status::Failed("refused: the device name " + name.Reason() + " (" +
                          WhereToChange(commPort, device.source) + ")");
}

std::string PortFailureLine(int commPort, const settings::DeviceChoices& choices, const std::string& reason)
{
    return "COM" + std::to_string(commPort) + " (" + DeviceLabel(ResolvePortDevice(commPort, choices)) + "): " +
           (reason.empty() ? std::string("cannot be opened") : reason);
}

} // namespace tavelin::link
