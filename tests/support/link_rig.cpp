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

void LinkRig::PollOnly(const std::set<int>& ids)
{
    state.settings.HhtIdOn.fill("0");
    for (int id : ids)
        state.settings.HhtIdOn[std::size_t(id - 1)] = "1";
    state.FirstPollId = std::int16_t(*ids.begin() - 1);
    state.LastPollId = std::int16_t(*ids.rbegin() - 1);
}

std::filesystem::path LinkRig::Store(int id) const
{
    char name[8];
    std::snprintf(name, sizeof name, "%03d", id);
    return work.Path() / "hht" / name;
}

} // namespace tavelin::testing
