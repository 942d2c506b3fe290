// SPDX-License-Identifier: MIT
#include "stop_then_close.h"

#include <QCloseEvent>

namespace tavelin::ui {

bool StopThenClose::Close(QCloseEvent* event)
{
    if (steps_.busy()) {
        steps_.stop();
        pending_ = true;
        event->ignore();
        return false;
    }
    if (!unloaded_) {
        unloaded_ = true;
        steps_.unload();
    }
    event->accept();
    return true;
}

} // namespace tavelin::ui
