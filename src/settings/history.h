// SPDX-License-Identifier: MIT
// The transfer history: one line per file on screen (the automatic window's
// history list, reached through HistoryList) and in HISTORY.DAT. Control
// characters in a line become "?", so every line stays one line.
// A history that cannot be written never stops a run: its failures are kept
// in state.logFailures for the program's exit status.
#pragma once

#include "app_state.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavelin::settings {

// The on-screen list as the history procedures use it.
class HistoryList {
public:
    virtual ~HistoryList() = default;
    virtual int Count() const = 0;
    virtual void RemoveFirst() = 0;
    // failed: the line's file failed (FileFailed), for a quiet run to say so.
    virtual void Add(const std::string& line, bool failed) = 0;
    virtual void SelectLast() = 0; // select the line just added, so the list shows it
};

// Adds "ID <CurHhtId>: <fileName> : <listText>", trimming the 97 oldest lines
// once the list holds more than 128. A null list is skipped.
void AddHistoryLine(const AppState& state, HistoryList* list, std::string_view fileName, std::string_view listText,
                    bool failed = false);

// Whether a transfer result counts as a failed file: any but 0 and -2 (a
// stop that was asked for).
constexpr bool FileFailed(std::int16_t result) { return result != 0 && result != -2; }

// AddHistoryLine, then (unless HistoryMode is 3) one line appended to HISTORY.DAT:
// ID, run mode, file name, count, result, text of the result. A failed file
// is counted in state.failedFiles, written or not.
void WriteHistory(AppState& state, HistoryList* list, std::string_view fileName, std::int32_t count,
                  std::int16_t result, std::string_view listText);

// The start of a NEWHISTORY run: HISTORY.DAT of earlier runs is removed, or
// emptied where it cannot be removed (a read-only directory); when neither
// works its old lines would pass for this run's, which counts as a failure.
// A directory of that name is left alone (and no line can be written).
void ClearHistory(AppState& state);

// The HISTORY.DAT text of a transfer result ("" outside -5..0).
std::string_view HistoryText(std::int16_t result);

} // namespace tavelin::settings
