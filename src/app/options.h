// SPDX-License-Identifier: MIT
// The command line as the program reads it: the long options (--help,
// --version, --workdir DIR, --desktop, --quiet) are taken out, every other argument
// stays for the switches (/APIN, /DOWN, /UP, /ICON), which are matched as
// substrings of what remains. An argument that starts with '-' and is no
// known option is a usage error. --scan and --scan-all take an optional
// COM1..COM4 after them and no switches: a typo must not start a run in the wrong
// place or mode. --line-wait takes whole seconds, 0 to kMaxLineWait.
// --quiet is for batch runs (a scan refuses it); the window ignores it.
#pragma once

#include <optional>
#include <string>

namespace tavelin::app {

enum class OptionsAction {
    Run,     // start: batch run or the window
    Help,    // print the help text
    Version, // print the version
    Usage,   // print `problem` and the usage line on standard error, exit 2
    Scan,    // --scan / --scan-all: find the hand-held's speed and ID (scan_command.h)
};

struct Options {
    OptionsAction action = OptionsAction::Run;
    std::optional<std::string> workDir; // --workdir DIR: run there
    bool desktop = false;               // --desktop: started from the desktop entry
    std::string commandLine;            // the other arguments, joined by spaces
    std::string problem;                // for Usage: what was wrong
    bool scanAll = false;               // --scan-all: every framing and adapter kind too
    int scanPort = 0;                   // --scan COMn: 1..4; 0: the port of RSPRM.DAT
    std::optional<int> lineWait;        // --line-wait SECONDS: how long a device that went away is waited for
    bool quiet = false;                 // --quiet: a batch run says only what went wrong, on standard error
};

inline constexpr int kMaxLineWait = 86400; // a day

Options ParseOptions(int argc, const char* const* argv);

inline constexpr const char* kUsageLine =
    "usage: tavelin [--workdir DIR | --desktop] [--line-wait SECONDS] [--quiet] [/APIN | /DOWN | /UP] [/ICON]\n"
    "       tavelin --help | --version\n"
    "       tavelin [--workdir DIR] --scan [COMn] | --scan-all [COMn]";

} // namespace tavelin::app
