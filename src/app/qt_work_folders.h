// SPDX-License-Identifier: MIT
// The manual window's work folder menu on this PC: the recent folders from
// the user's settings, a folder dialog, and the switch of work_folder.h.
#pragma once

#include "message_box.h"
#include "desktop/user_settings.h"
#include "modes/work_folders.h"
#include "settings/app_state.h"

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tavelin::app {

class QtWorkFolders final : public modes::WorkFolders {
public:
    QtWorkFolders(settings::AppState& state, MessageBox& messages, desktop::UserSettings& user, QWidget* parent)
        : state_(state), messages_(messages), user_(user), parent_(parent)
    {
    }
    std::vector<std::string> Recent() override { return user_.RecentWorkFolders(); }
    std::optional<std::string> AskFolder(const std::string& start) override;
    bool Enter(const std::string& dir) override;

private:
    settings::AppState& state_;
    MessageBox& messages_;
    desktop::UserSettings& user_;
    QWidget* parent_;
};

} // namespace tavelin::app
