// SPDX-License-Identifier: MIT
// The manual window's work folder menu as the session sees it: the folders
// used lately, the operator's choice of another one, and the switch itself
// (entering the folder and reading its parameter files), which the program
// supplies.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavelin::modes {

class WorkFolders {
public:
    virtual ~WorkFolders() = default;
    virtual std::vector<std::string> Recent() = 0; // newest first
    // The operator's choice, starting at `start`; nothing when cancelled.
    virtual std::optional<std::string> AskFolder(const std::string& start) = 0;
    // Makes `dir` the work folder and reads its parameter files as a start
    // does. False when it stayed where it was (the operator has been told).
    virtual bool Enter(const std::string& dir) = 0;
};

} // namespace tavelin::modes
