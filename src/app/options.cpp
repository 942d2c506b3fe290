// SPDX-License-Identifier: MIT
#include "options.h"

#include <string>
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

// "COM3" in any case -> 3; 0 for a word that is no COM name, -1 for a COM
// name outside COM1..COM4.
int ComNumber(std::string_view arg)
{
    if (arg.size() < 4 || (arg[0] | 0x20) != 'c' || (arg[1] | 0x20) != 'o' || (arg[2] | 0x20) != 'm')
        return 0;
    const std::string_view digits = arg.substr(3);
    if (digits.find_first_not_of("0123456789") != std::string_view::npos)
        return 0;
    return digits.size() == 1 && digits[0] >= '1' && digits[0] <= '4' ? digits[0] - '0' : -1;
}

// Whole seconds 0..kMaxLineWait, written as digits only; nothing otherwise.
std::optional<int> LineWaitSeconds(std::string_view text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int seconds = 0;
    for (const char digit : text)
        seconds = seconds * 10 + (digit - '0');
    return seconds <= kMaxLineWait ? std::optional<int>(seconds) : std::nullopt;
}

} // namespace

Options ParseOptions(int argc, const char* const* argv)
{
    Options options;
    std::optional<std::string> unknown;
    bool workDirWithoutValue = false;
    bool scan = false, scanTwice = false;
    std::optional<std::string> badPort;
    std::optional<std::string> badLineWait;
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
        } else if (arg == "--scan" || arg == "--scan-all") {
            scanTwice = scan;
            scan = true;
            options.scanAll = options.scanAll || arg == "--scan-all";
            // An empty word where the COM name goes is a name, and no port.
            const bool empty = i + 1 < argc && argv[i + 1][0] == '\0';
            const int port = i + 1 < argc ? (empty ? -1 : ComNumber(argv[i + 1])) : 0;
            if (port != 0)
                ++i;
            if (port > 0)
                options.scanPort = port;
            else if (port < 0 && !badPort)
                badPort = argv[i];
        } else if (arg == "--line-wait" || arg.substr(0, 12) == "--line-wait=") {
            const bool joined = arg.size() > 11;
            const std::string_view value = joined ? arg.substr(12) : (i + 1 < argc ? std::string_view(argv[++i]) : "");
            options.lineWait = LineWaitSeconds(value);
            if (!options.lineWait && !badLineWait)
                badLineWait = std::string(value);
        } else if (arg == "--desktop") {
            options.desktop = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
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
    } else if (badLineWait) {
        options.action = OptionsAction::Usage;
        options.problem = "--line-wait needs whole seconds from 0 to " + std::to_string(kMaxLineWait) +
                          (badLineWait->empty() ? std::string() : ", not '" + *badLineWait + "'");
    } else if (scanTwice) {
        options.action = OptionsAction::Usage;
        options.problem = "--scan and --scan-all go once, and not together";
    } else if (scan && badPort) {
        options.action = OptionsAction::Usage;
        options.problem = "no such port '" + *badPort + "' (COM1..COM4)";
    } else if (scan && (options.desktop || options.quiet || !options.commandLine.empty())) {
        options.action = OptionsAction::Usage;
        options.problem = "--scan takes only a COM name and --workdir";
    } else if (scan) {
        options.action = OptionsAction::Scan;
    }
    return options;
}

} // namespace tavelin::app
