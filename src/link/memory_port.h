// SPDX-License-Identifier: MIT
// An in-memory serial port on virtual time, for tests and the in-process
// simulator. The program's side is the SerialPort interface; the far side
// (a simulated hand-held or a test) receives what the program writes through
// a callback and answers with SendFromPeer. An optional line rate (10 bits a
// byte) delays bytes in both directions as a real line would. Every call that
// changes the port is recorded, so tests can check the order of line states.
#pragma once

#include "serial_port.h"
#include "virtual_pump.h"

#include <functional>
#include <string>
#include <vector>

namespace tavelin::link {

class MemoryPort final : public SerialPort {
public:
    explicit MemoryPort(VirtualPump& pump) : pump_(pump) {}

    // --- the program's side
    void SetCommPort(int number) override;
    void SetSettings(const std::string& text) override;
    OpenResult Open() override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    void SetDtr(bool on) override;
    void SetRts(bool on) override;
    void SetInTimeout(int milliseconds) override { inTimeout_ = milliseconds; }
    int InTimeout() const override { return inTimeout_; }
    std::size_t InBufferCount() override { return input_.size() - inputRead_; }
    void DiscardInput() override { ClearInput(); }
    ReadResult Read(std::size_t count, Bytes& out) override;
    void Write(std::span<const std::uint8_t> bytes) override;
    bool CtsHolding() override { return cts_; }
    std::size_t OutBufferCount() override;
    bool Lost() const override { return lost_; }
    std::optional<AdapterLatency> AdapterLatencyTimer() const override { return open_ ? latency_ : std::nullopt; }

    // --- the far side and the test's controls
    using Receiver = std::function<void(const Bytes&)>;
    void SetPeerReceiver(Receiver receiver) { receiver_ = std::move(receiver); }
    void SendFromPeer(std::span<const std::uint8_t> bytes); // arrives after the line time
    // Bytes that have crossed the line already (a USB adapter hands over what
    // it held): they arrive at once.
    void ArriveFromPeer(std::span<const std::uint8_t> bytes);
    void SetLineRate(int baud) { baud_ = baud; }             // 0: instant
    void SetCts(bool holding) { cts_ = holding; }
    void FailNextOpen(OpenResult result) { nextOpen_ = std::move(result); }
    // The USB serial adapter the port reports while open.
    void SetAdapterLatency(std::optional<AdapterLatency> latency) { latency_ = latency; }
    // The device goes away: the port is closed, what had arrived is gone, and
    // nothing more passes either way until the program opens it again. For
    // `away` from now the device is not there: opening it fails as a missing
    // device's does.
    void Vanish(Clock::duration away = Clock::duration::zero());

    const std::vector<std::string>& Calls() const { return calls_; } // "Open", "DTR 1", "Settings 9600,n,8,1"...
    const Bytes& Written() const { return written_; }                // everything the program wrote
    std::string CurrentSettings() const { return settings_; }
    int CommPort() const { return commPort_; }
    VirtualPump& Pump() { return pump_; }

private:
    Clock::duration LineTime(std::size_t bytes) const;
    void ClearInput()
    {
        input_.clear();
        inputRead_ = 0;
    }

    VirtualPump& pump_;
    std::vector<std::string> calls_;
    Bytes written_;
    // What has arrived and not been read: input_ from inputRead_ on. Reads
    // of a byte at a time only move the index; the buffer is emptied when
    // all of it has been read, and compacted when the read part is large.
    Bytes input_;
    std::size_t inputRead_ = 0;
    Receiver receiver_;
    std::string settings_;
    OpenResult nextOpen_;
    int commPort_ = 1;
    int inTimeout_ = 1000;
    int baud_ = 0;
    bool open_ = false;
    bool cts_ = true;
    bool lost_ = false;
    std::optional<AdapterLatency> latency_;
    Clock::time_point outLineFreeAt_{};
    Clock::time_point absentUntil_{};
    Clock::time_point inLineFreeAt_{};
};

} // namespace tavelin::link
