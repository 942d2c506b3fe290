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
