// SPDX-License-Identifier: MIT
// The manual window's logic: connecting to and leaving the hand-held chosen
// by ID, the polling tick that keeps contact and reads its file list, the
// file commands on both panes (re-read, delete, rename), and the transfers
// (copy by button or drop, install, copy and install to all), which run in
// modal windows that ManualDialogs opens. The window supplies
// its controls through ManualView and asks the operator through
// ManualDialogs; its timers, buttons and ID box call the members named after
// them. Exclusion rests on ManualOp: 'P' while nothing runs.
//
// Beyond the plain sequence of the window:
// - A click or an ID change that arrives while a polling tick waits for the
//   hand-held is remembered and carried out when the tick is over, so no two
//   exchanges ever share the line.
// - A list reading that fails says so on the message line and is tried again
//   at the next tick; 中断 stops a list reading (and, in a polling tick,
//   disconnects once the tick is over).
// - Connect/disconnect is ignored while an operation runs, and the ID box
//   cannot re-address the hand-held then (it shows the current ID again).
// - The ID box shows the hand-held the commands talk to: a command given
//   while an ID typed there was not yet taken (a key, with the focus still
//   in the box) takes it first, as Enter would.
// - Closing during an exchange asks it to stop (Busy() tells when it is
//   over); loops then end without further questions or messages.
// - A port whose device goes away (an adapter pulled) is waited for
//   (line_return.h) instead of polling a line that is no longer there; one
//   that does not come back disconnects with the port's message.
// - A transfer starts only from and into the PC directory the operator sees:
//   one deleted meanwhile starts none (the pane has moved to its parent and
//   the message line says so).
#pragma once

#include "auto_cycle.h"
#include "hht_files.h"
#include "manual_transfers.h"
#include "work_folders.h"
#include "link/frame.h"
#include "link/port_setup.h"
#include "settings/status.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::modes {

enum class MessageColour { Black, Red };

// The operation buttons that disable themselves while they run.
enum class OpButton { Dir, Del, Ren, Copy, Inst, ADown, AInst };

class ManualView {
public:
    virtual ~ManualView() = default;
    virtual void SetStartCaption(std::string_view text) = 0;
    virtual void SetStartEnabled(bool enabled) = 0;
    virtual void SetOperationsEnabled(bool enabled) = 0; // the seven hand-held operation buttons
    virtual void SetOperationEnabled(OpButton button, bool enabled) = 0;
    virtual void SetSettingsMenuEnabled(bool enabled) = 0;
    virtual void SetPolling(bool on) = 0; // the polling timer
    virtual void SetConnectionMessage(std::string_view text, MessageColour colour) = 0;
    // A line for the run's log (the program writes it to standard error).
    virtual void LogLine(std::string_view line) = 0;
    virtual FileListView& HhtList() = 0;
    virtual TextView& FreeSpace() = 0;
    virtual std::string IdText() = 0;
    virtual void SetIdText(std::string_view text) = 0;
    virtual std::vector<HhtFileEntry> SelectedHhtFiles() = 0; // item texts and item data (sizes), in list order
    virtual std::vector<std::string> SelectedPcFiles() = 0;
    virtual std::string PcDirectory() = 0; // the directory shown, as a full path
    virtual void RefreshPcFiles() = 0;     // lists the PC directory's files again
    // True while the PC directory shown exists; else the pane shows its
    // nearest parent that does (and the session's PcDirectoryGone says so).
    virtual bool PcDirectoryThere() = 0;
};

enum class DelAnswer { DeleteThis = 0, DeleteAll = 1, Cancel = -1 };
enum class RenameSide { Hht = 0, Pc = 1 };

// The operator's answers. A dialog closed by its window frame answers Cancel
// or nothing.
class ManualDialogs {
public:
    virtual ~ManualDialogs() = default;
    virtual DelAnswer AskDelete(std::string_view name) = 0;
    // The new name, or nothing when cancelled. The dialog keeps asking while
    // CheckNewName() fails.
    virtual std::optional<std::string> AskNewName(RenameSide side, std::string_view name) = 0;
    // A box with only OK; details (the system's words) where the box can show them.
    virtual void ShowMessage(std::string_view text, std::string_view details = {}) = 0;
    // The progress dialog of the job, modal: it runs RunTransferJob on the
    // open port and closes when that returns.
    virtual void RunTransfer(const TransferJob& job) = 0;
    // The automatic window, modal, on the open port: run mode 4 (copy to all)
    // or 5 (install on all) over the configured IDs; returns when it closes.
    virtual void RunAutoCycle(std::int16_t runMode, const ManualSelection& selection) = 0;
};

// The automatic window's caption for run mode 4 or 5.
std::string_view AutoRunCaption(std::int16_t runMode);

// The delete question for one file, and the rename dialog's line per side.
std::string DeleteQuestion(std::string_view name);
std::string_view RenameSideText(RenameSide side);
// Done when the name will do, else failed with the message that keeps the
// rename dialog open.
Status CheckNewName(RenameSide side, std::string_view name);

class ManualSession {
public:
    ManualSession(link::Link& link, ManualView& view, ManualDialogs& dialogs);

    // Window load: restores the ID box from TAV0001.INF and returns the PC
    // directory to show (the remembered one while it exists).
    std::string Load(const std::string& currentDirectory);
    void Initialise(); // the one-shot timer after load

    void StartClicked(); // connect or disconnect
    void Tick();         // the polling timer
    void CheckHhtId();   // click, Enter or leaving the ID box
    void ShowHhtIdInUse(); // Escape in the ID box: what was typed is given up
    void DirClicked();
    void RereadClicked(); // F5: both lists
    void DeleteClicked();
    void RenameClicked();
    void CopyClicked();        // PC files selected: download them; else hand-held files: upload them
    void DropOnHht();          // PC files dropped on the hand-held list
    void DropOnPc();           // hand-held files dropped on the PC list
    void InstallClicked();     // one selected PC application file to the connected hand-held
    void CopyToAllClicked();   // the selected PC files to every configured hand-held
    void InstallOnAllClicked();
    // The PC pane's directory was deleted; the pane now shows its nearest
    // parent still there. Said on the message line.
    void PcDirectoryGone(const std::string& gone);

    // Closing: while Busy(), RequestStop() asks the exchange under way to stop
    // and the window closes once Busy() is false; Unload() then drains and
    // closes the port and writes TAV0001.INF.
    bool Busy() const { return inTick_ || ManualOp_ != 'P'; }
    void RequestStop();
    void Unload();

    // Another work folder, only while disconnected and idle: TAV0001.INF of
    // the folder left is written as at closing, `folders` enters the new one
    // and reads its parameter files, and its TAV0001.INF restores the ID box.
    // Returns the PC directory to show, or nothing when the folder stayed.
    bool MaySwitchWorkFolder() const { return initialised_ && !ManualLinkOn_ && !Busy(); }
    std::optional<std::string> SwitchWorkFolder(WorkFolders& folders, const std::string& dir);

    bool ManualLinkOn() const { return ManualLinkOn_; }
    bool HhtListPending() const { return HhtListPending_; }
    char ManualOp() const { return ManualOp_; }
    int PollErrCount() const { return PollErrCount_; }
    const HhtFileTable& Table() const { return table_; }

private:
    enum class Deferred { Start, CheckId, Dir, Del, Ren, Copy, DropHht, DropPc, Inst, ADown, AInst };
    bool DeferDuringTick(Deferred action);
    bool MayStart(Deferred action); // a file command may begin now
    void Pause(double seconds);
    void RunDeferred();

    void Connect();
    void Disconnect();
    void ShowDisconnected();
    void ShowOpenFailure(link::PortSetupResult result, const std::string& reason);
    void ReportPortFailure(const std::string& reason);
    void ClearHhtPane();
    void ReadHhtList();
    bool AwaitLine(); // false: disconnected
    std::string LatencyNote() const;
    void BeginOperation(char letter, OpButton button);
    void EndOperation(OpButton button);

    bool DeleteHhtFiles(const std::vector<std::string>& names, int& count); // false: ended here
    bool DeletePcFiles(const std::vector<std::string>& names, int& count);
    void RenameHhtFiles(const std::vector<std::string>& names);
    void RenamePcFiles(const std::vector<std::string>& names);
    void RefreshAfterDelete();
    bool PcDirectoryThere(); // false: no transfer, the pane moved
    TransferJob Job(TransferKind kind) const;
    void Download();
    void Upload();
    void RunOnAll(std::int16_t runMode, OpButton button);
    void RememberWindow(); // writes TAV0001.INF, or says why it could not

    link::Link& link_;
    ManualView& view_;
    ManualDialogs& dialogs_;
    HhtFileTable table_;
    bool ManualLinkOn_ = false;
    bool HhtListPending_ = true;
    char ManualOp_ = 'P';
    int PollErrCount_ = 0;
    bool inTick_ = false;
    bool readingList_ = false;
    bool waitingForLine_ = false;
    bool listUnread_ = false; // the last reading failed: the next tick tries again
    bool stopping_ = false;
    bool initialised_ = false;
    std::vector<Deferred> deferred_;
};

} // namespace tavelin::modes
