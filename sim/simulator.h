// SPDX-License-Identifier: MIT
// A simulated hand-held terminal: it answers the PC's frames for a set of IDs,
// each with a directory of files, and can inject line faults. The protocol
// machine knows no transport: it is fed the bytes that arrive, hands out the
// bytes to send, and names the moment it next wants to run (to send again a
// frame the PC has not acknowledged). Attach() runs it in-process on a
// MemoryPort and virtual time; the tavelin-hhtsim executable runs it on a
// pseudo-terminal or a serial device.
#pragma once

#include "link/memory_port.h"
#include "sim_config.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tavelin::sim {

class AdapterHold;
class Machine;

class Simulator {
public:
    explicit Simulator(SimConfig config);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // In-process: answers what the program writes to the port, on the port's
    // virtual pump, with the configured line rate, and with the configured
    // adapter holding what goes toward the program. The port must outlive the
    // simulator's use of it.
    void Attach(link::MemoryPort& port);

    // In-process: the hand-held stops reading for a while, as one busy with
    // something else. What the program sends meanwhile waits on the line and
    // is answered, in order, when the pause is over; its own timers wait too.
    // The same pause as FaultOptions::pauseBeforeReceived, at a moment the
    // test chooses; one asked for during a pause follows it.
    void Pause(link::Clock::duration length);

    // Any transport: bytes arrived at `now`; run a due timer; take what to send.
    void Feed(std::span<const std::uint8_t> bytes, link::Clock::time_point now);
    void Tick(link::Clock::time_point now);
    std::optional<link::Clock::time_point> NextDue() const;
    link::Bytes TakeOutput();
    // The speed the PC has set on the line now (0: unknown), for a hand-held
    // with its own speed (SimConfig::hhtBaud): TakeOutput garbles or drops
    // what it sends while the two differ. In-process, Attach reads it from
    // the port's settings.
    void SetPcBaud(int baud) { pcBaud_ = baud; }
    // FaultOptions::closeAfterReceived has come: the transport closes its end
    // (in-process, the port vanishes) and the machine is silent from now on.
    bool LineClosed() const;
    // FaultOptions::awayAfterReceived has come, once: the transport leaves the
    // line for this long and comes back on a new one (in-process, the port
    // vanishes for that long).
    std::optional<link::Clock::duration> TakeAway();

    // One line per exchange ("001 list: 130 files"), for the executable's log.
    void SetLogger(std::function<void(const std::string&)> logger);

    const Stats& GetStats() const;
    std::filesystem::path StoreOf(int id) const;

private:
    void ScheduleTimer();
    bool LeavesLine(); // in-process: the port goes away as the machine asked
    void SendThroughAdapter(const link::Bytes& bytes);
    void ScheduleHandOver();
    void Flush();
    link::Bytes Output(); // the machine's output as the PC's UART receives it

    std::unique_ptr<Machine> machine_;
    link::MemoryPort* port_ = nullptr;
    std::optional<link::Clock::time_point> scheduled_;
    int pcBaud_ = 0;
    std::unique_ptr<AdapterHold> adapter_;
    link::Clock::time_point lineFree_{}; // when the line toward the program has carried what it was given
    std::optional<link::Clock::time_point> handOverScheduled_;
};

} // namespace tavelin::sim
