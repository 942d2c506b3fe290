// SPDX-License-Identifier: MIT
// A hand-held whose line speed differs from the PC's. The hand-held still
// takes the PC's frames (it knows its own protocol too well to miss a poll),
// but what it sends reaches the PC as a UART set to the PC's speed samples
// it: other bytes, fewer or more of them, framing errors read as 0x00; or,
// when told to, nothing at all. Both ends use 8 data bits, no parity and one
// stop bit for the sampling; the outcome is deterministic.
#pragma once

#include "link/serial_port.h"
#include "sim_config.h"

#include <cstdint>
#include <span>

namespace tavelin::sim {

// The bytes a receiver at receiverBaud reads from `bytes` sent back to back
// at senderBaud. Equal speeds (or a speed <= 0, unknown) give the bytes unchanged.
link::Bytes AsReceivedAt(std::span<const std::uint8_t> bytes, int senderBaud, int receiverBaud);

} // namespace tavelin::sim
