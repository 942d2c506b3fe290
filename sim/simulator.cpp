// SPDX-License-Identifier: MIT
#include "simulator.h"

#include "adapter_hold.h"
#include "machine.h"
#include "speed_mismatch.h"

#include "link/line_settings.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace tavelin::sim {

namespace {
// A line the hand-held closed does not come back while a test runs.
constexpr auto kClosedForGood = std::chrono::hours(24 * 365);
} // namespace

Simulator::Simulator(SimConfig config) : machine_(std::make_unique<Machine>(std::move(config))) {}
Simulator::~Simulator() = default;

void Simulator::Attach(link::MemoryPort& port)
{
    port_ = &port;
    if (machine_->Config().adapterLatency.count() > 0)
        adapter_ = std::make_unique<AdapterHold>(machine_->Config().adapterLatency);
    if (machine_->Config().lineBaud > 0)
        port.SetLineRate(machine_->Config().lineBaud);
    port.SetPeerReceiver([this](const link::Bytes& bytes) {
        if (machine_->LineClosed())
            return;
        const auto line = link::ParseLineSettings(port_->CurrentSettings());
        pcBaud_ = line ? line->baud : 0;
        machine_->Feed(bytes, port_->Pump().Now());
        if (!LeavesLine())
            Flush();
    });
}

void Simulator::Pause(link::Clock::duration length)
{
    machine_->Pause(port_->Pump().Now(), length);
    Flush();
}

void Simulator::Feed(std::span<const std::uint8_t> bytes, link::Clock::time_point now) { machine_->Feed(bytes, now); }
void Simulator::Tick(link::Clock::time_point now) { machine_->Tick(now); }
std::optional<link::Clock::time_point> Simulator::NextDue() const { return machine_->NextDue(); }
link::Bytes Simulator::TakeOutput() { return Output(); }

link::Bytes Simulator::Output()
{
    link::Bytes out = machine_->TakeOutput();
    const int own = machine_->Config().hhtBaud;
    if (own <= 0 || pcBaud_ <= 0 || own == pcBaud_ || out.empty())
        return out;
    if (machine_->Config().mismatch == MismatchAnswer::Silent)
        return {};
    return AsReceivedAt(out, own, pcBaud_);
}
bool Simulator::LineClosed() const { return machine_->LineClosed(); }

std::optional<link::Clock::duration> Simulator::TakeAway() { return machine_->TakeAway(); }

bool Simulator::LeavesLine()
{
    if (machine_->LineClosed())
        port_->Vanish(kClosedForGood);
    else if (const auto away = machine_->TakeAway())
        port_->Vanish(*away);
    else
        return false;
    return true;
}
void Simulator::SetLogger(std::function<void(const std::string&)> logger) { machine_->SetLogger(std::move(logger)); }
const Stats& Simulator::GetStats() const { return machine_->GetStats(); }
std::filesystem::path Simulator::StoreOf(int id) const { return machine_->StoreOf(id); }

// Sends what the machine produced and makes sure the pump wakes it when its
// timer falls due. The virtual pump cannot cancel an action, so a stale one
// finds the due time changed and does nothing.
void Simulator::Flush()
{
    if (const link::Bytes out = Output(); !out.empty()) {
        if (adapter_)
            SendThroughAdapter(out);
        else
            port_->SendFromPeer(out);
    }
    ScheduleTimer();
}

// The line carries the bytes to the adapter at the line rate; the adapter
// hands them to the port when its packet is full or its timer runs out.
void Simulator::SendThroughAdapter(const link::Bytes& bytes)
{
    const int baud = machine_->Config().lineBaud;
    const auto byteTime = baud > 0 ? std::chrono::duration_cast<link::Clock::duration>(
                                         std::chrono::duration<double>(10.0 / baud))
                                   : link::Clock::duration::zero();
    lineFree_ = std::max(lineFree_, port_->Pump().Now()) + byteTime * static_cast<link::Clock::rep>(bytes.size());
    adapter_->Push(bytes, lineFree_, byteTime);
    ScheduleHandOver();
}

void Simulator::ScheduleHandOver()
{
    const auto due = adapter_->NextDue();
    if (!due || due == handOverScheduled_)
        return;
    handOverScheduled_ = due;
    port_->Pump().Schedule(*due, [this, at = *due] {
        if (handOverScheduled_ == at)
            handOverScheduled_.reset();
        for (const auto& packet : adapter_->HandOvers(port_->Pump().Now())) {
            if (!packet.second.empty())
                port_->ArriveFromPeer(packet.second);
        }
        ScheduleHandOver();
    });
}

void Simulator::ScheduleTimer()
{
    const auto due = machine_->NextDue();
    if (!due || due == scheduled_)
        return;
    scheduled_ = due;
    port_->Pump().Schedule(*due, [this, at = *due] {
        if (scheduled_ == at)
            scheduled_.reset();
        if (machine_->NextDue() != at)
            return;
        machine_->Tick(at); // the end of a pause, too, with what waited for it
        if (!LeavesLine())
            Flush();
    });
}

} // namespace tavelin::sim
