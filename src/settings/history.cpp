// SPDX-License-Identifier: MIT
#include "history.h"

#include "numeric.h"
#include "paths.h"
#include "text_file.h"
#include "texts.h"

#include <filesystem>
#include <system_error>

namespace tavelin::settings {

namespace {
// A list longer than this is trimmed by its 97 oldest lines before the next
// line goes in (128 / 4 * 3 + 1), so it never holds more than 129.
constexpr int kListLimit = 128;
constexpr int kLinesTrimmed = kListLimit / 4 * 3 + 1;
} // namespace

std::string_view HistoryText(std::int16_t result)
{
    switch (result) {
    case 0: return texts::kHistoryOk;
    case -1: return texts::kHistoryFailed;
    case -2: return texts::kHistoryStopped;
    case -3: return texts::kHistoryTimeout;
    case -4: return texts::kHistoryModeError;
    case -5: return texts::kHistoryFileIo;
    default: return {};
    }
}

void AddHistoryLine(const AppState& state, HistoryList* list, std::string_view fileName, std::string_view listText,
                    bool failed)
{
    if (list == nullptr)
        return;
    if (list->Count() > kListLimit) {
        for (int i = 0; i < kLinesTrimmed && list->Count() > 0; ++i)
            list->RemoveFirst();
    }
    list->Add(
        WithoutControlCharacters("ID " + state.CurHhtId + ": " + std::string(fileName) + " : " + std::string(listText)),
        failed);
    list->SelectLast();
}

void WriteHistory(AppState& state, HistoryList* list, std::string_view fileName, std::int32_t count,
                  std::int16_t result, std::string_view listText)
{
    AddHistoryLine(state, list, fileName, listText, FileFailed(result));
    if (FileFailed(result))
        ++state.failedFiles;
    const Settings& s = state.settings;
    if (s.HistoryMode == 3)
        return;
    const std::string line =
        WithoutControlCharacters(state.CurHhtId + "," + PrintStyle(s.RunMode) + "," + std::string(fileName) + "," +
                                 PrintStyle(count) + "," + PrintStyle(result) + "," + std::string(HistoryText(result)));
    if (!WriteTextLines(s.WorkDir + "HISTORY.DAT", {line}, WriteMode::Append))
        ++state.logFailures.historyLines;
}

void ClearHistory(AppState& state)
{
    const std::string utf8Path = state.settings.WorkDir + "HISTORY.DAT";
    const std::filesystem::path path = FsPath(utf8Path);
    std::error_code error;
    const auto type = std::filesystem::symlink_status(path, error).type();
    if (type == std::filesystem::file_type::not_found || type == std::filesystem::file_type::directory)
        return;
    if (std::filesystem::remove(path, error) || !error)
        return;
    if (!WriteTextLines(utf8Path, {}, WriteMode::Replace))
        state.logFailures.historyKept = true;
}

} // namespace tavelin::settings
