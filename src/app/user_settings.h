// SPDX-License-Identifier: MIT
// What this user's desktop remembers between starts, in Qt's per-user
// settings (the XDG configuration folder, tavelin/tavelin.conf): the work
// folders used lately (group "workdir") and where the manual window stood
// (group "window"). The parameter files stay the settings of a work folder;
// these belong to the person at this PC. A file there that cannot be read
// (link/qt/device_map_store.h) is left alone: nothing is read from it and
// nothing written to it; one that is a link is read but never written.
#pragma once

#include "message_box.h"
#include "link/qt/device_map_store.h"
#include "modes/work_folders.h"
#include "settings/app_state.h"

#include <QSettings>

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tavelin::app {

// The names the desktop knows the program by: its settings file, and the
// desktop entry its windows group with.
void NameTheApplication();

class UserSettings {
public:
    UserSettings();
    std::optional<std::string> LastWorkFolder() const;
    std::vector<std::string> RecentWorkFolders() const;
    void RememberWorkFolder(const std::string& dir); // the last one, at the head of the recent ones
    void RestoreWindow(QWidget& window) const;
    void SaveWindow(const QWidget& window);

private:
    // Checked again before each write: the file may have been replaced
    // since it was read. Says once on standard error why it is not written.
    bool MayWrite();

    link::UserSettingsFileCheck read_; // as the file was when it was read
    QSettings settings_;
    bool toldUnwritable_ = false;
};

// The manual window's work folder menu on this PC: the recent folders from
// the user's settings, a folder dialog, and the switch of work_folder.h.
class QtWorkFolders final : public modes::WorkFolders {
public:
    QtWorkFolders(settings::AppState& state, MessageBox& messages, UserSettings& user, QWidget* parent)
        : state_(state), messages_(messages), user_(user), parent_(parent)
    {
    }
    std::vector<std::string> Recent() override { return user_.RecentWorkFolders(); }
    std::optional<std::string> AskFolder(const std::string& start) override;
    bool Enter(const std::string& dir) override;

private:
    settings::AppState& state_;
    MessageBox& messages_;
    UserSettings& user_;
    QWidget* parent_;
};

} // namespace tavelin::app
