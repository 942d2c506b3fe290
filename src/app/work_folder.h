// SPDX-License-Identifier: MIT
// The work folder: where the parameter files, the logs and TAV0001.INF live.
// Started from a terminal it is the current directory; --workdir names it;
// the desktop entry (--desktop) starts in the folder used last, else in a
// folder of the user's data, so a menu start never lands in the home folder
// by accident. The manual window may switch to another one while
// disconnected: the parameter files are then read again as a start does.
#pragma once

#include "message_box.h"
#include "settings/app_state.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tavelin::app {

inline constexpr std::size_t kRecentWorkFolders = 5;

// Makes `dir` the process's current directory. Empty when it did, else what
// stood in the way (as the system says it).
std::string EnterWorkFolder(const std::string& dir);

// The folder a desktop start runs in: `last` while it is a folder, else
// tavelin under the user's data folder ($XDG_DATA_HOME, else
// $HOME/.local/share), created when missing. Nothing (with `problem`) when
// no folder could be had.
std::optional<std::string> DesktopWorkFolder(const std::optional<std::string>& last, const std::string& dataHome,
                                             const std::string& home, std::string& problem);

// `recent` with `dir` in front, each folder once, at most kRecentWorkFolders.
std::vector<std::string> WithRecentFolder(std::vector<std::string> recent, const std::string& dir);

// The manual window's switch: enters `dir` and reads its parameter files
// as a start in manual mode does (messages included); the settings record
// takes them only when the folder passes. A folder that cannot be entered is
// named in a message; one that would end a start (a baud rate the port kind
// forbids) is left as it was found, and the process goes back to `previous`
// with the record untouched. True when `dir` is the work folder now.
bool SwitchWorkFolder(settings::AppState& state, MessageBox& messages, const std::string& dir,
                      const std::string& previous);

} // namespace tavelin::app
