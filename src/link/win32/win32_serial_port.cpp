// SPDX-License-Identifier: MIT
#include "win32_serial_port.h"

#include "link/port_names.h"
#include "link/system/adapter_timer.h"
#include "link/system/serial_devices.h"
#include "link/system/wide_text.h"
#include "overlapped.h"
#include "state_block.h"

#include <windows.h>

#include <algorithm>

namespace tavelin::link {

namespace {

// A write that the device has not taken after this long is given up: the far
// end does not read, and the caller must not hang on it.
constexpr DWORD kWriteTimeoutMs = 1000;
// What a driver may take beyond the line time to report its buffer empty.
constexpr Millis kDrainMargin{100};
// How long bytes the driver already holds may take to be handed over.
constexpr DWORD kHandOverMs = 100;
// What one read takes of what the driver holds; the rest comes with the next.
constexpr std::size_t kLargestRead = 4096;

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

Win32SerialPort::Win32SerialPort(EventPump& pump)
    : pump_(pump), arrival_(std::make_unique<win32::Overlapped>()), sending_(std::make_unique<win32::Overlapped>())
{
}

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
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
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
    // A read ends when all its bytes have come, however long that takes: the
    // waiting read asks for one, and the reads after it for what the driver
    // holds. The deadlines are the pump's.
    COMMTIMEOUTS timeouts{};
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
    watched_ = pump_.Watch(arrival_->Event(), [this] { TakeArrived(); }) &&
        pump_.Watch(sending_->Event(), [this] { TakeSent(); });
    WaitForBytes();
    return {};
}

void Win32SerialPort::Close()
{
    if (handle_) {
        pump_.Unwatch(arrival_->Event());
        pump_.Unwatch(sending_->Event());
        // Both are over before the handle goes: no completion comes later.
        arrival_->Cancel(Native(handle_));
        sending_->Cancel(Native(handle_));
        CloseHandle(Native(handle_));
    }
    handle_ = nullptr;
    watched_ = false;
    received_.clear();
    latency_.reset();
}

void Win32SerialPort::GoneAway()
{
    lost_ = true;
    Close();
}

// The one read the driver holds while the port is open: a byte, so that it
// ends, and wakes the pump, as soon as anything arrives.
void Win32SerialPort::WaitForBytes()
{
    if (handle_ && !arrival_->StartRead(Native(handle_), 1))
        GoneAway();
}

// A waiting read that ended brings its byte, and what came with it is taken
// from the driver at once; then the next one waits. A read that failed is the
// device itself (a USB adapter pulled, under Wine the far side of the
// pseudo-terminal closed): a line error never fails a read with these
// settings, and the port's own cancellations are collected where they are
// made.
void Win32SerialPort::TakeArrived()
{
    if (!handle_ || !arrival_->Ended())
        return;
    const win32::Overlapped::End first = arrival_->Collect(Native(handle_));
    if (first.error != ERROR_SUCCESS) {
        GoneAway();
        return;
    }
    received_.insert(received_.end(), first.bytes.begin(), first.bytes.end());
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(Native(handle_), &errors, &status)) {
        GoneAway();
        return;
    }
    if (status.cbInQue > 0 && arrival_->StartRead(Native(handle_), std::min<std::size_t>(status.cbInQue, kLargestRead))) {
        // The bytes are there: the read ends at once, or is given up with
        // what it took.
        const win32::Overlapped::End rest =
            arrival_->WaitEnded(kHandOverMs) ? arrival_->Collect(Native(handle_)) : arrival_->Cancel(Native(handle_));
        received_.insert(received_.end(), rest.bytes.begin(), rest.bytes.end());
        if (rest.error != ERROR_SUCCESS && rest.error != ERROR_OPERATION_ABORTED) {
            GoneAway();
            return;
        }
    }
    WaitForBytes();
}

// Bytes the driver holds while the waiting read has not ended yet (it ends
// when the thread next sleeps): waited for briefly, so that what arrived in
// time counts. The Qt port takes them from its driver likewise.
void Win32SerialPort::TakeWaiting()
{
    COMSTAT status{};
    DWORD errors = 0;
    if (!handle_ || arrival_->Ended() || !ClearCommError(Native(handle_), &errors, &status) || status.cbInQue == 0) {
        TakeArrived();
        return;
    }
    arrival_->WaitEnded(kHandOverMs);
    TakeArrived();
}

// A write that ended says how many bytes the driver took. One that failed
// otherwise than by the write time-out is the device gone.
void Win32SerialPort::TakeSent()
{
    if (!handle_ || !sending_->Ended())
        return;
    const win32::Overlapped::End end = sending_->Collect(Native(handle_));
    if (end.error != ERROR_SUCCESS && end.error != ERROR_SEM_TIMEOUT && end.error != ERROR_TIMEOUT)
        GoneAway();
}

// What has arrived: what the waiting read and those after it have taken,
// or, when that is nothing, what the driver has now.
std::size_t Win32SerialPort::InBufferCount()
{
    TakeArrived();
    if (received_.empty())
        TakeWaiting();
    return received_.size();
}

// A byte the waiting read has taken is as old as those the driver drops, so
// that read goes too, and a new one waits for what comes after. A read still
// waiting has taken nothing and waits on for what comes after the driver's
// bytes are dropped: cancelling and starting it again for every poll of a
// silent hand-held would cost half a dozen calls more, each a trip to the
// server under Wine. One that ended while they were dropped took a byte as
// old as they were.
void Win32SerialPort::DiscardInput()
{
    received_.clear();
    if (!handle_)
        return;
    if (arrival_->Pending() && !arrival_->Ended()) {
        PurgeComm(Native(handle_), PURGE_RXCLEAR);
        if (!arrival_->Ended())
            return;
    }
    arrival_->Cancel(Native(handle_));
    PurgeComm(Native(handle_), PURGE_RXCLEAR);
    WaitForBytes();
}

// Waits in the pump, which wakes when the waiting read ends. A pump that
// cannot watch the read's event is let run in slices of kLongestPoll.
void Win32SerialPort::WaitInPump(const Deadline& deadline, const std::function<bool()>& done)
{
    while (!done() && !deadline.Expired()) {
        const auto wake = watched_ ? deadline.End() : std::min(deadline.End(), pump_.Now() + kLongestPoll);
        pump_.RunUntil(wake, done);
    }
}

ReadResult Win32SerialPort::Read(std::size_t count, Bytes& out)
{
    const auto enough = [&] {
        TakeArrived();
        return !handle_ || received_.size() >= count;
    };
    WaitInPump(Deadline(pump_, Millis(inTimeout_)), enough);
    if (handle_ && received_.size() < count)
        TakeWaiting(); // arrived in time, not yet handed over
    if (!handle_ || lost_ || received_.size() < count)
        return ReadResult::TimedOut;
    const auto end = received_.begin() + static_cast<std::ptrdiff_t>(count);
    out.assign(received_.begin(), end);
    received_.erase(received_.begin(), end);
    return ReadResult::Ok;
}

// The driver ends the write once it has sent the bytes, or after the write
// time-out when nobody takes them; the pump runs meanwhile. A write that
// does not end even then is given up: waiting longer helps nobody.
void Win32SerialPort::Write(std::span<const std::uint8_t> bytes)
{
    if (!handle_ || bytes.empty())
        return;
    if (sending_->Pending()) {
        // Written from an event handler while another write waits in the
        // pump: that one ends first, as the two share a buffer and an event.
        sending_->WaitEnded(kWriteTimeoutMs);
        TakeSent();
        if (!handle_)
            return;
        sending_->Cancel(Native(handle_));
    }
    if (!sending_->StartWrite(Native(handle_), bytes)) {
        GoneAway();
        return;
    }
    const Deadline sent(pump_, LineTime(bytes.size()) + Millis(kWriteTimeoutMs) + kDrainMargin);
    WaitInPump(sent, [&] {
        TakeSent();
        return !handle_ || !sending_->Pending();
    });
    if (handle_)
        sending_->Cancel(Native(handle_));
    // Callers that hold CTS then wait in the pump for the driver's buffer to
    // drain. A driver that still counts bytes once the write has ended is
    // asked again in slices, within their line time and a little more, so
    // that their wait finds it empty instead of lasting to its deadline.
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
