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
#include "settings/status.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tavelin::app {

inline constexpr std::size_t kRecentWorkFolders = 5;

// Makes `dir` the process's current directory, or fails with what stood in
// the way (as the system says it).
Status EnterWorkFolder(const std::string& dir);

// Where a desktop start runs, decided before anything is made: another
// copy that holds the one-copy lock must find nothing created by this one.
struct DesktopFolder {
    std::string dir;
    std::optional<std::string> goneLast; // the folder used last, when it is no folder any more
    bool dataFolder = false;             // dir is the user's data folder, made on first use
    bool starter = false;                // PrepareDesktopFolder wrote starter parameter files
};

// The user's data folder, or failed with why there is none.
using DataFolder = Result<std::string>;

// The XDG rule for it: `dataHome` ($XDG_DATA_HOME) when it is an absolute
// path (a relative one is invalid and ignored), else $HOME/.local/share.
DataFolder XdgDataFolder(const std::string& dataHome, const std::string& home);

// The folder a desktop start runs in: `last` while it is a folder, else
// tavelin under the user's data folder (user_data_folder.h). Failed with
// the data folder's reason when the user has none.
Result<DesktopFolder> ChooseDesktopFolder(const std::optional<std::string>& last, const DataFolder& data);

// Makes the data folder when it is missing. One that holds nothing (no
// files of anyone's to keep) gets starter parameter files, so that a first
// start neither sends the program's own files (the download folder would be
// the work folder) nor polls for ever: down/ and up/ inside it, ID 1, one
// round. Failed with why when the folder cannot be had.
Status PrepareDesktopFolder(DesktopFolder& folder);

// What the manual window's message line says after a desktop start: the
// last folder gone, starter settings to check. Empty when nothing is news.
std::string DesktopStartNotice(const DesktopFolder& folder);

// The starter parameter files in `dir` (an existing folder), with its
// down/ and up/ folders. False when one of them could not be made.
bool WriteStarterParameterFiles(const std::string& dir);

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
