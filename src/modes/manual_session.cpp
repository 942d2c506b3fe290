// SPDX-License-Identifier: MIT
#include "manual_session.h"
#include "line_return.h"

#include "link/adapter_latency.h"
#include "link/commands.h"
#include "link/port_names.h"
#include "pc_file_ops.h"
#include "settings/numeric.h"
#include "settings/paths.h"
#include "settings/tav_inf.h"
#include "settings/texts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tavelin::modes {

namespace texts = tavelin::texts;

namespace {

constexpr int kTimeOutsBeforeError = 5; // the sixth in a row shows the error
constexpr auto kDrainLimit = std::chrono::seconds(5);
constexpr std::string_view kFirstId = "001"; // the ID box's text at a first start

std::string IdText(double value) { return settings::HhtIdText(value); }

bool IsValidId(double value) { return value >= 1 && value <= settings::kMaxHhtId; }

} // namespace

std::string DeleteQuestion(std::string_view name)
{
    return std::string(name) + "\r\n" + std::string(texts::kAskDelete);
}

std::string_view AutoRunCaption(std::int16_t runMode)
{
    return runMode == 5 ? texts::kCaptionInstallOnAll : texts::kCaptionCopyToAll;
}

std::string_view RenameSideText(RenameSide side)
{
    return side == RenameSide::Hht ? texts::kRenameHhtSide : texts::kRenamePcSide;
}

Status CheckNewName(RenameSide side, std::string_view name)
{
    if (side == RenameSide::Pc || link::IsHhtFileName(name))
        return Status::Ok();
    return Status::Failed(std::string(texts::kRenameNotForHhtPrefix) + std::string(name) +
                          std::string(texts::kRenameNotForHhtSuffix));
}

ManualSession::ManualSession(link::Link& link, ManualView& view, ManualDialogs& dialogs)
    : link_(link), view_(view), dialogs_(dialogs)
{
}

std::string ManualSession::Load(const std::string& currentDirectory)
{
    const auto memory = settings::ReadTavInf(link_.state.settings.WorkDir);
    if (!memory)
        return currentDirectory;
    view_.SetIdText(memory->hhtId);
    return StartDirectory(memory->directory, currentDirectory);
}

void ManualSession::Initialise()
{
    view_.SetStartCaption(texts::kButtonStart);
    ManualLinkOn_ = false;
    ManualOp_ = 'P';
    HhtListPending_ = true;
    link_.state.CurHhtId = IdText(settings::NumericValue(view_.IdText()));
    view_.SetOperationsEnabled(false);
    PollErrCount_ = 0;
    initialised_ = true;
}

// --- Deferral while a polling tick waits for the hand-held

bool ManualSession::DeferDuringTick(Deferred action)
{
    if (!inTick_)
        return false;
    if (std::find(deferred_.begin(), deferred_.end(), action) == deferred_.end())
        deferred_.push_back(action);
    return true;
}

void ManualSession::RunDeferred()
{
    while (!deferred_.empty() && !inTick_ && !stopping_) {
        const Deferred action = deferred_.front();
        deferred_.erase(deferred_.begin());
        switch (action) {
        case Deferred::Start: StartClicked(); break;
        case Deferred::CheckId: CheckHhtId(); break;
        case Deferred::Dir: DirClicked(); break;
        case Deferred::Del: DeleteClicked(); break;
        case Deferred::Ren: RenameClicked(); break;
        case Deferred::Copy: CopyClicked(); break;
        case Deferred::DropHht: DropOnHht(); break;
        case Deferred::DropPc: DropOnPc(); break;
        case Deferred::Inst: InstallClicked(); break;
        case Deferred::ADown: CopyToAllClicked(); break;
        case Deferred::AInst: InstallOnAllClicked(); break;
        }
    }
    deferred_.clear();
}

// --- Connection

void ManualSession::StartClicked()
{
    if (readingList_ || waitingForLine_) // 中断 ends a list that would not end by itself, 切断 a wait
        link_.state.flags.StopRequest = settings::kTrue;
    if (!initialised_ || stopping_ || DeferDuringTick(Deferred::Start))
        return; // before the initialisation a connection would be undone by it
    if (ManualOp_ != 'P')
        return; // closing the port under a running operation would cut it off
    if (ManualLinkOn_)
        Disconnect();
    else
        Connect();
}

void ManualSession::Connect()
{
    view_.SetStartEnabled(false);
    view_.SetPolling(false);
    const link::PortOpening opening = link::OpenHhtPort(link_);
    if (opening.result != link::PortSetupResult::Ok) {
        ShowOpenFailure(opening.result, opening.reason);
        ManualLinkOn_ = false;
        ShowDisconnected();
        view_.SetStartEnabled(true);
        return;
    }
    HhtListPending_ = true;
    ManualLinkOn_ = true;
    view_.SetStartCaption(texts::kButtonStop);
    view_.SetSettingsMenuEnabled(false);
    view_.SetOperationsEnabled(true);
    view_.HhtList().Clear();
    view_.SetConnectionMessage(texts::kHhtConnecting, MessageColour::Black);
    CheckHhtId();
    view_.SetPolling(true);
    view_.SetStartEnabled(true);
}

void ManualSession::ShowOpenFailure(link::PortSetupResult result, const std::string& reason)
{
    switch (result) {
    case link::PortSetupResult::BadBaud: dialogs_.ShowMessage(texts::kMsgBadBaud); break;
    case link::PortSetupResult::BadParity: dialogs_.ShowMessage(texts::kMsgBadParity); break;
    case link::PortSetupResult::BadDataBits: dialogs_.ShowMessage(texts::kMsgBadDataBits); break;
    case link::PortSetupResult::BadStopBits: dialogs_.ShowMessage(texts::kMsgBadStopBits); break;
    case link::PortSetupResult::AdapterError: dialogs_.ShowMessage(texts::kMsgIrlinkUnreachable); break;
    case link::PortSetupResult::PortError: ReportPortFailure(reason.empty() ? "cannot be opened" : reason); break;
    case link::PortSetupResult::Ok: break;
    }
}

// The box says what the operator can act on; the device and the system's
// words go with it as its details (the window also logs them).
void ManualSession::ReportPortFailure(const std::string& reason)
{
    const int number = std::atoi(link_.state.settings.ComPortCode.c_str()) + 1;
    dialogs_.ShowMessage(texts::kMsgComPortUnusable, link::PortFailureLine(number, link_.state.devices, reason));
}

void ManualSession::Disconnect()
{
    view_.SetStartEnabled(false);
    view_.SetPolling(false);
    ManualLinkOn_ = false;
    HhtListPending_ = true;
    auto& port = link_.port;
    if (port.CtsHolding()) // what is still queued goes out before the close
        link_.pump.RunUntil(link_.pump.Now() + kDrainLimit, [&] { return port.OutBufferCount() == 0; });
    if (port.IsOpen()) {
        link::ClosePort(link_);
        link::WaitSec(link_.pump, 0.1);
    }
    ShowDisconnected();
    view_.SetStartEnabled(true);
}

void ManualSession::ShowDisconnected()
{
    view_.SetSettingsMenuEnabled(true);
    view_.SetOperationsEnabled(false);
    view_.SetStartCaption(texts::kButtonStart);
    ClearHhtPane();
    view_.SetConnectionMessage("", MessageColour::Black);
}

void ManualSession::ClearHhtPane()
{
    view_.HhtList().Clear();
    view_.FreeSpace().SetText("");
}

// --- Polling

void ManualSession::Tick()
{
    if (inTick_ || stopping_ || !ManualLinkOn_ || ManualOp_ != 'P')
        return;
    inTick_ = true;
    link_.state.flags.StopRequest = settings::kFalse; // a stop left over from a closed window
    const int result = link::ConnectHht(link_);
    if (link_.port.Lost() && !AwaitLine())
        return;
    if (result == link::kOk) {
        PollErrCount_ = 0;
        if (HhtListPending_ || listUnread_) {
            ReadHhtList();
            link::EndSession(link_);
            HhtListPending_ = false;
        }
    } else if (result == link::kTimedOut && ++PollErrCount_ > kTimeOutsBeforeError) {
        HhtListPending_ = true;
        ClearHhtPane();
        view_.SetConnectionMessage(texts::kHhtConnectError, MessageColour::Red);
        PollErrCount_ = 0;
    }
    inTick_ = false;
    RunDeferred();
}

// The device went away: polling on would only ever time out. The window waits
// for it to come back and reads the list again; 切断 or closing ends the
// wait, and one that does not come back disconnects with the port's message.
bool ManualSession::AwaitLine()
{
    waitingForLine_ = true;
    const LineReturn back = AwaitLineReturn(
        link_, {[this](std::string_view line) { view_.LogLine(line); },
                [this](std::string_view text) { view_.SetConnectionMessage(text, MessageColour::Red); }, {}});
    waitingForLine_ = false;
    if (back == LineReturn::Back) {
        HhtListPending_ = true;
        PollErrCount_ = 0;
        ClearHhtPane();
        view_.SetConnectionMessage(texts::kHhtConnecting, MessageColour::Black);
        return true;
    }
    link_.state.flags.StopRequest = settings::kFalse;
    inTick_ = false;
    deferred_.clear(); // a 切断 that ended the wait must not connect again
    Disconnect();
    if (back == LineReturn::GaveUp)
        ReportPortFailure(std::string(texts::kDetailDeviceGone));
    return false;
}

// The message line says when the list shown is not the hand-held's whole
// list; one that could not be read is read again at the next polling tick.
void ManualSession::ReadHhtList()
{
    readingList_ = true;
    const int result = GetHhtFileList(link_, table_, view_.HhtList(), view_.FreeSpace());
    readingList_ = false;
    listUnread_ = result != 0 && result != -2;
    if (result == 0)
        view_.SetConnectionMessage(table_.Truncated ? std::string(texts::kHhtListTruncated) : LatencyNote(),
                                   MessageColour::Black);
    else if (result == -2)
        view_.SetConnectionMessage(texts::kHhtListStopped, MessageColour::Black);
    else
        view_.SetConnectionMessage(texts::kHhtListUnread, MessageColour::Red);
}

// With nothing else to say once connected, the message line names a USB
// serial adapter whose latency timer slows every exchange, and its remedy.
std::string ManualSession::LatencyNote() const
{
    return link::LatencyWindowNote(link_.port.AdapterLatencyTimer());
}

// --- The ID box

void ManualSession::CheckHhtId()
{
    if (stopping_ || DeferDuringTick(Deferred::CheckId))
        return;
    auto& current = link_.state.CurHhtId;
    const double value = settings::NumericValue(view_.IdText());
    if (!IsValidId(value) || (ManualOp_ != 'P' && IdText(value) != current)) {
        view_.SetIdText(current); // invalid, or an operation is talking to the current one
        return;
    }
    const std::string chosen = IdText(value);
    if (chosen == current)
        return; // the text stays as typed
    current = chosen;
    view_.SetIdText(current);
    HhtListPending_ = true;
    ClearHhtPane();
    if (ManualLinkOn_)
        view_.SetConnectionMessage(texts::kHhtConnecting, MessageColour::Black);
}

void ManualSession::ShowHhtIdInUse()
{
    if (!stopping_)
        view_.SetIdText(link_.state.CurHhtId);
}

// --- File commands

void ManualSession::BeginOperation(char letter, OpButton button)
{
    view_.SetOperationEnabled(button, false);
    ManualOp_ = letter;
    link_.state.flags.StopRequest = settings::kFalse;
}

void ManualSession::EndOperation(OpButton button)
{
    ManualOp_ = 'P';
    view_.SetOperationEnabled(button, true);
}

bool ManualSession::MayStart(Deferred action)
{
    if (!initialised_ || stopping_ || DeferDuringTick(action) || ManualOp_ != 'P')
        return false;
    // An ID typed but not yet taken: the command is for the hand-held shown.
    if (IdText(settings::NumericValue(view_.IdText())) != link_.state.CurHhtId)
        CheckHhtId();
    return true;
}

// The short pauses between the steps of an operation; none once closing.
void ManualSession::Pause(double seconds)
{
    if (!stopping_)
        link::WaitSec(link_.pump, seconds);
}

void ManualSession::DirClicked()
{
    if (!MayStart(Deferred::Dir) || HhtListPending_)
        return;
    BeginOperation('F', OpButton::Dir);
    ReadHhtList();
    Pause(0.2);
    EndOperation(OpButton::Dir);
}

// F5: the PC list always; the hand-held's list too while connected and idle.
void ManualSession::RereadClicked()
{
    if (stopping_)
        return;
    view_.RefreshPcFiles();
    if (ManualLinkOn_)
        DirClicked();
}

void ManualSession::DeleteClicked()
{
    if (!MayStart(Deferred::Del))
        return;
    BeginOperation('E', OpButton::Del);
    int count = 0;
    // Hand-held files win when both lists have a selection.
    std::vector<std::string> hhtNames;
    for (const HhtFileEntry& entry : view_.SelectedHhtFiles())
        hhtNames.push_back(entry.Name);
    if (!DeleteHhtFiles(hhtNames, count))
        return;
    if (count == 0) {
        if (!DeletePcFiles(view_.SelectedPcFiles(), count))
            return;
        if (count == 0) {
            dialogs_.ShowMessage(texts::kMsgNothingSelected);
            EndOperation(OpButton::Del);
            return;
        }
        view_.RefreshPcFiles();
    }
    RefreshAfterDelete();
    EndOperation(OpButton::Del);
}

bool ManualSession::DeleteHhtFiles(const std::vector<std::string>& names, int& count)
{
    DelAnswer answer = DelAnswer::DeleteThis;
    for (const std::string& name : names) {
        if (HhtListPending_ || stopping_) {
            EndOperation(OpButton::Del);
            return false;
        }
        if (answer == DelAnswer::DeleteThis)
            answer = dialogs_.AskDelete(name);
        if (answer == DelAnswer::Cancel) {
            RefreshAfterDelete(); // what was deleted before the cancel disappears from the list
            EndOperation(OpButton::Del);
            return false;
        }
        const int result = DeleteHhtFile(link_, name);
        if (stopping_)
            continue; // the next round of the loop ends the operation
        if (result == -4)
            dialogs_.ShowMessage(texts::kMsgHhtWrongMode);
        else if (result != 0)
            dialogs_.ShowMessage(texts::kMsgHhtDeleteFailed);
        ++count;
    }
    if (stopping_) {
        EndOperation(OpButton::Del);
        return false;
    }
    return true;
}

bool ManualSession::DeletePcFiles(const std::vector<std::string>& names, int& count)
{
    const std::string directory = settings::WithTrailingSeparator(view_.PcDirectory());
    DelAnswer answer = DelAnswer::DeleteThis;
    for (const std::string& name : names) {
        if (answer == DelAnswer::DeleteThis)
            answer = dialogs_.AskDelete(name);
        if (answer == DelAnswer::Cancel || stopping_) {
            EndOperation(OpButton::Del);
            view_.RefreshPcFiles();
            return false;
        }
        if (!DeletePcFile(directory, name))
            dialogs_.ShowMessage(texts::kMsgPcDeleteFailed);
        ++count; // a file that could not be deleted was still selected
    }
    return true;
}

void ManualSession::RefreshAfterDelete()
{
    if (!HhtListPending_ && !stopping_) {
        Pause(0.02);
        ManualOp_ = 'F';
        ReadHhtList();
    }
    Pause(0.2);
}

void ManualSession::RenameClicked()
{
    if (!MayStart(Deferred::Ren))
        return;
    BeginOperation('N', OpButton::Ren);
    std::vector<std::string> hhtNames;
    for (const HhtFileEntry& entry : view_.SelectedHhtFiles())
        hhtNames.push_back(entry.Name);
    const auto pcNames = hhtNames.empty() ? view_.SelectedPcFiles() : std::vector<std::string>{};
    if (hhtNames.empty() && pcNames.empty()) {
        dialogs_.ShowMessage(texts::kMsgNothingSelected);
        EndOperation(OpButton::Ren);
        return;
    }
    if (!hhtNames.empty())
        RenameHhtFiles(hhtNames);
    else
        RenamePcFiles(pcNames);
    if (!HhtListPending_ && !stopping_)
        ReadHhtList();
    Pause(0.2);
    view_.RefreshPcFiles();
    EndOperation(OpButton::Ren);
}

void ManualSession::RenameHhtFiles(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        if (HhtListPending_ || stopping_)
            return;
        const auto newName = dialogs_.AskNewName(RenameSide::Hht, name);
        if (!newName)
            return;
        const int result = RenameHhtFile(link_, name, *newName);
        if (stopping_)
            return;
        if (result == -4)
            dialogs_.ShowMessage(texts::kMsgHhtWrongMode);
        else if (result != 0)
            dialogs_.ShowMessage(texts::kMsgRenameFailed);
    }
}

void ManualSession::RenamePcFiles(const std::vector<std::string>& names)
{
    const std::string directory = settings::WithTrailingSeparator(view_.PcDirectory());
    for (const std::string& name : names) {
        const auto newName = dialogs_.AskNewName(RenameSide::Pc, name);
        if (!newName || stopping_)
            return;
        if (*newName != name && !RenamePcFile(directory, name, *newName))
            dialogs_.ShowMessage(texts::kMsgRenameFailed);
    }
}

// --- Transfers

bool ManualSession::PcDirectoryThere() { return view_.PcDirectoryThere(); }

void ManualSession::PcDirectoryGone(const std::string& gone)
{
    view_.SetConnectionMessage(std::string(texts::kPcFolderGonePrefix) + gone + std::string(texts::kPcFolderGoneMiddle) +
                                   view_.PcDirectory() + std::string(texts::kPcFolderGoneSuffix),
                               MessageColour::Red);
}

TransferJob ManualSession::Job(TransferKind kind) const
{
    TransferJob job{kind, view_.PcDirectory(), {}, {}};
    if (kind == TransferKind::Upload)
        job.hhtFiles = view_.SelectedHhtFiles();
    else
        job.pcNames = view_.SelectedPcFiles();
    return job;
}

// The progress dialog of a download, then the hand-held's list as it now is.
void ManualSession::Download()
{
    dialogs_.RunTransfer(Job(TransferKind::Download));
    if (!HhtListPending_ && !stopping_)
        ReadHhtList();
}

void ManualSession::Upload()
{
    dialogs_.RunTransfer(Job(TransferKind::Upload));
    view_.RefreshPcFiles();
}

void ManualSession::CopyClicked()
{
    if (!MayStart(Deferred::Copy) || HhtListPending_ || !PcDirectoryThere())
        return;
    BeginOperation('U', OpButton::Copy);
    if (!view_.SelectedPcFiles().empty()) {
        Download();
    } else if (!view_.SelectedHhtFiles().empty()) {
        Upload();
    } else {
        dialogs_.ShowMessage(texts::kMsgNothingSelected);
        EndOperation(OpButton::Copy);
        return;
    }
    if (!HhtListPending_ && !stopping_)
        link::EndSession(link_);
    EndOperation(OpButton::Copy);
}

void ManualSession::DropOnHht()
{
    if (!MayStart(Deferred::DropHht) || HhtListPending_ || !PcDirectoryThere())
        return;
    ManualOp_ = 'U'; // a drop disables no button
    link_.state.flags.StopRequest = settings::kFalse;
    Download();
    if (!HhtListPending_ && !stopping_)
        link::EndSession(link_);
    ManualOp_ = 'P';
}

void ManualSession::DropOnPc()
{
    if (!MayStart(Deferred::DropPc) || HhtListPending_ || !PcDirectoryThere())
        return;
    ManualOp_ = 'U';
    link_.state.flags.StopRequest = settings::kFalse;
    Upload();
    if (!HhtListPending_ && !stopping_)
        link::EndSession(link_);
    ManualOp_ = 'P';
}

void ManualSession::InstallClicked()
{
    if (!MayStart(Deferred::Inst) || HhtListPending_ || !PcDirectoryThere())
        return;
    const auto selected = view_.SelectedPcFiles();
    if (selected.size() != 1) {
        dialogs_.ShowMessage(selected.empty() ? texts::kMsgNothingSelected : texts::kMsgSeveralSelected);
        return;
    }
    BeginOperation('A', OpButton::Inst);
    dialogs_.RunTransfer(Job(TransferKind::Install));
    EndOperation(OpButton::Inst);
}

void ManualSession::CopyToAllClicked() { RunOnAll(4, OpButton::ADown); }

void ManualSession::InstallOnAllClicked() { RunOnAll(5, OpButton::AInst); }

// Copy or install to every configured hand-held: the automatic window runs
// one pass on this window's port, with no history written. It would share
// the port with a running operation, so it waits its turn like the others.
void ManualSession::RunOnAll(std::int16_t runMode, OpButton button)
{
    if (!MayStart(runMode == 4 ? Deferred::ADown : Deferred::AInst) || !ManualLinkOn_ || !PcDirectoryThere())
        return;
    const auto selected = view_.SelectedPcFiles();
    if (selected.empty() || (runMode == 5 && selected.size() > 1)) {
        dialogs_.ShowMessage(selected.empty() ? texts::kMsgNothingSelected : texts::kMsgSeveralSelected);
        return;
    }
    BeginOperation('D', button);
    auto& s = link_.state.settings;
    const auto savedRounds = s.AutoPollCount;
    const auto savedHistory = s.HistoryMode;
    s.AutoPollCount = 1;
    s.HistoryMode = 3;
    s.RunMode = runMode;
    dialogs_.RunAutoCycle(runMode, {settings::WithTrailingSeparator(view_.PcDirectory()), selected, selected.front()});
    s.AutoPollCount = savedRounds;
    s.HistoryMode = savedHistory;
    link_.state.CurHhtId = IdText(settings::NumericValue(view_.IdText()));
    HhtListPending_ = true; // other hand-helds were visited: read this one's list afresh
    if (runMode == 4 && !stopping_)
        link::EndSession(link_);
    EndOperation(button);
}

// --- Closing

void ManualSession::RequestStop()
{
    stopping_ = true;
    deferred_.clear();
    if (Busy())
        link_.state.flags.StopRequest = settings::kTrue;
}

void ManualSession::Unload()
{
    stopping_ = true;
    view_.SetPolling(false);
    auto& port = link_.port;
    if (port.IsOpen()) {
        if (port.CtsHolding())
            link_.pump.RunUntil(link_.pump.Now() + kDrainLimit, [&] { return port.OutBufferCount() == 0; });
        link::ClosePort(link_);
    }
    ManualLinkOn_ = false;
    RememberWindow();
}

// TAV0001.INF of the work folder: the ID box and the PC directory for the
// next start there. One that cannot be written is said, with the file and
// the system's words: the next start would silently open elsewhere.
void ManualSession::RememberWindow()
{
    const Status written = settings::WriteTavInf(link_.state.settings.WorkDir, {view_.IdText(), view_.PcDirectory()});
    if (written)
        return;
    std::string details = link_.state.settings.WorkDir + "TAV0001.INF";
    if (!written.Reason().empty())
        details += "\n" + written.Reason();
    dialogs_.ShowMessage(texts::kMsgTavInfNotSaved, details);
}

std::optional<std::string> ManualSession::SwitchWorkFolder(WorkFolders& folders, const std::string& dir)
{
    if (!MaySwitchWorkFolder())
        return std::nullopt;
    RememberWindow();
    if (!folders.Enter(dir))
        return std::nullopt;
    // As a first start there: ID 001 unless the folder remembers another.
    view_.SetIdText(kFirstId);
    const std::string directory = Load(settings::CurrentDirectory());
    link_.state.CurHhtId = IdText(settings::NumericValue(view_.IdText()));
    ClearHhtPane();
    return directory;
}

} // namespace tavelin::modes
