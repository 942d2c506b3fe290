// SPDX-License-Identifier: MIT
// Connecting to the addressed hand-held, ending the conversation, and the
// rule every file name must pass before it is sent to a hand-held.
#pragma once

#include "frame.h"

#include <string_view>

namespace tavelin::link {

// Polls CurHhtId once with PollTimeout as the read time-out. 0 when it
// answers "A" + ACK; -1 for any other answer, a bad check character or a
// foreign ID; -3 when it stays silent. Never retries: polling again is the
// caller's business.
int ConnectHht(Link& link);

// The answer to a one-frame command just sent. Data and end frames never
// answer a command: they are late frames of an earlier exchange (a hand-held
// that paused sends what it owed when it wakes), passed over within the same
// time-out. So is a whole frame from another ID (a hand-held polled before
// that answered late or twice: hand-helds answer only to their own ID); it
// is the answer, a failure, only when nothing else comes. Results as
// RecvFrame.
int ReceiveAnswer(Link& link, std::string& frame);

// Tells the hand-held the conversation is over. No answer is awaited.
void EndSession(Link& link);

// True when the name, in code page 932 bytes, is at most 8 bytes before the
// first dot and 3 after it, and every byte is printable ASCII other than
// " * + , / : ; < = > ? |. Further dots belong to the extension.
bool IsHhtFileName(std::string_view utf8Name);

// An application file: a hand-held file name ending in ".HEX" in any case.
bool IsApplicationFile(std::string_view utf8Name);

} // namespace tavelin::link
