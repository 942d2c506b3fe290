// SPDX-License-Identifier: MIT
// The command line as the program reads it: the long options (--help,
// --version, --workdir DIR, --desktop) are taken out, every other argument
// stays for the switches (/APIN, /DOWN, /UP, /ICON), which are matched as
// substrings of what remains. An argument that starts with '-' and is no
// known option is a usage error: a typo must not start a run in the wrong
// place or mode.
#pragma once

#include <optional>
#include <string>

namespace tavelin::app {

enum class OptionsAction {
    Run,     // start: batch run or the window
    Help,    // print the help text
    Version, // print the version
    Usage,   // print `problem` and the usage line on standard error, exit 2
};

struct Options {
    OptionsAction action = OptionsAction::Run;
    std::optional<std::string> workDir; // --workdir DIR: run there
    bool desktop = false;               // --desktop: started from the desktop entry
    std::string commandLine;            // the other arguments, joined by spaces
    std::string problem;                // for Usage: what was wrong
};

Options ParseOptions(int argc, const char* const* argv);

inline constexpr const char* kUsageLine =
    "usage: tavelin [--workdir DIR | --desktop] [/APIN | /DOWN | /UP] [/ICON] | --help | --version";

} // namespace tavelin::app
