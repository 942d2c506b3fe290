// SPDX-License-Identifier: MIT
// The manual window's work folder menu on this PC: the recent folders from
// the user's settings, a folder dialog, and the switch of work_folder.h.
#pragma once

#include "message_box.h"
#include "single_instance.h"
#include "desktop/user_settings.h"
#include "modes/work_folders.h"
#include "settings/app_state.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tavelin::app {

class QtWorkFolders final : public modes::WorkFolders {
public:
    // `start` is the lock of the folder the window started in, held for
    // the window's life.
    QtWorkFolders(settings::AppState& state, MessageBox& messages, desktop::UserSettings& user, QWidget* parent,
                  const SingleInstance& start)
        : state_(state), messages_(messages), user_(user), parent_(parent), start_(start)
    {
    }
    std::vector<std::string> Recent() override { return user_.RecentWorkFolders(); }
    std::optional<std::string> AskFolder(const std::string& start) override;
    // Enters `dir` once its lock is had as well: a folder another copy runs
    // in is refused with a message, as one that cannot be entered is.
    bool Enter(const std::string& dir) override;

private:

    settings::AppState& state_;
    MessageBox& messages_;
    desktop::UserSettings& user_;
    QWidget* parent_;
    const SingleInstance& start_;
    std::unique_ptr<SingleInstance> entered_; // the lock of the folder switched to
};

} // namespace tavelin::app
