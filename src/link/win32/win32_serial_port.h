// SPDX-License-Identifier: MIT
// The real serial port on Windows, on the Win32 communications API, with
// overlapped I/O: while the port is open one read of a byte waits in the
// driver, and the event pump sleeps on its event (EventPump::Watch), so bytes
// are taken when they arrive and the windows keep running while a hand-held
// thinks; what came with that byte is taken at once. A write waits in the
// pump until the driver has sent it (or given it up after its time-out). No
// comm events are used: under Wine they end at once without a modem line to
// ask, as on a pseudo-terminal. Errors are reported as the Qt port reports
// them on other systems: missing, in use, bad settings; a device that goes
// away while open (its waiting read fails) is closed at once and reported
// through Lost(). Once open, the FTDI driver's latency timer of the port is
// read from the registry (AdapterLatencyTimer).
#pragma once

#include "link/event_pump.h"
#include "link/line_settings.h"
#include "link/serial_port.h"
#include "settings/device_choices.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace tavelin::link {

namespace win32 {
class Overlapped;
}

class Win32SerialPort final : public SerialPort {
public:
    explicit Win32SerialPort(EventPump& pump);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    void SetCommPort(int number) override { commPort_ = number; }
    // The devices chosen for the COM names; the object must outlive the port.
    void UseDeviceChoices(const settings::DeviceChoices& choices) { choices_ = &choices; }
    void SetSettings(const std::string& text) override;
    OpenResult Open() override;
    void Close() override;
    bool IsOpen() const override { return handle_ != nullptr; }
    void SetDtr(bool on) override;
    void SetRts(bool on) override;
    void SetInTimeout(int milliseconds) override { inTimeout_ = milliseconds; }
    int InTimeout() const override { return inTimeout_; }
    std::size_t InBufferCount() override;
    void DiscardInput() override;
    ReadResult Read(std::size_t count, Bytes& out) override;
    void Write(std::span<const std::uint8_t> bytes) override;
    bool CtsHolding() override;
    std::size_t OutBufferCount() override;
    bool Lost() const override { return lost_; }
    std::optional<AdapterLatency> AdapterLatencyTimer() const override { return latency_; }
    OpenError LastOpenError() const override { return lastOpenError_; }

    // The longest slice of a wait for a pump that cannot watch the port's
    // events: what a hand-held's answer may be late by there.
    static constexpr Millis kLongestPoll{10};

private:
    OpenResult OpenClosed();
    void Apply(const LineSettings& line);
    void WaitForBytes();
    void TakeArrived();
    void TakeWaiting();
    void TakeSent();
    void WaitInPump(const Deadline& deadline, const std::function<bool()>& done);
    void GoneAway();
    // Runs a modem-line call unless the device has shown it has no lines;
    // false when the call failed.
    template <class Call>
    bool OnModemLines(Call call);
    Millis LineTime(std::size_t bytes) const;

    EventPump& pump_;
    void* handle_ = nullptr; // the open device, or none
    // The waiting read (and the reads of what came with its byte), the write.
    const std::unique_ptr<win32::Overlapped> arrival_;
    const std::unique_ptr<win32::Overlapped> sending_;
    bool watched_ = false; // the pump wakes on their events
    std::deque<std::uint8_t> received_;
    std::optional<LineSettings> settings_;
    int commPort_ = 1;
    const settings::DeviceChoices* choices_ = nullptr;
    int inTimeout_ = 1000;
    bool lost_ = false;
    OpenError lastOpenError_ = OpenError::None;
    std::optional<AdapterLatency> latency_;
    // What the program last set; the state block is written with them.
    bool dtr_ = true;
    bool rts_ = true;
    // A device without modem lines (an emulated port, a pseudo-terminal under
    // Wine) fails every such call: once is enough for an open port.
    bool noModemLines_ = false;
};

template <class Call>
bool Win32SerialPort::OnModemLines(Call call)
{
    if (!handle_ || noModemLines_)
        return false;
    noModemLines_ = !call();
    return !noModemLines_;
}

} // namespace tavelin::link
