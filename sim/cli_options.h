// SPDX-License-Identifier: MIT
// The command line of tavelin-hhtsim and its help text.
#pragma once

#include "sim_config.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::sim {

struct CliOptions {
    SimConfig config;
    std::string linkPath;   // symlink to the pseudo-terminal
    std::string devicePath; // serve this serial device instead
    int baud = 0;           // 0: no line-rate emulation (pseudo-terminal) / 19200 (device)
    bool quiet = false;
    bool help = false;
};

// "1-3,7" -> {1, 2, 3, 7}; nullopt for anything else or a number outside lo..hi.
std::optional<std::set<int>> ParseNumberSet(std::string_view text, int lo, int hi);

// "3:700,9:150" -> {3: 700 ms, 9: 150 ms}: frame numbers from 1, lengths
// 1..600000 ms; nullopt for anything else or a frame named twice.
std::optional<std::map<int, link::Millis>> ParsePauseList(std::string_view text);

// Fills options from argv[1..]; on a mistake returns false and says why in error.
bool ParseCli(const std::vector<std::string>& args, CliOptions& options, std::string& error);

std::string HelpText();

} // namespace tavelin::sim
