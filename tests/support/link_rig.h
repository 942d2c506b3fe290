// SPDX-License-Identifier: MIT
// The rig most tests stand on: a link on the in-memory port and virtual
// time, a work folder of its own (removed afterwards) named in the settings,
// the communication settings of a missing RSPRM.DAT, and simulated
// hand-helds answering on the port once a test attaches them. Whatever else
// a test needs (a polling beat, enabled IDs, folders) it sets on `state`.
#pragma once

#include "support/temp_dir.h"

#include "link/frame.h"
#include "link/memory_port.h"
#include "link/virtual_pump.h"
#include "settings/app_state.h"
#include "settings/param_files.h"
#include "simulator.h"

#include <filesystem>
#include <memory>
#include <set>

namespace tavelin::testing {

struct LinkRig {
    LinkRig();

    // Hand-helds answering config.ids on the port, in place of any attached
    // before; their files under work/hht/NNN unless the config names a store.
    sim::Simulator& AttachHandHelds(sim::SimConfig config);
    // The IDs the automatic run and the manual window poll: these, and no others.
    void PollOnly(const std::set<int>& ids);
    // Where a hand-held attached here keeps its files: work/hht/007 for ID 7.
    std::filesystem::path Store(int id) const;

    TempDir work;
    settings::AppState state;
    link::VirtualPump pump;
    link::MemoryPort port{pump};
    link::Link link{port, pump, state};
    std::unique_ptr<sim::Simulator> simulator;
};

} // namespace tavelin::testing
