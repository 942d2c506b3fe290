// SPDX-License-Identifier: MIT
// EngineTest with the simulated hand-held ID 001 on its port, the hand-held's
// files under `store`. Each Start puts a new hand-held on the line; earlier
// ones live on until the timers they left on the pump have run out.
#pragma once

#include "support/engine_fixture.h"
#include "support/sim_faults.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace tavelin::testing {

class SimEngineTest : public EngineTest {
public:
    void Start(sim::FaultOptions faults = {}, int lineBaud = 0)
    {
        pump.Advance(std::chrono::minutes(1));
        sim::SimConfig config;
        config.ids = {1};
        config.storeRoot = store.Path();
        config.faults = std::move(faults);
        config.lineBaud = lineBaud;
        hands.push_back(std::make_unique<sim::Simulator>(config));
        hand = hands.back().get();
        hand->Attach(port);
    }

    // A file the hand-held holds, ready to be uploaded.
    void Offer(const std::string& name, const std::string& bytes) const
    {
        std::filesystem::create_directories(store.Path() / "001");
        store.Put("001/" + name, bytes);
    }

    TempDir store;
    std::vector<std::unique_ptr<sim::Simulator>> hands;
    sim::Simulator* hand = nullptr;
};

} // namespace tavelin::testing
