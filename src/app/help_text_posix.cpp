// SPDX-License-Identifier: MIT
// The help text's parts on Linux: XDG folders, the serial devices under
// /dev, a display to reach, and the stop signals.
#include "help_text_platform.h"

namespace tavelin::app::help {

const char* const kDesktopOption = R"(  --desktop  as the desktop entry starts it: in the work folder used last,
             else in $XDG_DATA_HOME/tavelin (created when missing, with
             starter parameter files)
)";

const char* const kEnvironment = R"(Environment:
  TAVELIN_COM1..TAVELIN_COM4  the device COM1..COM4 opens; before the
                              device chosen in 設定 for this user (kept in
                              $XDG_CONFIG_HOME/tavelin/tavelin.conf), then
                              the one chosen for this PC (kept in
                              /etc/xdg/tavelin/tavelin.conf), then
                              /dev/ttyS0../dev/ttyS3
  TAVELIN_MACHINE_CONF=FILE   another file in place of the PC's
  TAVELIN_TRACE=FILE          write a trace of the frames to FILE
  DISPLAY, WAYLAND_DISPLAY    without either (or when the display named
                              cannot be reached), a batch run shows no window
                              and writes its messages to standard error
)";

// A terminal, a file and a pipe all get UTF-8, as every other program's.
const char* const kOutput = "";

const char* const kStopping = R"(Stopping a batch run: write 1 (stop) or 2 (quit) into ENDPRM.DAT, or send
SIGINT (Ctrl+C), SIGTERM or SIGHUP. A signal quits as "2" does: the transfer
under way is stopped (the hand-held is told), RESULT.DAT is written, and the
program ends with status 4. A second signal ends it at once. In manual mode a
signal closes the window as its close button does.
)";

const char* const kStoppedStatus = R"(  4  a signal ended the run (RESULT.DAT as after ENDPRM.DAT "2") or closed
     the manual window
)";

} // namespace tavelin::app::help
