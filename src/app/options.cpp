// SPDX-License-Identifier: MIT
#include "options.h"

#include <string_view>

namespace tavelin::app {

namespace {

constexpr std::string_view kWorkDirOption = "--workdir";

void Append(std::string& line, std::string_view argument)
{
    if (!line.empty())
        line += ' ';
    line += argument;
}

} // namespace

Options ParseOptions(int argc, const char* const* argv)
{
    Options options;
    std::optional<std::string> unknown;
    bool workDirWithoutValue = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        // --help and --version answer whatever else the line holds.
        if (arg == "--help") {
            options.action = OptionsAction::Help;
            return options;
        }
        if (arg == "--version") {
            options.action = OptionsAction::Version;
            return options;
        }
        if (arg == kWorkDirOption) {
            if (i + 1 >= argc)
                workDirWithoutValue = true;
            else
                options.workDir = argv[++i];
        } else if (arg.substr(0, kWorkDirOption.size() + 1) == "--workdir=") {
            options.workDir = std::string(arg.substr(kWorkDirOption.size() + 1));
        } else if (arg == "--desktop") {
            options.desktop = true;
        } else if (!arg.empty() && arg.front() == '-') {
            if (!unknown)
                unknown = std::string(arg);
        } else {
            Append(options.commandLine, arg);
        }
    }
    if (unknown) {
        options.action = OptionsAction::Usage;
        options.problem = "unknown option " + *unknown;
    } else if (workDirWithoutValue || (options.workDir && options.workDir->empty())) {
        options.action = OptionsAction::Usage;
        options.problem = "--workdir needs a folder";
    } else if (options.workDir && options.desktop) {
        options.action = OptionsAction::Usage;
        options.problem = "--workdir and --desktop exclude each other";
    }
    return options;
}

} // namespace tavelin::app
