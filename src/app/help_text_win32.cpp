// SPDX-License-Identifier: MIT
// The help text's parts on Windows: the application data folders, the COM
// names themselves, the encoding of redirected output (console_output_win32.cpp)
// and the console's stop keys (stop_signals_win32.cpp).
#include "help_text_platform.h"

namespace tavelin::app::help {

const char* const kDesktopOption = R"(  --desktop  as the Start-menu entry starts it: in the work folder used last,
             else in %LOCALAPPDATA%\tavelin (created when missing, with
             starter parameter files)
)";

const char* const kEnvironment = R"(Settings files: the device chosen in 設定 for each COM name is kept for this
user in %LOCALAPPDATA%\tavelin-settings\tavelin.conf, or for all users of this
PC in %ProgramData%\tavelin\tavelin.conf.

Environment:
  TAVELIN_COM1..TAVELIN_COM4  the device COM1..COM4 opens; before the
                              device chosen for this user, which is before
                              the one chosen for this PC, which is before
                              \\.\COM1..\\.\COM4
  TAVELIN_MACHINE_CONF=FILE   another file in place of the PC's
  TAVELIN_TRACE=FILE          write a trace of the frames to FILE
)";

const char* const kOutput = R"(Output: the history lines (standard output) and the messages (standard
error) reach a console as characters, so Japanese reads right whatever its
code page. Redirected to a file or a pipe (tavelin.exe /DOWN > run.log 2>&1)
they are UTF-8 without a byte order mark, lines ending in CR LF, on every
PC: open such a log in Notepad, or type it after chcp 65001.

)";

const char* const kStopping = R"(Stopping a batch run: write 1 (stop) or 2 (quit) into ENDPRM.DAT, or press
Ctrl+C or Ctrl+Break in the console it was started from, or close that
console. Each quits as "2" does: the transfer under way is stopped (the
hand-held is told), RESULT.DAT is written, and the program ends with status
4 (a closed console gives it only the few seconds Windows allows). A second
one ends it at once. In manual mode they close the window as its close
button does. A run started without a console (the Start menu, Task
Scheduler) is stopped through ENDPRM.DAT; ending the task ends it at once.
)";

const char* const kStoppedStatus = R"(  4  Ctrl+C, Ctrl+Break or closing the console ended the run (RESULT.DAT as
     after ENDPRM.DAT "2") or closed the manual window
)";

} // namespace tavelin::app::help
