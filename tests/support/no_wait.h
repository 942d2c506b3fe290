// SPDX-License-Identifier: MIT
// A call that might wait on a FIFO, run on a thread of its own: when it has
// not returned within a few seconds the test fails, and opening the FIFO for
// writing lets the call go on, so the test ends instead of hanging.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

// Windows has no FIFOs: nothing there can hold a call this way.
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

namespace tavelin::testing {

template <class Call>
auto WithoutWaitingOn(const std::filesystem::path& fifo, Call call)
{
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "waited on " << fifo;
        const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            close(writer);
    }
    return done.get();
}

} // namespace tavelin::testing
#endif
