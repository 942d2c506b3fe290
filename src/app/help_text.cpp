// SPDX-License-Identifier: MIT
#include "help_text.h"

#include "help_text_platform.h"
#include "options.h"

#include "link/port_names.h"
#include "desktop/user_settings_store.h"
#include "modes/line_scan.h"
#include "settings/console_output.h"
#include "settings/param_files.h"
#include "settings/texts.h"

#include <QtGlobal>

#include <cmath>
#include <cstdio>
#include <string_view>

namespace tavelin::app {

namespace {

// The help text around the parts that name this system's folders, settings
// files and ways to stop a run (help_text_platform.h).
constexpr const char* kHelpSwitches = R"(Usage: tavelin [--workdir DIR | --desktop] [--line-wait SECONDS] [--quiet] [/APIN | /DOWN | /UP] [/ICON]
       tavelin [--workdir DIR] --scan [COMn] | --scan-all [COMn]
       tavelin --help | --version

Moves files between this PC and hand-held terminals over a serial line.

  /APIN      batch run: install the application file on each hand-held polled
  /DOWN      batch run: send the download files to each hand-held polled
  /UP        batch run: fetch each polled hand-held's files into the upload
             directory
  /ICON      with one of the above: start the run's window minimised
  (none)     the operator's window (manual mode; needs a display)
  --workdir DIR  run in DIR as if started there (batch run or window)
  --line-wait SECONDS  when the serial device goes away during a run (a USB
             adapter pulled, a hub reset), wait this long for it to come
             back, then go on with the next hand-held; the files under way
             are failed, and a device not back in time ends the run with
             RESULT.DAT code 1. 0: end at once. Default 300, at most
             86400. The manual window waits the same while connected
  --quiet    for a batch run from cron or a timer: nothing on standard
             output, and on standard error only warnings and failures (a
             file that failed, a stop file found at the start, a slow USB
             adapter, a device that went away, the failures of the exit
             status below); the exit status and the files are the same
)";

constexpr const char* kHelpFiles = R"(  --help     this text
  --version  the program's version ("tavelin 1.17") and the Qt it was built
             with
Switches may be written in any case and anywhere on the command line. Any
other argument that starts with "-" is refused with a usage line (status 2).

Files in the work folder, the current directory unless --workdir or
--desktop names another (code page 932 text, CR LF line ends; the
parameter files may end their lines in LF alone):
  RSPRM.DAT    read: line settings, port, adapter, time-outs
  HHTPRM.DAT   read: the hand-held IDs to poll
  DIRPRM.DAT   read: application file, directories, modes, rounds
  RESULT.DAT   written by a batch run: its outcome, one line
  HISTORY.DAT  written by a batch run: one line per file
  ENDPRM.DAT   read during a batch run: "1" stops it, "2" quits it (one
               found as the run begins ends it at once: standard error
               says so)
  TAV0001.INF  written when the manual window closes
Without a parameter file the defaults apply; one that is there but cannot
be read ends a batch run's start with its code (2, 3, 4) and a line on
standard error, as a value out of range does.

)";

// %s: the default scan's seconds at most, the full scan's minutes at most.
constexpr const char* kHelpScan = R"(
Finding a hand-held that does not answer:
  --scan [COMn]      poll IDs 1-128 at each speed the adapter kind of
                     RSPRM.DAT allows (4800-115200 bit/s), with its framing,
                     on COMn (default: RSPRM.DAT's port). Prints each speed,
                     framing and kind that answered, with the IDs
                     ("38400 bit/s, N,8,1, RS-232C: ID 007"); status 0, or 1
                     when nothing answered (standard error says why).
                     Progress on standard error. Writes no file; ENDPRM.DAT
                     "1" or "2", or a stop as above, ends it after the poll
                     under way, and standard error names the IDs and
                     settings not polled.
  --scan-all [COMn]  the same over every framing (12) and adapter kind (4)
How long: every ID is polled at every setting; a silent ID costs
PollTimeout (and at most the line time of an empty frame). With PollTimeout
50 ms, --scan over the cable's six speeds takes at most %s s when nothing
answers (about 40 s measured), --scan-all at most %s minutes, plus up to
3.3 s a setting to set up an irlink adapter.

)";

constexpr const char* kHelpExitStatus = R"(Exit status:
  0  the run ended normally (RESULT.DAT holds its normal end), or the manual
     window was closed
  1  RESULT.DAT holds an error: a start-up check or the run failed; or the
     current directory cannot be named, the work folder cannot be entered,
     or too few files can be opened (ulimit -n; nothing is read or written)
  2  manual mode without a display (none named, or it cannot be reached);
     or an unknown option (a usage line on standard error)
  3  another copy is already running in the same work folder, or the lock
     that keeps to one copy a folder cannot be used, or the serial device is
     in use by another run or program (standard error says which; runs in
     different folders on different devices go side by side)
)";

constexpr const char* kHelpWriteFailedStatus = R"(  5  in place of 0, 1, 4 or 6: RESULT.DAT or HISTORY.DAT could not be
     written as the run asked; standard error says which
  6  a batch run ended normally, but a file of it failed: a HISTORY.DAT line
     with a result other than 0 or -2 (stopped on request); RESULT.DAT is
     as after a normal end, standard error says how many failed
)";

} // namespace

void PrintHelp()
{
    for (const char* part : {kHelpSwitches, help::kDesktopOption, kHelpFiles, help::kEnvironment, "\n",
                             help::kOutput, help::kStopping})
        settings::WriteText(stdout, part);
    settings::Settings defaults;
    settings::ApplyCommDefaults(defaults);
    const auto seconds = [&](bool all) { return modes::WorstCaseSeconds(modes::ScanPlan(defaults, all), 50); };
    // "At most": rounded up.
    settings::PrintText(stdout, kHelpScan, std::to_string(std::lround(std::ceil(seconds(false)))).c_str(),
                        std::to_string(std::lround(std::ceil(seconds(true) / 60))).c_str());
    for (const char* part : {kHelpExitStatus, help::kStoppedStatus, kHelpWriteFailedStatus})
        settings::WriteText(stdout, part);
    settings::PrintText(stdout, "\nThe devices the COM names open now, and why:\n%s",
                        link::PortDeviceTable(desktop::LoadDeviceChoices()).c_str());
}

void PrintVersion()
{
    std::string_view version = texts::kVersion;
    if (version.substr(0, 3) == "Ver")
        version.remove_prefix(3);
    settings::PrintText(stdout, "tavelin %s\nQt %s\n", std::string(version).c_str(), QT_VERSION_STR);
}

void PrintUsage(const std::string& problem)
{
    settings::PrintText(stderr, "tavelin: %s\n%s\n", problem.c_str(), kUsageLine);
}

} // namespace tavelin::app
