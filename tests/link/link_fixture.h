// SPDX-License-Identifier: MIT
// The link rig with helpers to play the hand-held's side.
#pragma once

#include "support/link_rig.h"

#include "link/frame.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tavelin::testing {

using namespace tavelin::link;

inline Bytes B(std::string_view text) { return Bytes(text.begin(), text.end()); }
inline std::string S(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A frame as the hand-held would send it.
inline Bytes Frame(char kind, std::string_view id, int sequence, std::string_view data)
{
    return BuildFrame(kind, id, sequence, B(data));
}

class LinkTest : public ::testing::Test, public LinkRig {
protected:
    LinkTest()
    {
        state.settings.PollTimeout = 100;
        port.SetInTimeout(500);
    }

    void Peer(const Bytes& bytes) { port.SendFromPeer(bytes); }
    long long NowMs() const
    {
        return std::chrono::duration_cast<Millis>(pump.Now().time_since_epoch()).count();
    }
};

} // namespace tavelin::testing
