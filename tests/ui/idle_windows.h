// SPDX-License-Identifier: MIT
// What the window tests share: finding the dialog a modal loop shows, and a
// link for windows that never talk to a hand-held.
#pragma once

#include "link/frame.h"
#include "link/memory_port.h"
#include "link/virtual_pump.h"
#include "settings/app_state.h"
#include "settings/param_files.h"
#include "temp_dir.h"

#include <QApplication>
#include <QWidget>

namespace tavelin::testing {

// The first visible top-level widget of a class, once a modal loop shows it.
template <typename T> T* ShownWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<T*>(widget); found && found->isVisible())
            return found;
    return nullptr;
}

// A link that nothing uses, with the default settings in a scratch work
// directory.
struct IdleLink {
    IdleLink()
    {
        state.settings.WorkDir = work.Text();
        settings::ApplyCommDefaults(state.settings);
        state.settings.PollInterval = 30;
    }
    TempDir work;
    settings::AppState state;
    link::VirtualPump pump;
    link::MemoryPort port{pump};
    link::Link link{port, pump, state};
};

} // namespace tavelin::testing
