// SPDX-License-Identifier: MIT
// The parts of --help that differ between systems: where --desktop runs,
// where the settings files live and what the environment changes, and how a
// run is stopped from outside (help_text_posix.cpp, help_text_win32.cpp).
// help_text.cpp puts the shared text around them; each part is empty or
// ends in a line end.
#pragma once

namespace tavelin::app::help {

extern const char* const kDesktopOption;  // the --desktop switch
extern const char* const kEnvironment;    // the "Environment:" section
extern const char* const kOutput;         // how the output is written, where it needs saying (else empty)
extern const char* const kStopping;       // the "Stopping a batch run" paragraph
extern const char* const kStoppedStatus;  // exit status 4

} // namespace tavelin::app::help
