// SPDX-License-Identifier: MIT
// A link on the in-memory port and virtual time, with helpers to play the
// hand-held's side.
#pragma once

#include "link/frame.h"
#include "link/memory_port.h"
#include "link/virtual_pump.h"

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

class LinkTest : public ::testing::Test {
protected:
    LinkTest()
    {
        state.settings.BaudCode = "2";
        state.settings.PollTimeout = 100;
        state.settings.CommTimeout = 800;
        port.SetInTimeout(500);
    }

    void Peer(const Bytes& bytes) { port.SendFromPeer(bytes); }
    long long NowMs() const
    {
        return std::chrono::duration_cast<Millis>(pump.Now().time_since_epoch()).count();
    }

    VirtualPump pump;
    MemoryPort port{pump};
    settings::AppState state;
    Link link{port, pump, state};
};

} // namespace tavelin::testing
