// SPDX-License-Identifier: MIT
// A call that might wait on a FIFO, run on a thread of its own: when it has
// not returned within a few seconds the test fails, and opening the FIFO for
// writing lets the call go on, so the test ends instead of hanging. Where
// there are no FIFOs (Windows) nothing can hold a call this way.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>

namespace tavelin::testing {

// Opens the FIFO at `path` for writing and closes it again, if it is one.
void LetGoOfFifo(const std::filesystem::path& path);

template <class Call>
auto WithoutWaitingOn(const std::filesystem::path& fifo, Call call)
{
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "waited on " << fifo;
        LetGoOfFifo(fifo);
    }
    return done.get();
}

} // namespace tavelin::testing
