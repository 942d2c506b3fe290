// SPDX-License-Identifier: MIT
// Upload of all files against the simulated hand-held, on every system and
// on POSIX alone: the engine's call, and what the hand-held logs.
#pragma once

#include "support/sim_engine_fixture.h"

#include <functional>
#include <string>

namespace tavelin::testing {

inline std::string Bytes(std::size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return bytes;
}

class UploadSafetyTest : public SimEngineTest {
public:
    void Start(sim::FaultOptions faults = {})
    {
        SimEngineTest::Start(std::move(faults));
        hand->SetLogger([this](const std::string& line) { OnHandHeldLog(line); });
    }
    int UploadAll(const std::string& directory, int mode)
    {
        const int result = transfer::UploadAllFiles(link, directory, progress, mode, upFiles, Lines());
        Settle();
        return result;
    }

    std::function<void(const std::string&)> OnHandHeldLog = [](const std::string&) {};
    transfer::UpFileList upFiles;
};

} // namespace tavelin::testing
