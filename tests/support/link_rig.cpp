// SPDX-License-Identifier: MIT
#include "support/link_rig.h"

#include <cstdio>

namespace tavelin::testing {

LinkRig::LinkRig()
{
    state.settings.WorkDir = work.Text();
    settings::ApplyCommDefaults(state.settings);
}

sim::Simulator& LinkRig::AttachHandHelds(sim::SimConfig config)
{
    if (config.storeRoot.empty())
        config.storeRoot = work.Path() / "hht";
    simulator = std::make_unique<sim::Simulator>(std::move(config));
    simulator->Attach(port);
    return *simulator;
}

std::filesystem::path LinkRig::Store(int id) const
{
    char name[8];
    std::snprintf(name, sizeof name, "%03d", id);
    return work.Path() / "hht" / name;
}

} // namespace tavelin::testing
