// SPDX-License-Identifier: MIT
// tavelin --scan [COMn] and --scan-all: the line scan (modes/line_scan.h) on
// the real port, without a window. RSPRM.DAT gives the port, framing, kind
// and time-outs (its defaults where it is missing); COMn names another port.
// Progress goes to standard error, the settings that answered to standard
// output, one line each ("38400 bit/s, N,8,1, RS-232C: ID 007"). No file
// is written. Run with the one-copy lock held; a stop signal or ENDPRM.DAT
// "1"/"2" ends it after the poll under way.
#pragma once

#include "options.h"

#include "settings/device_choices.h"

#include <string>

namespace tavelin::app {

// `devices`: the COM names' devices as the user's settings have them. The
// exit status: kExitOk when some setting answered, else kExitStartupFailed
// (nothing answered, or the port could not be opened).
int RunScanCommand(int& argc, char** argv, const Options& options, const settings::DeviceChoices& devices,
                   const std::string& workDir, const std::string& lockPath);

} // namespace tavelin::app
