// SPDX-License-Identifier: MIT
// What a simulated hand-held is told at start (the IDs it answers, where
// their files live, its faults) and what it counts while it runs.
#pragma once

#include "link/event_pump.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace tavelin::sim {

// A line and a hand-held that are rough in the ways a real one is, drawn
// from a generator seeded with `seed`, so that a run can be repeated: pauses
// of 0.1-1.5 s at data blocks (about one every 100-200 download blocks taken
// or upload blocks sent), a frame now and then sent twice back to back, and
// an answer now and then held back 0.3-0.9 s, past the PC's time-out.
struct RoughLine {
    bool on = false;
    std::uint32_t seed = 0;
};

// Frame numbers count from 1. "Sent" counts every frame the hand-held puts on
// the line, resends included; "received" counts the well-formed frames for
// one of its IDs. A fault fires once per number listed.
struct FaultOptions {
    std::set<int> corruptBccOfSent; // the frame goes out with a wrong check character
    std::set<int> dropSent;         // the frame never reaches the line
    std::set<int> noiseBeforeSent;  // line noise (with a stray STX) goes out just before the frame
    std::set<int> repeatBlock;      // the n-th data frame (list entries, upload blocks) is sent again
                                    // although the PC acknowledged it, as if the acknowledgement was lost
    std::set<int> repeatHeader;     // the same for the n-th file header of an upload of all files
    std::set<int> ignoreReceived;   // the frame is not acted on, as if it was lost on the line
    // Upload of all files: after sending the n-th file header the hand-held
    // stops listening and babbles until a new command or the PC's stop, with
    // bytes that never form a frame header: endless line noise, or one byte
    // every 900 ms.
    std::set<int> noiseAfterHeader;
    std::set<int> trickleAfterHeader;
    int closeAfterReceived = -1;    // the line is closed when this received frame arrives
                                    // (it is not acted on); <0: never
    // The hand-held leaves the line when this received frame arrives (it is
    // not acted on) and comes back on a new line after awayFor, its files
    // kept, as a USB adapter pulled and plugged in again; <0: never.
    int awayAfterReceived = -1;
    link::Millis awayFor{0};

    // Upload of all files: the header names a stored file (upper case) by these
    // bytes instead, for names a PC cannot hold (invalid code page 932, say).
    std::map<std::string, std::string> offeredNames;

    // The hand-held pauses this long (a flash write, a loose cradle contact,
    // busy firmware) before acting on the n-th received frame, or before it
    // puts the n-th sent frame on the line. While it pauses it neither reads
    // nor answers: what the PC sends waits, as in a UART's buffer, and is
    // taken in order afterwards; its own timers wait for the end too.
    std::map<int, link::Millis> pauseBeforeReceived;
    std::map<int, link::Millis> pauseBeforeSent;
    RoughLine rough;

    bool wrongMode = false;       // every file command is answered "R"/"M"
    int fullAfter = -1;           // after this many stored files an ID refuses more ("R"/"F"); <0: never
    bool silentAfterLast = false; // no "A"/ACK after storing a downloaded file
};

// What a hand-held whose speed differs from the PC's sends (speed_mismatch.h).
enum class MismatchAnswer { Garbled, Silent };

struct SimConfig {
    std::set<int> ids;                // the IDs answered, 1..128
    std::filesystem::path storeRoot;  // storeRoot/"001", storeRoot/"002", ...; created if missing
    std::int64_t freeSpace = 4'000'000; // bytes each ID can hold; the announced free figure is this less its files
    FaultOptions faults;
    int lineBaud = 0;                 // in-process line rate, 10 bits a byte both ways; 0 = instant
                                      // (the executable sets it only to pace its line noise)
    link::Millis resendAfter{1000};   // an unacknowledged frame is sent again after this
    int maxResends = 30;              // then the hand-held gives the exchange up
    int listEntriesPerFrame = 26;     // 19-character list entries in one frame (1..26)
    int hhtBaud = 0;                  // the hand-held's own speed: a PC set to another one gets
                                      // `mismatch` for answers (0: it follows any speed)
    MismatchAnswer mismatch = MismatchAnswer::Garbled;
    link::Millis adapterLatency{0};   // the PC's USB serial adapter holds what it receives
                                      // this long (sim/adapter_hold.h); 0 = no adapter
};

struct Stats {
    // what arrived
    int framesReceived = 0;   // well-formed frames with a correct check character, any ID
    int framesForOthers = 0;  // ... addressed to an ID this simulator does not answer
    int framesIgnored = 0;    // ... dropped by FaultOptions::ignoreReceived
    int unexpectedFrames = 0; // ... that fit no exchange in progress
    int strayBytes = 0;       // bytes outside any frame
    // violations by the PC
    int layoutViolations = 0; // kind not A-Z, or ID / sequence / length not digits
    int idViolations = 0;     // ID outside 001..128
    int lengthViolations = 0; // more than 512 data bytes, or command arguments of the wrong length
    int etxViolations = 0;    // no ETX after the data
    int bccViolations = 0;    // wrong check character
    int sequenceViolations = 0; // a download block out of order
    int dataFramesReceived = 0;     // download blocks ("D" frames of a file), repeats included
    int repeatedBlocksReceived = 0; // ... that repeat the digit of the last block taken
    // what was sent
    int framesSent = 0;       // frames put on the line, resends included (dropped ones too)
    int resends = 0;
    int dataFramesSent = 0;   // list entry frames and upload blocks, first transmissions
    int assumedAcks = 0;      // silence taken as a lost acknowledgement
    int doubledFrames = 0;    // frames sent twice back to back (counted once in framesSent)
    // pauses
    int pauses = 0;               // FaultOptions pauses, rough line pauses and Simulator::Pause
    std::int64_t pausedMs = 0;    // their lengths added up
    int lateAnswers = 0;          // answers held back (rough line); not counted as pauses
    // what happened to files
    int filesStored = 0;
    int filesRejected = 0;    // downloads refused or not completed
    int filesOffered = 0;     // upload headers sent (first transmissions)
    int filesSent = 0;        // uploads the PC took in full
    int filesErased = 0;
    int filesRenamed = 0;

    int Violations() const
    {
        return layoutViolations + idViolations + lengthViolations + etxViolations + bccViolations +
               sequenceViolations;
    }
};

} // namespace tavelin::sim
