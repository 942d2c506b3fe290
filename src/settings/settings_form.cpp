// SPDX-License-Identifier: MIT
#include "settings_form.h"

#include "codepage.h"
#include "numeric.h"
#include "param_files.h"
#include "paths.h"
#include "texts.h"
#include "text_file.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <system_error>

namespace tavelin::settings {

namespace {

// The code when one of the group's buttons stands for it, else no selection.
std::string Selectable(const std::string& code, std::initializer_list<std::string_view> codes)
{
    return std::find(codes.begin(), codes.end(), code) != codes.end() ? code : std::string();
}

int SelectableMode(int mode) { return mode >= 1 && mode <= 3 ? mode : 0; }

bool Between(double value, double low, double high) { return value >= low && value <= high; }

bool IdRowValid(const std::string& first, const std::string& last)
{
    const double from = NumericValue(first);
    const double to = NumericValue(last);
    return Between(from, 1, kMaxHhtId) && Between(to, 1, kMaxHhtId) && to - from >= 0;
}

// The checks of OK in their order; the first failure's message, or nothing.
std::optional<std::string_view> FirstRefusal(SettingsForm& form)
{
    if (form.upDir.empty() || form.upDir.back() != kDirSeparator)
        return texts::kMsgBadUpDir;
    const double commTimeout = NumericValue(form.commTimeout);
    if (!Between(commTimeout, 500, 5000))
        return texts::kMsgBadCommTimeout;
    // The slow rates need a longer wait than they may be given: raised
    // quietly, after the range check has seen the typed value.
    if (form.baudCode == "0" && commTimeout < 1200)
        form.commTimeout = "1200";
    else if (form.baudCode == "1" && commTimeout < 800)
        form.commTimeout = "800";
    if (!Between(NumericValue(form.pollTimeout), 50, 300))
        return texts::kMsgBadPollTimeout;
    if (!IsNumericText(form.retry) || !Between(NumericValue(form.retry), 0, 50))
        return texts::kMsgBadPollCount;
    int rows = 0;
    for (int i = 0; i < kIdRows; ++i) {
        if (form.idFrom[i].empty())
            continue; // whatever the second box holds
        ++rows;
        if (!IsNumericText(form.idFrom[i]) || !IsNumericText(form.idTo[i]) || !IdRowValid(form.idFrom[i], form.idTo[i]))
            return texts::kMsgBadHhtId;
    }
    if (rows == 0)
        return texts::kMsgNoHhtId;
    // DIRPRM.DAT is code page 932, one path a line: anything else would be
    // read back by the next run as a different path.
    for (const std::string* path : {&form.apFile, &form.downDir, &form.upDir}) {
        const bool lineEnd = path->find_first_of("\r\n") != std::string::npos;
        if (lineEnd || Cp932ToUtf8(Utf8ToCp932(*path)) != *path)
            return texts::kMsgPathNotStorable;
    }
    return std::nullopt;
}

void SetCode(std::string& field, const std::string& selected)
{
    if (!selected.empty())
        field = selected;
}

void SetNumber(std::int16_t& field, const std::string& text)
{
    if (auto value = ToInt16(NumericValue(text)))
        field = *value;
}

void UpdateRecord(const SettingsForm& form, Settings& s)
{
    SetCode(s.BaudCode, form.baudCode);
    SetCode(s.ParityCode, form.parityCode);
    SetCode(s.DataBitsCode, form.dataBitsCode);
    SetCode(s.StopBitsCode, form.stopBitsCode);
    SetCode(s.ComPortCode, form.comPortCode);
    SetNumber(s.PollTimeout, form.pollTimeout);
    SetNumber(s.CommTimeout, form.commTimeout);

    std::fill(s.HhtIdOn.begin(), s.HhtIdOn.begin() + kMaxHhtId, std::string("0"));
    for (int i = 0; i < kIdRows; ++i) {
        s.HhtIdRange[i] = IdRange{};
        if (!IdRowValid(form.idFrom[i], form.idTo[i]))
            continue;
        // Rounded as the reader rounds the same texts, so the next run marks the same IDs.
        const int from = static_cast<int>(std::nearbyint(NumericValue(form.idFrom[i])));
        const int to = static_cast<int>(std::nearbyint(NumericValue(form.idTo[i])));
        for (int k = from - 1; k <= to - 1; ++k)
            s.HhtIdOn[k] = "1";
        s.HhtIdRange[i] = IdRange{form.idFrom[i], form.idTo[i]};
    }

    s.ApFile = form.apFile;
    s.DownDir = form.downDir;
    s.UpDir = form.upDir;
    if (form.uploadMode != 0)
        s.UploadMode = static_cast<std::int16_t>(form.uploadMode);
    if (form.historyMode != 0)
        s.HistoryMode = static_cast<std::int16_t>(form.historyMode);
    SetNumber(s.AutoPollCount, form.retry);
    SetCode(s.PortKindCode, form.portKindCode);
}

bool BaudClashesWithPortKind(const Settings& s)
{
    const std::string& kind = s.PortKindCode;
    const std::string& baud = s.BaudCode;
    return (kind == "1" && baud == "4") || (kind == "2" && (baud == "0" || baud == "3")) ||
           (kind == "3" && baud == "0");
}

} // namespace

std::string DefaultCommTimeout(std::string_view baudCode)
{
    if (baudCode == "0")
        return "2000";
    if (baudCode == "1")
        return "1000";
    if (baudCode == "2")
        return "800";
    if (baudCode == "3" || baudCode == "5")
        return "500";
    return {};
}

std::array<std::optional<bool>, 5> BaudButtonsFor(std::string_view portKindCode)
{
    constexpr bool on = true, off = false;
    if (portKindCode == "1")
        return {on, on, on, on, std::nullopt};
    if (portKindCode == "2")
        return {off, on, on, off, on};
    if (portKindCode == "3")
        return {off, on, on, on, on};
    return {on, on, on, on, on};
}

SettingsForm FormFromSettings(const Settings& s)
{
    SettingsForm form;
    form.baudCode = Selectable(s.BaudCode, {"0", "1", "2", "3", "5"});
    form.parityCode = Selectable(s.ParityCode, {"0", "1", "2"});
    form.dataBitsCode = Selectable(s.DataBitsCode, {"0", "1"});
    form.stopBitsCode = Selectable(s.StopBitsCode, {"0", "1"});
    form.comPortCode = Selectable(s.ComPortCode, {"0", "1", "2", "3"});
    form.portKindCode = Selectable(s.PortKindCode, {"0", "1", "2", "3"});
    form.pollTimeout = std::to_string(s.PollTimeout);
    form.commTimeout = std::to_string(s.CommTimeout);
    for (int i = 0; i < kIdRows; ++i) {
        if (!s.HhtIdRange[i].IdFrom.empty()) {
            form.idFrom[i] = s.HhtIdRange[i].IdFrom;
            form.idTo[i] = s.HhtIdRange[i].IdTo;
        }
    }
    form.apFile = s.ApFile;
    form.downDir = s.DownDir;
    form.upDir = s.UpDir;
    form.retry = std::to_string(s.AutoPollCount);
    form.uploadMode = SelectableMode(s.UploadMode);
    form.historyMode = SelectableMode(s.HistoryMode);
    return form;
}

OkOutcome ApplySettingsForm(SettingsForm& form, AppState& state)
{
    OkOutcome outcome;
    if (const auto refusal = FirstRefusal(form)) {
        outcome.message = *refusal;
        return outcome;
    }
    Settings& s = state.settings;
    const Settings oldRecord = s;
    const auto oldFirst = state.FirstPollId, oldLast = state.LastPollId;
    UpdateRecord(form, s);
    InitPollRange(state); // copy and install to all follow the new ranges
    struct ParamFile {
        const char* name;
        Status (*write)(const Settings&);
        bool OkOutcome::*failed;
    };
    static constexpr ParamFile kFiles[] = {{"RSPRM.DAT", WriteRsPrm, &OkOutcome::rsPrmFailed},
                                           {"HHTPRM.DAT", WriteHhtPrm, &OkOutcome::hhtPrmFailed},
                                           {"DIRPRM.DAT", WriteDirPrm, &OkOutcome::dirPrmFailed}};
    std::optional<std::string> before[std::size(kFiles)];
    for (std::size_t i = 0; i < std::size(kFiles); ++i)
        before[i] = ReadFileBytes(s.WorkDir + kFiles[i].name);
    for (std::size_t i = 0; i < std::size(kFiles); ++i) {
        const Status written = kFiles[i].write(s);
        if (written)
            continue;
        outcome.*kFiles[i].failed = true;
        outcome.file = s.WorkDir + kFiles[i].name;
        outcome.reason = written.Reason();
        for (std::size_t j = 0; j < i; ++j) // the ones written: as they were, as far as the disk lets
            (void)RestoreParamFile(s, kFiles[j].name, before[j]);
        s = oldRecord;
        state.FirstPollId = oldFirst;
        state.LastPollId = oldLast;
        outcome.end = OkEnd::NotSaved;
        outcome.message = texts::kMsgSettingsNotSaved;
        return outcome;
    }
    if (BaudClashesWithPortKind(s)) {
        outcome.end = OkEnd::SavedBaudClash;
        outcome.message = texts::kMsgBaudNotGiven;
    } else {
        outcome.end = OkEnd::Saved;
    }
    return outcome;
}

std::string_view DirPrompt(DirTarget target)
{
    switch (target) {
    case DirTarget::ApFile: return texts::kPromptApDir;
    case DirTarget::DownDir: return texts::kPromptDownDir;
    case DirTarget::UpDir: return texts::kPromptUpDir;
    }
    return {};
}

bool IsNetworkPath(std::string_view text) { return text.size() >= 2 && text[0] == '\\' && text[1] == '\\'; }

std::string ChooserStartDirectory(std::string_view boxText, const std::string& currentDirectory)
{
    std::size_t cut = boxText.size();
    while (cut > 0 && !IsDirSeparator(boxText[cut - 1]))
        --cut;
    if (cut == 0)
        return currentDirectory;
    try {
        const std::string directory(boxText.substr(0, cut));
        std::filesystem::path path = FsPath(directory);
        std::string text = directory;
        // "\DATA\" on Windows has no drive yet is no relative path: it is
        // the root of the current drive, as typed.
        if (!path.has_root_directory() && !path.has_root_name()) {
            path = FsPath(currentDirectory) / path;
            text = WithTrailingSeparator(currentDirectory) + directory;
        }
        std::error_code error;
        return std::filesystem::is_directory(path, error) ? text : currentDirectory;
    } catch (const std::exception&) { // a text the system cannot take as a path
        return currentDirectory;
    }
}

} // namespace tavelin::settings
