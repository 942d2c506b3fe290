// SPDX-License-Identifier: MIT
// The real serial port, on Qt SerialPort. A read waits in the event pump until
// its bytes have arrived or InTimeout passes; line states a device does not
// have (a pseudo-terminal has no DTR or RTS) are ignored. A failure to open is
// reported with the operating system's reason; a device that goes away while
// open is closed at once (its notifier would otherwise fire without end) and
// reported through Lost(). While open, the driver is asked for low latency
// (link/tty_low_latency.h), and the flag is given back at the close.
#pragma once

#include "link/event_pump.h"
#include "link/line_settings.h"
#include "link/serial_port.h"
#include "link/tty_low_latency.h"
#include "settings/device_choices.h"

#include <QSerialPort>

#include <optional>

namespace tavelin::link {

class QtSerialPort final : public SerialPort {
public:
    explicit QtSerialPort(EventPump& pump, TtyControl& tty = SystemTtyControl());
    ~QtSerialPort() override { Close(); } // the driver's flag goes back even without a Close
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    void SetCommPort(int number) override { commPort_ = number; }
    // The devices chosen for the COM names; the object must outlive the port.
    void UseDeviceChoices(const settings::DeviceChoices& choices) { choices_ = &choices; }
    void SetSettings(const std::string& text) override;
    OpenResult Open() override;
    void Close() override;
    bool IsOpen() const override { return port_.isOpen(); }
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

private:
    OpenResult OpenClosed();
    void Apply(const LineSettings& line);
    void OnError(QSerialPort::SerialPortError error);
    bool HungUp();
    void TakeWaiting();
    // Runs a modem-line call unless the device has shown it has no lines;
    // false when the call failed.
    template <class Call>
    bool OnModemLines(Call call);

    EventPump& pump_;
    QSerialPort port_;
    std::optional<LineSettings> settings_;
    int commPort_ = 1;
    const settings::DeviceChoices* choices_ = nullptr;
    int inTimeout_ = 1000;
    bool lost_ = false;
    OpenError lastOpenError_ = OpenError::None;
    LowLatencyRequest lowLatency_;
    std::optional<AdapterLatency> latency_;
    // A pseudo-terminal has no modem lines, and asking costs a failed ioctl
    // and a formatted error every frame: once is enough for an open port.
    bool noModemLines_ = false;
};

template <class Call>
bool QtSerialPort::OnModemLines(Call call)
{
    if (!port_.isOpen() || noModemLines_)
        return false;
    port_.clearError();
    call();
    noModemLines_ = port_.error() != QSerialPort::NoError;
    port_.clearError();
    return !noModemLines_;
}

} // namespace tavelin::link
