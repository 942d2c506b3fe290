// SPDX-License-Identifier: MIT
#include "param_files.h"

#include "file_system.h"
#include "numeric.h"
#include "text_file.h"

#include "paths.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace tavelin::settings {

namespace {

// --- RSPRM.DAT

bool CodeBetween(const std::string& code, char low, char high)
{
    // Compared as texts, the way the codes are stored: an empty code sorts
    // before "0" and a longer one after its first character.
    return code >= std::string(1, low) && code <= std::string(1, high);
}

struct RsReader {
    CharReader chars;
    RsPrmOutcome outcome{.opened = true, .checkFailed = false, .readFailed = false, .unreadable = {}};

    void Code(std::string& field, char low, char high)
    {
        if (auto text = chars.Read(1))
            field = *text;
        else
            outcome.readFailed = true;
        if (!CodeBetween(field, low, high))
            outcome.checkFailed = true;
    }

    void Number(std::int16_t& field, std::size_t count, int low, int high)
    {
        if (auto text = chars.Read(count)) {
            if (auto value = ToInt16(NumericValue(*text)))
                field = *value;
        } else {
            outcome.readFailed = true;
        }
        if (field < low || field > high)
            outcome.checkFailed = true;
    }

    void PortKind(std::string& field)
    {
        if (auto text = chars.Read(1))
            field = *text;
        else
            outcome.readFailed = true;
        // The port kind must convert to a number: a line end or a missing
        // character fails here.
        if (!IsNumericText(field) || NumericValue(field) < 0 || NumericValue(field) > 3)
            outcome.checkFailed = true;
    }
};

} // namespace

void ApplyCommDefaults(Settings& s)
{
    s.BaudCode = "2";
    s.ParityCode = "2";
    s.DataBitsCode = "1";
    s.StopBitsCode = "0";
    s.ComPortCode = "0";
    s.PollTimeout = 50;
    s.CommTimeout = 800;
    s.PortKindCode = "0";
}

namespace {

// --- HHTPRM.DAT

void SetIdDefault(Settings& s)
{
    s.HhtIdOn[0] = "1";
    s.HhtIdRange[0] = IdRange{"1", "1"};
}

int CheckPair(const std::string& first, const std::string& last, const IdErrorHandler& onIdError, bool& stop)
{
    const bool checks[] = {
        IsNumericText(first),
        IsNumericText(last),
        NumericValue(first) >= 1 && NumericValue(first) <= kMaxHhtId,
        NumericValue(last) >= 1 && NumericValue(last) <= kMaxHhtId,
        NumericValue(last) - NumericValue(first) >= 0,
    };
    int failed = 0;
    for (bool passed : checks) {
        if (passed)
            continue;
        ++failed;
        if (!onIdError()) {
            stop = true;
            return failed;
        }
    }
    return failed;
}

void MarkRange(Settings& s, const std::string& first, const std::string& last)
{
    const double from = std::nearbyint(NumericValue(first)) - 1;
    const double to = std::nearbyint(NumericValue(last)) - 1;
    // Clamped before the conversion: a value such as 1e10 does not fit an
    // int, and converting it would give a start far below the table.
    const int lowest = static_cast<int>(std::clamp(from, 0.0, double(kMaxHhtId) + 1));
    const int highest = static_cast<int>(std::clamp(to, -1.0, double(kMaxHhtId)));
    for (int k = lowest; k <= highest; ++k)
        s.HhtIdOn[k] = "1";
}

// --- DIRPRM.DAT

int16_t WordIndex(const std::string& line, std::initializer_list<std::string_view> words)
{
    std::string upper = line;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c); });
    std::int16_t index = 1;
    for (auto word : words) {
        if (upper == word)
            return index;
        ++index;
    }
    return 1;
}

std::string PaddedNumber(int value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", digits, value);
    return text;
}

// The next batch run must find either the old file or the new one whole, so
// each file is replaced by a rename. A link is followed, so a parameter file
// shared through a link stays shared; a device or FIFO in its place (or at
// the link's end) is never replaced.
Result<std::string> ReplaceablePath(const Settings& s, const char* name)
{
    std::error_code error;
    std::filesystem::path path = FsPath(s.WorkDir + name);
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) {
        path = std::filesystem::weakly_canonical(path, error);
        if (error)
            return Result<std::string>::Failed(error.message());
    }
    const auto type = std::filesystem::status(path, error).type();
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular)
        return Result<std::string>::Failed(""); // the system has no words for a device in a file's place
    const auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

Status ReplaceParamFile(const Settings& s, const char* name, const std::vector<std::string>& lines)
{
    const auto path = ReplaceablePath(s, name);
    return path ? WriteTextLinesAtomically(*path, lines) : Status::Failed(path.Reason());
}

} // namespace

Status RestoreParamFile(const Settings& s, const char* name, const std::optional<std::string>& bytes)
{
    const auto path = ReplaceablePath(s, name);
    if (!path)
        return Status::Failed(path.Reason());
    if (bytes)
        return WriteBytesAtomically(*path, *bytes);
    const std::filesystem::path file = FsPath(*path);
    std::error_code error;
    std::filesystem::remove(file, error);
    FlushDirectory(file.parent_path());
    return error ? Status::Failed(error.message()) : Status::Ok();
}

RsPrmOutcome ReadRsPrm(Settings& s)
{
    auto read = ReadTextFileOrWhy(s.WorkDir + "RSPRM.DAT");
    if (!read || !*read) { // unreadable, or missing
        ApplyCommDefaults(s);
        return {.unreadable = read.Reason()};
    }
    RsReader reader{CharReader(std::move(**read))};
    reader.Code(s.BaudCode, '0', '5');
    reader.Code(s.ParityCode, '0', '2');
    reader.Code(s.DataBitsCode, '0', '1');
    reader.Code(s.StopBitsCode, '0', '1');
    reader.Code(s.ComPortCode, '0', '3');
    reader.Number(s.PollTimeout, 3, 50, 999);
    reader.Number(s.CommTimeout, 4, 500, 5000);
    reader.PortKind(s.PortKindCode);
    return reader.outcome;
}

HhtPrmOutcome ReadHhtPrm(Settings& s, const IdErrorHandler& onIdError)
{
    std::fill(s.HhtIdOn.begin(), s.HhtIdOn.begin() + kMaxHhtId, std::string("0"));
    auto read = ReadTextFileOrWhy(s.WorkDir + "HHTPRM.DAT");
    if (!read || !*read) { // unreadable, or missing
        SetIdDefault(s);
        return {.unreadable = read.Reason()};
    }
    HhtPrmOutcome outcome{.opened = true, .failedChecks = 0, .unreadable = {}};
    FieldReader fields(std::move(**read));
    for (int j = 0; j <= 4; ++j) {
        auto first = fields.Read();
        auto last = first ? fields.Read() : std::nullopt;
        if (!first || !last) {
            if (j == 0)
                SetIdDefault(s);
            break;
        }
        bool stop = false;
        outcome.failedChecks += CheckPair(*first, *last, onIdError, stop);
        if (stop)
            break;
        MarkRange(s, *first, *last);
        s.HhtIdRange[j] = IdRange{*first, *last};
    }
    return outcome;
}

DirPrmOutcome ReadDirPrm(Settings& s)
{
    auto read = ReadTextFileOrWhy(s.WorkDir + "DIRPRM.DAT");
    if (!read || !*read) { // unreadable, or missing
        s.ApFile = s.DownDir = s.UpDir = s.WorkDir;
        s.UploadMode = 1;
        s.HistoryMode = 1;
        s.AutoPollCount = 0;
        return {.unreadable = read.Reason()};
    }
    DirPrmOutcome outcome{.opened = true, .readFailed = false, .lines = 0, .unreadable = {}};
    LineReader lines(std::move(**read));
    std::string modeWords[3];
    std::string* targets[] = {&s.ApFile, &s.DownDir, &s.UpDir, &modeWords[0], &modeWords[1], &modeWords[2]};
    for (std::string* target : targets) {
        if (auto line = lines.Read()) {
            *target = *line;
            ++outcome.lines;
        } else {
            outcome.readFailed = true;
        }
    }
    s.UploadMode = WordIndex(modeWords[0], {"OVER", "ADD", "NON"});
    s.HistoryMode = WordIndex(modeWords[1], {"NEWHISTORY", "ADDHISTORY", "NONHISTORY"});
    if (auto count = ToInt16(NumericValue(modeWords[2])))
        s.AutoPollCount = *count;
    return outcome;
}

Status WriteRsPrm(const Settings& s)
{
    const std::string line = s.BaudCode + s.ParityCode + s.DataBitsCode + s.StopBitsCode + s.ComPortCode +
                             PaddedNumber(s.PollTimeout, 3) + PaddedNumber(s.CommTimeout, 4) + s.PortKindCode;
    return ReplaceParamFile(s, "RSPRM.DAT", {line});
}

Status WriteHhtPrm(const Settings& s)
{
    std::vector<std::string> lines;
    for (int i = 0; i <= 4; ++i) {
        if (!s.HhtIdRange[i].IdFrom.empty())
            lines.push_back(s.HhtIdRange[i].IdFrom + "," + s.HhtIdRange[i].IdTo);
    }
    return ReplaceParamFile(s, "HHTPRM.DAT", lines);
}

Status WriteDirPrm(const Settings& s)
{
    return ReplaceParamFile(s, "DIRPRM.DAT",
                            {s.ApFile, s.DownDir, s.UpDir, UploadModeWord(s.UploadMode),
                             HistoryModeWord(s.HistoryMode), std::to_string(s.AutoPollCount)});
}

const char* UploadModeWord(int uploadMode)
{
    switch (uploadMode) {
    case 2: return "ADD";
    case 3: return "NON";
    default: return "OVER";
    }
}

const char* HistoryModeWord(int historyMode)
{
    switch (historyMode) {
    case 2: return "ADDHISTORY";
    case 3: return "NONHISTORY";
    default: return "NEWHISTORY";
    }
}

void InitPollRange(AppState& state)
{
    int first = 0;
    int last = kMaxHhtId;
    for (int id = 1; id <= kMaxHhtId; ++id) {
        if (state.settings.HhtIdOn[id - 1] == "1") {
            if (first == 0)
                first = id;
            last = id;
        }
    }
    state.FirstPollId = static_cast<std::int16_t>(first - 1);
    state.LastPollId = static_cast<std::int16_t>(last - 1);
}

} // namespace tavelin::settings
