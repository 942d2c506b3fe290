// SPDX-License-Identifier: MIT
// What the window tests share: finding the dialog a modal loop shows, and a
// link for windows that never talk to a hand-held.
#pragma once

#include "support/link_rig.h"

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

// The link rig at the manual window's polling beat, for windows that never
// talk to a hand-held (or to one a test attaches).
struct IdleLink : LinkRig {
    IdleLink() { state.settings.PollInterval = 30; }
};

} // namespace tavelin::testing
