// SPDX-License-Identifier: MIT
// Building and sending frames, the check characters, and the receive bound.
#include "frame.h"

#include "line_settings.h"

#include <algorithm>
#include <cstdio>

namespace tavelin::link {

namespace {

Bytes BuildFrameText(std::string_view kind, std::string_view hhtId, int sequence, std::span<const std::uint8_t> data)
{
    if (data.size() > kMaxFrameData)
        return {};
    // The last decimal digit as written, so -7 gives 7.
    const int digit = sequence % 10 < 0 ? -(sequence % 10) : sequence % 10;
    char numbers[8];
    std::snprintf(numbers, sizeof numbers, "%d%04zu", digit, data.size());

    Bytes frame;
    frame.reserve(data.size() + kFrameOverhead);
    frame.push_back(STX);
    frame.insert(frame.end(), kind.begin(), kind.end());
    frame.insert(frame.end(), hhtId.begin(), hhtId.end());
    frame.insert(frame.end(), numbers, numbers + 5);
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(ETX);
    frame.push_back(CalcBccBin(std::span(frame).subspan(1)));
    return frame;
}

std::span<const std::uint8_t> AsBytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// While the peer holds CTS the frame is given time to leave the port; without
// CTS nobody will take it, so waiting would only hang the caller. The wait is
// bounded by the frame's line time plus InTimeout, in case the driver never
// reports the buffer empty.
void SendAndDrain(Link& link, const Bytes& frame)
{
    if (frame.empty())
        return;
    link.watchers.Sent(link.pump.Now(), link.port, frame);
    link.port.Write(frame);
    if (!link.port.CtsHolding())
        return;
    const int baud = BaudForCode(link.state.settings.BaudCode).value_or(4800);
    const auto lineTime = Millis(static_cast<long long>(frame.size()) * 10 * 1000 / baud + 1);
    const auto deadline = link.pump.Now() + lineTime + Millis(link.port.InTimeout());
    link.pump.RunUntil(deadline, [&] { return link.port.OutBufferCount() == 0; });
}

} // namespace

void ClosePort(Link& link)
{
    if (!link.port.IsOpen())
        return;
    link.port.Close();
    link.watchers.PortChanged(link.pump.Now(), link.port);
}

Bytes BuildFrame(char kind, std::string_view hhtId, int sequence, std::span<const std::uint8_t> data)
{
    return BuildFrameText(std::string_view(&kind, 1), hhtId, sequence, data);
}

void SendFrame(Link& link, std::string_view kind, int sequence, std::string_view data)
{
    SendAndDrain(link, BuildFrameText(kind, link.state.CurHhtId, sequence, AsBytes(data)));
}

void SendFrameBin(Link& link, std::string_view kind, int sequence, std::span<const std::uint8_t> data)
{
    SendAndDrain(link, BuildFrameText(kind, link.state.CurHhtId, sequence, data));
}

std::string CalcBcc(std::string_view text)
{
    return std::string(1, static_cast<char>(CalcBccBin(AsBytes(text))));
}

std::uint8_t CalcBccBin(std::span<const std::uint8_t> bytes)
{
    std::uint8_t bcc = 0;
    for (const auto byte : bytes)
        bcc ^= byte;
    return bcc;
}

std::string FrameChar(std::string_view frame, int position)
{
    if ((position != 2 && position != 6 && position != 11) || frame.size() < static_cast<std::size_t>(position))
        return "";
    return std::string(1, frame[static_cast<std::size_t>(position - 1)]);
}

Millis ReceiveLimit(const Link& link, std::size_t dataLength)
{
    const long long baud = BaudForCode(link.state.settings.BaudCode).value_or(4800);
    const auto frame = static_cast<long long>(std::min(dataLength, kMaxFrameData) + kFrameOverhead);
    return Millis(link.port.InTimeout()) + Millis(frame * 10 * 1000 / baud + 1);
}

Clock::duration LineTime(const Link& link, std::size_t bytes)
{
    const long long baud = BaudForCode(link.state.settings.BaudCode).value_or(4800);
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::microseconds(static_cast<long long>(bytes) * 10 * 1'000'000 / baud));
}

} // namespace tavelin::link
