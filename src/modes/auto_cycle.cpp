// SPDX-License-Identifier: MIT
#include "auto_cycle.h"
#include "line_return.h"
#include "stop_hint.h"

#include "link/adapter_latency.h"
#include "link/commands.h"
#include "link/port_names.h"
#include "link/port_setup.h"
#include "settings/end_param.h"
#include "settings/paths.h"
#include "settings/result_log.h"
#include "settings/status.h"
#include "settings/text_file.h"
#include "settings/texts.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tavelin::modes {

namespace texts = tavelin::texts;
using settings::kFalse;
using settings::kTrue;

namespace {

constexpr std::size_t kMaxDownloadNames = 129;

bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(settings::FsPath(path), error);
}

bool DirectoryExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(settings::FsPath(path), error);
}

std::int32_t FileLength(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(settings::FsPath(path), error);
    return error ? 0 : static_cast<std::int32_t>(std::min<std::uintmax_t>(size, INT32_MAX));
}

// Done when a path from DIRPRM.DAT names a file (or a folder) that a run can
// use; else failed with why not, for the run's log.
Status Usable(const std::string& path, std::filesystem::file_type wanted)
{
    using std::filesystem::file_type;
    if (path.empty())
        return Status::Failed("is not named");
    std::error_code error;
    auto type = std::filesystem::status(settings::FsPath(path), error).type();
    if (type == wanted)
        return Status::Ok();
    if (type == file_type::not_found && settings::IsDirSeparator(path.back())) { // "A.DAT/" of a file is not found
        std::string bare = path;
        while (!bare.empty() && settings::IsDirSeparator(bare.back()))
            bare.pop_back();
        if (!bare.empty() && std::filesystem::status(settings::FsPath(bare), error).type() == file_type::regular)
            return Status::Failed("is a file, not a folder");
    }
    switch (type) {
    case file_type::not_found: return Status::Failed("is not there");
    case file_type::none: { // a folder on the way that may not be searched
        std::string words = error.message();
        if (!words.empty())
            words[0] = char(std::tolower(static_cast<unsigned char>(words[0])));
        return Status::Failed("cannot be looked at (" + words + ")");
    }
    case file_type::directory: return Status::Failed("is a folder, not a file");
    default: return Status::Failed(wanted == file_type::directory ? "is not a folder" : "is not a regular file");
    }
}

// Splits at the last separator into the directory (with the separator) and the name.
std::pair<std::string, std::string> SplitPath(const std::string& path)
{
    const auto last = std::find_if(path.rbegin(), path.rend(), settings::IsDirSeparator);
    const auto cut = static_cast<std::size_t>(path.rend() - last); // 0 when there is no separator
    return {path.substr(0, cut), path.substr(cut)};
}

// The result file names the failure; the log also says why.
std::string PortErrorLine(const settings::AppState& state, const std::string& reason)
{
    return link::PortFailureLine(std::atoi(state.settings.ComPortCode.c_str()) + 1, state.devices, reason);
}

// "1-3,7" for the IDs switched on in the polling range.
std::string PolledIds(const settings::AppState& state)
{
    std::string text;
    const auto& on = state.settings.HhtIdOn;
    int runStart = -1;
    const int last = std::min<int>(state.LastPollId, settings::kMaxHhtId - 1);
    for (int index = std::max<int>(state.FirstPollId, 0); index <= last + 1; ++index) {
        const bool polled = index <= last && on[index] == "1";
        if (polled && runStart < 0)
            runStart = index;
        if (!polled && runStart >= 0) {
            text += (text.empty() ? "" : ",") + std::to_string(runStart + 1);
            if (index - 1 > runStart)
                text += "-" + std::to_string(index);
            runStart = -1;
        }
    }
    return text.empty() ? "none" : text;
}

// "; " and the note on the adapter's latency timer, or nothing.
std::string LatencyRemark(const link::SerialPort& port)
{
    const std::string note = link::LatencyStartNote(port.AdapterLatencyTimer());
    return note.empty() ? note : "; " + note;
}

// An unattended run says once what it is about to do, so a batch log shows
// which device it really talks to and how to end it, and what slows it down
// when the USB serial adapter's timer is set high.
std::string RunStartLine(const settings::AppState& state, const link::SerialPort& port)
{
    const auto& s = state.settings;
    static constexpr const char* kModes[] = {"", "/APIN", "/DOWN", "/UP"};
    const int number = std::atoi(s.ComPortCode.c_str()) + 1;
    const link::PortDevice device = link::ResolvePortDevice(number, state.devices);
    // Quoted: a name from the environment or the settings file must not
    // write lines of its own into the log.
    std::string opened = link::DeviceLabel(device);
    std::error_code error;
    const bool refused = !link::MayOpenDevice(number, device, state.devices);
    const auto real = refused ? std::filesystem::path()
                              : std::filesystem::canonical(settings::FsPath(device.path), error);
    if (!error && !real.empty() && real.string() != device.path)
        opened += " -> " + link::QuotedName(real.string());
    opened += ", " + link::DeviceSourceText(number, device.source);
    const auto line = link::BuildSettingsString(s);
    const std::string rounds =
        s.AutoPollCount > 0 ? std::to_string(s.AutoPollCount) + " round(s)" : std::string("rounds until stopped");
    return std::string(kModes[s.RunMode]) + " run on COM" + std::to_string(number) + " (" + opened + "), " +
           (line ? *line : std::string("?")) + "; polling IDs " + PolledIds(state) + ", " + rounds +
           "; to stop, write 1 (stop) or 2 (quit) into " + s.WorkDir +
           "ENDPRM.DAT or " + kStopFromOutside + LatencyRemark(port);
}

// A quiet run says only what slows it down, when anything does.
std::string StartLine(const settings::AppState& state, const link::SerialPort& port)
{
    if (!state.quiet)
        return RunStartLine(state, port);
    const std::string note = link::LatencyStartNote(port.AdapterLatencyTimer());
    const int number = std::atoi(state.settings.ComPortCode.c_str()) + 1;
    return note.empty() ? note : "COM" + std::to_string(number) + ": " + note;
}

} // namespace

std::vector<std::string> ListDownloadNames(const std::string& directory)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(settings::FsPath(directory), error), end; !error && it != end;
         it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        const auto u8 = it->path().filename().u8string();
        names.emplace_back(u8.begin(), u8.end());
    }
    return names;
}

AutoCycle::AutoCycle(link::Link& link, AutoView& view, ManualSelection selection)
    : link_(link), view_(view), selection_(std::move(selection))
{
}

bool AutoCycle::OwnsPort() const { return link_.state.settings.RunMode >= 1 && link_.state.settings.RunMode <= 3; }

bool AutoCycle::Start()
{
    auto& state = link_.state;
    if (OwnsPort()) {
        const link::PortOpening opening = link::OpenHhtPort(link_);
        switch (opening.result) {
        case link::PortSetupResult::Ok:
            portOpenedHere_ = true;
            if (const std::string line = StartLine(state, link_.port); !line.empty())
                view_.LogLine(line);
            break;
        case link::PortSetupResult::PortError:
            view_.LogLine(PortErrorLine(link_.state, opening.reason));
            Fail(1);
            return false;
        case link::PortSetupResult::AdapterError:
            Fail(5);
            return false;
        default: // a communication code without a meaning
            Fail(2);
            return false;
        }
    }
    state.flags.QuitRequest = quitRequested_ ? kTrue : kFalse;
    state.flags.StopRequest = quitRequested_ ? kTrue : kFalse;
    servedCount_ = 0;
    pollRound_ = 0;
    ticked_ = false;
    pollIndex_ = state.FirstPollId;
    started_ = true;
    // With no configured ID there is nothing to visit: the run ends at once.
    if (pollIndex_ < 0) {
        EndRun();
        return false;
    }
    return true;
}

void AutoCycle::Tick()
{
    if (inTick_ || ended_)
        return;
    inTick_ = true;
    auto& flags = link_.state.flags;
    const bool askedBefore = flags.QuitRequest || flags.StopRequest;
    settings::ReadEndParam(link_.state);
    if (!ticked_ && !askedBefore && (flags.QuitRequest || flags.StopRequest))
        SayEndParamAtStart();
    ticked_ = true;
    if (flags.QuitRequest) {
        flags.QuitRequest = kFalse;
        EndRun();
    } else if (flags.StopRequest) {
        flags.StopRequest = kFalse;
        EndRun();
    } else {
        Visit();
        if (!ended_ && link_.port.Lost())
            LineLost();
        else if (!ended_ && !Advance())
            EndRun();
    }
    inTick_ = false;
}

// A stop request the run found as it began is most likely one that an
// earlier run was stopped with and nobody removed: every run would end at
// once, serving nothing, with a RESULT.DAT line of success.
void AutoCycle::SayEndParamAtStart()
{
    const char* request = link_.state.flags.QuitRequest ? "2, quit" : "1, stop";
    view_.LogLine(link_.state.settings.WorkDir + "ENDPRM.DAT (" + request +
                  ") was already there when the run began, so it ended at once and served no hand-held; remove the "
                  "file before the next run");
}

void AutoCycle::Visit()
{
    const auto& s = link_.state.settings;
    link_.state.CurHhtId = settings::HhtIdText(pollIndex_ + 1);
    if (s.HhtIdOn[pollIndex_] != "1")
        return;
    view_.SetMessage(std::string(texts::kConnectingPrefix) + link_.state.CurHhtId + std::string(texts::kConnectingSuffix));
    if (link::ConnectHht(link_) != 0)
        return;
    ++servedCount_;
    switch (s.RunMode) {
    case 1: OperationApIn(); break;
    case 2: OperationDown(); break;
    case 3: OperationUp(); break;
    case 4: OperationCopyToAll(); break;
    case 5: OperationInstallOnAll(); break;
    default: break;
    }
}

bool AutoCycle::Advance()
{
    const auto& s = link_.state.settings;
    const auto first = link_.state.FirstPollId;
    const auto last = link_.state.LastPollId;
    // At most one full lap: an ID table without any "1" can never loop here.
    for (int step = 0; step <= settings::kMaxHhtId; ++step) {
        ++pollIndex_;
        if (pollIndex_ > last || pollIndex_ >= settings::kMaxHhtId) {
            pollIndex_ = first;
            if (s.AutoPollCount > 0 && ++pollRound_ >= s.AutoPollCount)
                return false;
        }
        if (s.HhtIdOn[pollIndex_] == "1")
            return true;
    }
    return false;
}

void AutoCycle::EndRun()
{
    if (ended_)
        return;
    ended_ = true;
    if (OwnsPort())
        settings::WriteResult(link_.state, 0, servedCount_);
    view_.RequestUnload();
    link_.state.flags.StopRequest = kFalse;
}

void AutoCycle::RequestQuit()
{
    quitRequested_ = true;
    link_.state.flags.QuitRequest = kTrue;
    link_.state.flags.StopRequest = kTrue;
}

void AutoCycle::Fail(std::int16_t resultCode)
{
    ended_ = true;
    failed_ = true;
    settings::WriteResult(link_.state, -1, resultCode);
    view_.RequestUnload();
    link_.state.flags.StopRequest = kFalse;
}

// A run with rounds left waits for the device to come back and goes on with
// the next hand-held; the one cut off is served again in the next round.
void AutoCycle::LineLost()
{
    const LineWait wait{[this](std::string_view line) { view_.LogLine(line); },
                        [this](std::string_view text) { view_.SetMessage(text); },
                        [this] { settings::ReadEndParam(link_.state); }};
    switch (Advance() ? AwaitLineReturn(link_, wait) : LineReturn::GaveUp) {
    case LineReturn::Back: return;
    case LineReturn::Stopped: EndRun(); return;
    case LineReturn::GaveUp: PortLost(); return;
    }
}

// Every read fails at once on a lost port, so going on would only report
// each hand-held as failed, round after round.
void AutoCycle::PortLost()
{
    view_.LogLine(LineGoneLine(link_.state));
    if (OwnsPort()) {
        Fail(1);
        return;
    }
    view_.ShowMessageBox(texts::kMsgComPortUnusable);
    EndRun();
}

void AutoCycle::Unload()
{
    if (started_ && !ended_)
        EndRun();
    link_.state.flags.StopRequest = kTrue;
    if (!portOpenedHere_)
        return;
    auto& port = link_.port;
    if (port.CtsHolding()) {
        link_.pump.RunUntil(link_.pump.Now() + std::chrono::seconds(5), [&] { return port.OutBufferCount() == 0; });
    }
    link::ClosePort(link_);
    portOpenedHere_ = false;
}

int AutoCycle::TransferWithStopCaption(const std::function<int()>& transfer)
{
    view_.SetEndButtonCaption(texts::kButtonStop);
    const int result = transfer();
    view_.SetEndButtonCaption(texts::kButtonEnd);
    return result;
}

void AutoCycle::InstallApplication(const std::string& directory, const std::string& name, bool fromManualWindow)
{
    view_.SetMessage("ID " + link_.state.CurHhtId + ": " + name + "\r\n" + std::string(texts::kApDownloading));
    const int result = TransferWithStopCaption(
        [&] { return transfer::DownloadFile(link_, "A", directory, name, view_.Progress()); });
    settings::HistoryList* list = view_.History();
    switch (result) {
    case 0:
        settings::WriteHistory(link_.state, list, name, FileLength(directory + name), 0, texts::kApInstallOk);
        break;
    case -2:
        settings::WriteHistory(link_.state, list, name, 0, -2, texts::kApInstallStopped);
        break;
    case -4:
        settings::WriteHistory(link_.state, list, "", 0, -4, texts::kHhtModeErrorListText);
        break;
    case -5:
        if (!fromManualWindow) {
            settings::WriteHistory(link_.state, list, name, 0, -5, texts::kApInstallFailed);
            break;
        }
        [[fallthrough]];
    default:
        settings::WriteHistory(link_.state, list, name, 0, -1, texts::kApInstallFailed);
        break;
    }
}

void AutoCycle::DirParamFault(int line, const std::string& what, const std::string& path, const std::string& why)
{
    const std::string named = path.empty() ? what : what + " " + settings::WithoutControlCharacters(path);
    view_.LogLine(link_.state.settings.WorkDir + "DIRPRM.DAT line " + std::to_string(line) + ": " + named + " " + why +
                  "; the run ends with code 4 in RESULT.DAT");
    Fail(4);
}

void AutoCycle::OperationApIn()
{
    const std::string& apFile = link_.state.settings.ApFile;
    if (!FileExists(apFile) || (!apFile.empty() && apFile.back() == settings::kDirSeparator)) {
        const Status usable = Usable(apFile, std::filesystem::file_type::regular);
        DirParamFault(1, "the application file", apFile, usable ? "is a folder, not a file" : usable.Reason());
        return;
    }
    const auto [directory, name] = SplitPath(apFile);
    if (!link::IsApplicationFile(name)) {
        DirParamFault(1, "the application file", apFile,
                      "cannot be installed: a hand-held takes a .HEX file of at most 8 characters, a dot and 3");
        return;
    }
    InstallApplication(directory, name, false);
}

void AutoCycle::OperationDown()
{
    const std::string& downDir = link_.state.settings.DownDir;
    std::vector<std::string> names;
    std::string directory;
    if (!downDir.empty() && settings::IsDirSeparator(downDir.back())) {
        if (!DirectoryExists(downDir)) {
            DirParamFault(2, "the download folder", downDir,
                          Usable(downDir, std::filesystem::file_type::directory).Reason());
            return;
        }
        directory = downDir;
        names = ListDownloadNames(downDir);
    } else {
        if (!FileExists(downDir)) {
            // Without its separator at the end the line names one file to send.
            const std::string why = DirectoryExists(downDir)
                                        ? std::string("is a folder: end it with ") + settings::kDirSeparator +
                                              " to send the files in it"
                                        : Usable(downDir, std::filesystem::file_type::regular).Reason();
            DirParamFault(2, "the file to download", downDir, why);
            return;
        }
        auto [dir, name] = SplitPath(downDir);
        directory = dir;
        names.push_back(name);
    }
    if (names.empty())
        return;
    // A set carries at most 129 files; the others are named in the history
    // rather than dropped without a word.
    if (names.size() > kMaxDownloadNames) {
        for (std::size_t i = kMaxDownloadNames; i < names.size(); ++i)
            settings::WriteHistory(link_.state, view_.History(), names[i], 0, -5, texts::kDownloadMax);
        names.resize(kMaxDownloadNames);
    }
    TransferWithStopCaption([&] {
        return transfer::DownloadFileSet(link_, directory, names, view_.Progress(), Lines());
    });
}

void AutoCycle::OperationUp()
{
    const auto& s = link_.state.settings;
    if (!DirectoryExists(s.UpDir)) {
        DirParamFault(3, "the upload folder", s.UpDir,
                      Usable(s.UpDir, std::filesystem::file_type::directory).Reason());
        return;
    }
    TransferWithStopCaption(
        [&] { return transfer::UploadAllFiles(link_, s.UpDir, view_.Progress(), s.UploadMode, upFiles_, Lines()); });
}

void AutoCycle::OperationCopyToAll()
{
    for (const std::string& name : selection_.selectedNames) {
        if (!link::IsHhtFileName(name)) {
            settings::WriteHistory(link_.state, view_.History(), name, 0, -5, texts::kNameNotUsable);
            view_.ShowMessageBox(std::string(texts::kNameNotForHhtPrefix) + name + std::string(texts::kNameNotForHhtSuffix));
            continue;
        }
        view_.SetMessage("ID " + link_.state.CurHhtId + ": " + name + std::string(texts::kDownloadingNoBlank));
        const int result = TransferWithStopCaption(
            [&] { return transfer::DownloadFile(link_, "D", selection_.directory, name, view_.Progress()); });
        settings::HistoryList* list = view_.History();
        if (result == 0) {
            settings::WriteHistory(link_.state, list, name, FileLength(selection_.directory + name), 0, texts::kDownloadOkListText);
        } else if (result == -2) {
            settings::WriteHistory(link_.state, list, name, 0, -2, texts::kDownloadStoppedListText);
            return;
        } else if (result == -4) {
            settings::WriteHistory(link_.state, list, "", 0, -4, texts::kHhtModeErrorListText);
        } else {
            settings::WriteHistory(link_.state, list, name, 0, -1, texts::kDownloadFailedListText);
        }
    }
}

void AutoCycle::OperationInstallOnAll()
{
    const std::string& name = selection_.currentName;
    if (!link::IsApplicationFile(name)) {
        view_.ShowMessageBox(std::string(texts::kNotApFilePrefix) + name + std::string(texts::kNotApFileSuffix));
        ended_ = true;
        view_.RequestUnload();
        link_.state.flags.StopRequest = kFalse;
        return;
    }
    InstallApplication(selection_.directory, name, true);
}

} // namespace tavelin::modes
