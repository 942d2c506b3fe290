// SPDX-License-Identifier: MIT
// What the program promises of every crash state:
// - a file of the data folder is as it stood when the program last told the
//   hand-held anything, or as one of its settled versions after that
//   (renamed into place, or flushed): an acknowledged file is present and
//   whole, a replaced file is the old or the new one, and nothing half made
//   stands there (a temporary, an empty file, a torn append), except under
//   a name a later run never takes for data (one it removes at start, a
//   lock);
// - each log holds whole lines only, each one a line the program wrote.
#pragma once

#include "crash_states.h"

#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace tavelin::crash {

struct Promises {
    std::string dataFolder;        // relative to the root
    std::vector<std::string> logs; // relative to the root
    std::regex leftovers{"$^"};    // the whole path: never data (nothing, unless given)
};

class PromiseChecker {
public:
    PromiseChecker(const RecordedRun& run, const FileTree& initial, Promises promises);

    // A sentence for each promise the state breaks.
    std::vector<std::string> Check(const CrashState& state) const;

private:
    using Version = std::optional<std::string>; // nothing: no such file
    struct History {
        std::vector<std::pair<std::size_t, Version>> changes; // from the state after that many operations
        std::vector<std::size_t> settled;                      // states in which it settled
        Version At(std::size_t state) const;
    };

    void CheckDataFile(const std::string& path, const History& history, const CrashState& state,
                       std::vector<std::string>& broken) const;
    void CheckLog(const std::string& path, const CrashState& state, std::vector<std::string>& broken) const;

    Promises promises_;
    std::map<std::string, History> dataFiles_;
    std::map<std::string, std::set<std::string>> logLines_; // every line each log ever held
    std::vector<std::size_t> lastLine_; // per crash point: operations up to the last line sent, or 0
};

} // namespace tavelin::crash
