// SPDX-License-Identifier: MIT
// The unattended polling cycle: opens the port (run modes 1-3), then visits
// the configured hand-held IDs one per tick, serves each one that answers
// with the run's operation, and ends the run after AutoPollCount rounds or
// on a stop or quit request, leaving the outcome in RESULT.DAT (modes 1-3).
// A port whose device goes away is waited for (line_return.h) while rounds
// are left; one that does not come back ends the run as a port that cannot
// be opened does (code 1).
// The window supplies its controls through AutoView and drives Start (its
// first timer), Tick (its polling timer) and Unload (its closing).
#pragma once

#include "link/frame.h"
#include "settings/history.h"
#include "transfer/engines.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::modes {

// The automatic window's controls as the cycle uses them.
class AutoView : public transfer::MessageLine {
public:
    virtual void SetEndButtonCaption(std::string_view text) = 0;
    virtual settings::HistoryList* History() = 0;
    virtual transfer::ProgressIndicator& Progress() = 0;
    virtual void ShowMessageBox(std::string_view text) = 0;   // modes 4 and 5 only
    virtual void RequestUnload() = 0;                         // the run is over: close the window
    // A line for the run's log (the program writes it to standard error):
    // which device the run talks to, and why a port failed.
    virtual void LogLine(std::string_view line) = 0;
};

// What the manual window hands over for copy to all (4) and install on all (5).
struct ManualSelection {
    std::string directory;                  // the PC directory, ending in the separator
    std::vector<std::string> selectedNames; // mode 4: the selected PC files, in list order
    std::string currentName;                // mode 5: the file at the list's current index
};

class AutoCycle {
public:
    AutoCycle(link::Link& link, AutoView& view, ManualSelection selection = {});

    // First timer: opens the port in modes 1-3 (writing RESULT.DAT and asking
    // to unload on failure) and resets the run. False when the run cannot start.
    bool Start();

    // One step of the cycle. A tick that arrives while the previous one is
    // still inside an exchange is ignored.
    void Tick();
    bool InTick() const { return inTick_; }
    bool Ended() const { return ended_; }

    // The window is closing: a run still going ends here (its RESULT.DAT line
    // written), any transfer under way is asked to stop, and the port that the
    // cycle opened is drained and closed.
    void Unload();

    std::int16_t ServedCount() const { return servedCount_; }

    // True when the run ended with an error code in RESULT.DAT.
    bool Failed() const { return failed_; }

    // A quit as ENDPRM.DAT "2" asks for it: the transfer under way stops and
    // the run ends at the next tick. Kept across Start, which clears the
    // request flags, so a quit that comes before the first tick is not lost.
    void RequestQuit();

private:
    void Visit();
    bool Advance(); // false when the run is complete
    void EndRun();
    void SayEndParamAtStart();
    void Fail(std::int16_t resultCode);
    // Code 4, with the DIRPRM.DAT line and why it cannot be used in the log.
    void DirParamFault(int line, const std::string& what, const std::string& path, const std::string& why);
    void LineLost();
    void PortLost();
    bool OwnsPort() const;

    void InstallApplication(const std::string& directory, const std::string& name, bool fromManualWindow);
    void OperationApIn();
    void OperationDown();
    void OperationUp();
    void OperationCopyToAll();
    void OperationInstallOnAll();
    int TransferWithStopCaption(const std::function<int()>& transfer);
    transfer::AutoWindowLines Lines() { return {&view_, view_.History()}; }

    link::Link& link_;
    AutoView& view_;
    ManualSelection selection_;
    std::int16_t pollIndex_ = 0;
    std::int16_t servedCount_ = 0;
    std::int16_t pollRound_ = 0;
    bool inTick_ = false;
    bool ended_ = false;
    bool started_ = false;
    bool ticked_ = false;
    bool portOpenedHere_ = false;
    bool failed_ = false;
    bool quitRequested_ = false;
    transfer::UpFileList upFiles_{};
};

// Names of the normal files of a directory, in the order the platform lists
// them; directories and other non-files are skipped.
std::vector<std::string> ListDownloadNames(const std::string& directory);

} // namespace tavelin::modes
