// SPDX-License-Identifier: MIT
// The data phase of a download: a file in 512-byte blocks, each resent until
// the hand-held acknowledges it with the block's own digit. Shared by the
// single-file and the file-set engines, which differ only in what they make
// of each ending.
#pragma once

#include "engines.h"

#include <cstdint>
#include <istream>

namespace tavelin::transfer {

constexpr std::size_t kBlockSize = 512;

enum class BlockEnd {
    AllAcknowledged, // every block taken; the final answer is the caller's to read
    Stopped,         // StopRequest: "E"/CAN already sent and the flag cleared
    HhtEnded,        // the hand-held sent "E"
    Refused,         // the hand-held sent "R"; see refusal
    NotAcknowledged, // a block went out 21 times without acknowledgement
    ReadFailed,      // the PC file could not be read; "R"/"F" already sent
};

struct BlockOutcome {
    BlockEnd end = BlockEnd::AllAcknowledged;
    char refusal = 0;
};

// The sequence digit and the attempt counter live on in the caller: a file
// set reports the last digit on a later stop and shares its attempt budget.
struct BlockCounters {
    int seq = 0;
    int attempts = 0;
};

// Sends `length` (> 0) bytes of file. discardOnStop: drop pending input
// before the stop frame (the single-file engine does, the set does not).
BlockOutcome SendBlocks(link::Link& link, std::istream& file, std::int64_t length, ProgressIndicator& progress,
                        BlockCounters& counters, bool discardOnStop);

// After the last block: one more answer is read. A good "R" means the
// hand-held refused the file after all (true); otherwise "E"/EOT closes it.
bool RefusedAfterLastBlock(link::Link& link);

} // namespace tavelin::transfer
