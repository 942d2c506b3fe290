// SPDX-License-Identifier: MIT
// Fault options for the simulated hand-held, written as one lambda:
// Faults([](auto& f) { f.dropSent = {3}; }).
#pragma once

#include "sim/simulator.h"

namespace tavelin::testing {

template <class Set>
sim::FaultOptions Faults(Set set)
{
    sim::FaultOptions faults;
    set(faults);
    return faults;
}

} // namespace tavelin::testing
