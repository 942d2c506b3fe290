// SPDX-License-Identifier: MIT
// The start-up sequence: run mode from the command line, the three parameter
// files with their checks, the polling range and the baud-rate check. It ends
// either by naming the mode window to show or by ending the program, having
// written RESULT.DAT and shown its message where the failure calls for it.
#pragma once

#include "message_box.h"
#include "settings/app_state.h"
#include "settings/param_files.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavelin::app {

// 1 /APIN, 2 /DOWN, 3 /UP (first found in that order, anywhere, any case), else 0.
std::int16_t RunModeFromCommandLine(std::string_view commandLine);
bool HasIconSwitch(std::string_view commandLine);

// The caption of the mode window of a run mode.
std::string WindowCaption(std::int16_t runMode);

using settings::InitPollRange;

enum class StartupEnd {
    ShowAutomatic, // show the automatic window for RunMode 1..3
    ShowManual,    // show the manual window
    EndProgram,    // a start-up failure ended the program
};

struct StartupResult {
    StartupEnd end = StartupEnd::EndProgram;
    bool minimised = false; // /ICON with an automatic run mode
};

class Startup {
public:
    Startup(settings::AppState& state, MessageBox& messages) : state_(state), messages_(messages) {}

    // Steps from the polling interval to the baud-rate check. `workDir` is
    // the current directory at start.
    StartupResult Run(std::string_view commandLine, const std::string& workDir);

    // The reading and the checks of a start in manual mode, for a folder the
    // manual window switches to. It is no start: a folder that fails writes
    // no RESULT.DAT, and nothing in it is removed until it is taken (then
    // RemoveLeftovers). The messages are those of a start. True when the
    // folder passed.
    bool ReadForSwitch(const std::string& workDir);

    // Checks BaudCode against PortKindCode for the run mode. On a forbidden
    // pair writes RESULT.DAT code 6, shows the message and returns false:
    // the program must end.
    bool PFile_Check(std::int16_t runMode);

    // Removes what an earlier run killed midway left in the work folder.
    void RemoveLeftovers();

private:
    bool ReadParameterFiles(const std::string& workDir, std::int16_t runMode);
    bool ReadCommParams();
    bool ReadHhtIds();
    bool ReadDirParams();
    bool Unreadable(std::string_view name, const std::string& problem, std::int16_t code, std::string_view message);
    void Fail(std::int16_t code);
    bool Automatic() const { return state_.settings.RunMode != 0; }

    settings::AppState& state_;
    MessageBox& messages_;
    bool writesResult_ = true; // false while a switch only tries a folder
};

} // namespace tavelin::app
