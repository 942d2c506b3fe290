// SPDX-License-Identifier: MIT
#include "win32_serial_port.h"

#include "link/port_names.h"
#include "link/system/adapter_timer.h"
#include "link/system/serial_devices.h"
#include "link/system/wide_text.h"
#include "state_block.h"

#include <windows.h>

#include <algorithm>

namespace tavelin::link {

namespace {

// A write that the device has not taken after this long is given up: the far
// end does not read, and the caller must not hang on it.
constexpr DWORD kWriteTimeoutMs = 1000;
// Each piece of a write holds about this much line time, so the pump runs
// between pieces even at 4800 bit/s.
constexpr int kWritePieceMs = 20;
constexpr Millis kShortestPoll{2};
// What a driver may take beyond the line time to report its buffer empty.
constexpr Millis kDrainMargin{100};

HANDLE Native(void* handle)
{
    return static_cast<HANDLE>(handle);
}

OpenError ToOpenError(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
        return OpenError::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return OpenError::NoPermission; // told apart below
    default: return OpenError::Other;
    }
}

} // namespace

Win32SerialPort::Win32SerialPort(EventPump& pump) : pump_(pump) {}

Win32SerialPort::~Win32SerialPort()
{
    Close();
}

Millis Win32SerialPort::LineTime(std::size_t bytes) const
{
    const int baud = settings_ ? settings_->baud : 9600;
    return Millis(static_cast<long long>(bytes) * 10 * 1000 / baud);
}

void Win32SerialPort::Apply(const LineSettings& line)
{
    DCB block{};
    block.DCBlength = sizeof block;
    if (!GetCommState(Native(handle_), &block))
        return;
    win32::SetStateBlock(block, line, dtr_, rts_);
    SetCommState(Native(handle_), &block); // a device that refuses a setting keeps its own
}

void Win32SerialPort::SetSettings(const std::string& text)
{
    const auto line = ParseLineSettings(text);
    if (!line)
        return; // an unusable text leaves the line as it is
    settings_ = line;
    if (handle_)
        Apply(*line);
}

OpenResult Win32SerialPort::Open()
{
    if (handle_)
        return {OpenError::InUse, "the port is already open"};
    const OpenResult opened = OpenClosed();
    lastOpenError_ = opened.error;
    return opened;
}

OpenResult Win32SerialPort::OpenClosed()
{
    if (!settings_)
        return {OpenError::BadSettings, "no usable line settings"};
    lost_ = false;
    noModemLines_ = false;
    received_.clear();
    const settings::DeviceChoices choices = choices_ ? *choices_ : settings::DeviceChoices{};
    const PortDevice device = ResolvePortDevice(commPort_, choices);
    if (const Status allowed = MayOpenDevice(commPort_, device, choices); !allowed)
        return {OpenError::Other, allowed.Reason()};
    const HANDLE handle = CreateFileW(win32::ToWide(device.path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        OpenError error = ToOpenError(code);
        if (error == OpenError::NoPermission)
            error = TellDeniedApart(device.path);
        const std::vector<std::string> ports =
            error == OpenError::NotFound ? ListedSerialDevices() : std::vector<std::string>{};
        return {error, PortOpenFailureText(error, commPort_, device.path, win32::SystemErrorText(code), ports,
                                           device.source)};
    }
    // A name that opens something else than a serial port (a file, NUL) has
    // no state block.
    DCB probe{};
    probe.DCBlength = sizeof probe;
    if (!GetCommState(handle, &probe)) {
        const std::string words = "not a serial port (" + win32::SystemErrorText(GetLastError()) + ")";
        CloseHandle(handle);
        return {OpenError::Other,
                PortOpenFailureText(OpenError::Other, commPort_, device.path, words, {}, device.source)};
    }
    // Reads return at once with what has arrived; waiting is the pump's.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!SetCommTimeouts(handle, &timeouts)) {
        const std::string words = win32::SystemErrorText(GetLastError());
        CloseHandle(handle);
        return {OpenError::Other,
                PortOpenFailureText(OpenError::Other, commPort_, device.path, words, {}, device.source)};
    }
    handle_ = handle;
    // Opening a serial device raises DTR and RTS elsewhere; the same here.
    dtr_ = true;
    rts_ = true;
    Apply(*settings_);
    latency_ = ReadAdapterLatency(device.path);
    return {};
}

void Win32SerialPort::Close()
{
    if (handle_)
        CloseHandle(Native(handle_));
    handle_ = nullptr;
    received_.clear();
    latency_.reset();
}

void Win32SerialPort::GoneAway()
{
    lost_ = true;
    Close();
}

bool Win32SerialPort::Fill()
{
    if (!handle_)
        return false;
    // With these time-outs a read of a working port never fails, whatever is
    // on the line: a failure is the device itself (a USB adapter pulled).
    std::uint8_t buffer[4096];
    DWORD got = 0;
    if (!ReadFile(Native(handle_), buffer, sizeof buffer, &got, nullptr)) {
        GoneAway();
        return false;
    }
    if (got > 0) {
        received_.insert(received_.end(), buffer, buffer + got);
        return true;
    }
    // Nothing, or nobody there any more: under Wine a port whose
    // pseudo-terminal lost its far side still reads nothing without fail,
    // but asking for the port's state fails (ERROR_NOT_READY).
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(Native(handle_), &errors, &status)) {
        GoneAway();
        return false;
    }
    return true;
}

// What has arrived: the bytes already taken from the driver, or, when there
// are none, what the driver has now. A receiver that asks before each byte
// so costs the driver one call per batch, not per byte.
std::size_t Win32SerialPort::InBufferCount()
{
    if (received_.empty())
        Fill();
    return received_.size();
}

void Win32SerialPort::DiscardInput()
{
    received_.clear();
    if (handle_)
        PurgeComm(Native(handle_), PURGE_RXCLEAR);
}

// The driver cannot wake the pump, so a read that needs more bytes asks it
// again after each slice: about the line time of what is missing, so a long
// frame is not asked for byte by byte, and never longer than kLongestPoll.
ReadResult Win32SerialPort::Read(std::size_t count, Bytes& out)
{
    const Deadline deadline(pump_, Millis(inTimeout_));
    const auto enough = [&] {
        if (received_.size() < count)
            Fill();
        return lost_ || received_.size() >= count;
    };
    while (handle_ && !enough()) {
        if (deadline.Expired())
            return ReadResult::TimedOut;
        const Millis slice = std::clamp(LineTime(count - received_.size()), kShortestPoll, kLongestPoll);
        pump_.RunUntil(std::min(deadline.End(), pump_.Now() + slice), [] { return false; });
    }
    if (!handle_ || lost_)
        return ReadResult::TimedOut;
    const auto end = received_.begin() + static_cast<std::ptrdiff_t>(count);
    out.assign(received_.begin(), end);
    received_.erase(received_.begin(), end);
    return ReadResult::Ok;
}

void Win32SerialPort::Write(std::span<const std::uint8_t> bytes)
{
    const std::size_t piece =
        std::max<std::size_t>(16, static_cast<std::size_t>(settings_ ? settings_->baud : 9600) * kWritePieceMs / 10000);
    for (std::size_t offset = 0; handle_ && offset < bytes.size();) {
        const DWORD size = static_cast<DWORD>(std::min(piece, bytes.size() - offset));
        DWORD written = 0;
        if (!WriteFile(Native(handle_), bytes.data() + offset, size, &written, nullptr)) {
            GoneAway();
            return;
        }
        if (written < size)
            return; // timed out: nobody takes the bytes, and waiting longer helps nobody
        offset += size;
        if (offset < bytes.size())
            pump_.YieldOnce();
    }
    // Callers that hold CTS wait in the pump for the driver's buffer to
    // drain, but no event tells the pump when it has: drained here, within
    // the bytes' line time and a little more, their wait finds it empty at
    // once instead of lasting to its deadline.
    const Deadline drained(pump_, LineTime(bytes.size()) + kDrainMargin);
    while (handle_ && OutBufferCount() > 0 && !drained.Expired())
        pump_.RunUntil(std::min(drained.End(), pump_.Now() + kLongestPoll), [] { return false; });
}

void Win32SerialPort::SetDtr(bool on)
{
    dtr_ = on;
    OnModemLines([&] { return EscapeCommFunction(Native(handle_), on ? SETDTR : CLRDTR) != 0; });
}

void Win32SerialPort::SetRts(bool on)
{
    rts_ = on;
    OnModemLines([&] { return EscapeCommFunction(Native(handle_), on ? SETRTS : CLRRTS) != 0; });
}

bool Win32SerialPort::CtsHolding()
{
    DWORD status = 0;
    const bool asked = OnModemLines([&] { return GetCommModemStatus(Native(handle_), &status) != 0; });
    return asked && (status & MS_CTS_ON) != 0;
}

std::size_t Win32SerialPort::OutBufferCount()
{
    COMSTAT status{};
    DWORD errors = 0;
    if (!handle_)
        return 0;
    if (!ClearCommError(Native(handle_), &errors, &status)) {
        GoneAway();
        return 0;
    }
    return status.cbOutQue;
}

} // namespace tavelin::link
