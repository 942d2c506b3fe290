// SPDX-License-Identifier: MIT
// Whether a start-up message box is shown, and how long it may wait for its
// OK. A box appears only where somebody can see the desktop; elsewhere its
// text goes to standard error. A batch run's box waits at most
// kBatchBoxBound and the run then ends as when it is answered, so a
// scheduled task never hangs on an OK nobody can give. Who can see the
// desktop differs per system (box_wait_posix.cpp: the display decides;
// box_wait_win32.cpp: the window station and the session).
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace tavelin::app {

inline constexpr std::chrono::milliseconds kBatchBoxBound{60000};

struct BoxWait {
    bool show = false;                              // false: the text goes to standard error
    std::optional<std::chrono::milliseconds> bound; // none: waits for the operator's OK
};

// `screen`: windows can be shown (display.h); `automatic`: a batch run;
// `desktopSeen`: DesktopSeen(). `shorterBound` is TAVELIN_BOX_WAIT_MS, which
// only tests set: milliseconds below kBatchBoxBound that replace it; any
// other text is ignored.
BoxWait ChooseBoxWait(bool screen, bool automatic, bool desktopSeen, const std::string& shorterBound);

// Per system: somebody can see this process's windows. On Windows not in a
// window station without a visible desktop (a task run whether the user is
// logged on or not, a service) nor in session 0; a question the system
// will not answer counts as nobody. Elsewhere the display check decides.
bool DesktopSeen();

} // namespace tavelin::app
