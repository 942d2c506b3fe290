// SPDX-License-Identifier: MIT
// Small steps every engine repeats: one-character frames, the stop test after
// a receive, and the length of a PC file.
#pragma once

#include "link/frame.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

namespace tavelin::transfer {

// "Send that again": the PC's answer when nothing usable arrived.
constexpr std::uint8_t kEnq = 0x05;

inline void SendChar(link::Link& link, std::string_view kind, int seq, std::uint8_t c)
{
    link::SendFrame(link, kind, seq, std::string(1, static_cast<char>(c)));
}

// Whether the n-th failed wait in a row for a hand-held's block asks for it
// again (A/ENQ). The first two always do, as a lost frame wants; after that
// every fourth: a hand-held that paused answers each ENQ that queued up for
// it with a block, and at 19,200 bit/s each such block costs the line a
// quarter of a second once it wakes.
inline bool AsksAgain(int failedWaitsInARow) { return failedWaitsInARow <= 2 || failedWaitsInARow % 4 == 0; }

inline bool StopRequested(const link::Link& link);

// The hand-held's next frame after the block last taken (digit `last`, -1
// before any). That block again (the hand-held paused, or missed the
// acknowledgement) is acknowledged again and passed over: asking for it once
// more would only make the hand-held send its next block twice, and so on
// to the end of the file. Results as RecvFrameBin.
inline int ReceiveAfterBlock(link::Link& link, int last, std::string& header, link::Bytes& data)
{
    link::ReplyWait wait(link);
    for (;;) {
        const int rc = wait.ReceiveBin(header, data);
        if (rc != 0 || StopRequested(link) || last < 0 || header[1] != 'D' || header[5] - '0' != last)
            return rc;
        link::SendFrame(link, "A", last, std::string(1, static_cast<char>(link::ACK)));
        wait.PassOver(link::kFrameOverhead + data.size());
    }
}

inline bool StopRequested(const link::Link& link) { return link.state.flags.StopRequest != settings::kFalse; }
inline void ClearStop(link::Link& link) { link.state.flags.StopRequest = settings::kFalse; }

// A file that cannot be measured counts as empty; opening it fails later.
inline std::int64_t PcFileLength(const std::filesystem::path& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

} // namespace tavelin::transfer
