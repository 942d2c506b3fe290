// SPDX-License-Identifier: MIT
// The transfer engines: files from the PC to a hand-held (single file, or a
// set with a history line per file) and from a hand-held to the PC (one named
// file, or every file it offers). They run over an open port inside one
// exchange and report through integer results; the windows they serve are
// reached only through the small interfaces below.
//
// Results: 0 done; -1 failed or refused; -2 stopped (StopRequest, or the
// hand-held's end frame); -4 the hand-held is in the wrong mode; -5 refused
// after the last block.
#pragma once

#include "link/frame.h"
#include "settings/history.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavelin::transfer {

// A progress bar as the engines drive it.
class ProgressIndicator {
public:
    virtual ~ProgressIndicator() = default;
    virtual void SetMin(std::int64_t value) = 0;
    virtual void SetMax(std::int64_t value) = 0;
    virtual void SetValue(std::int64_t value) = 0;
    virtual void SetVisible(bool visible) = 0;
};

// For callers that show no progress.
class NoProgress final : public ProgressIndicator {
public:
    void SetMin(std::int64_t) override {}
    void SetMax(std::int64_t) override {}
    void SetValue(std::int64_t) override {}
    void SetVisible(bool) override {}
};

// The one-line message of the automatic window ("ID 001: X.DAT をダウンロードしています").
class MessageLine {
public:
    virtual ~MessageLine() = default;
    virtual void SetMessage(std::string_view text) = 0;
};

// What the automatic window lends to the set engines; either may be null.
struct AutoWindowLines {
    MessageLine* message = nullptr;
    settings::HistoryList* history = nullptr;
};

// Files offered in one automatic upload run, in the order offered. The table
// outlives a run: the caller keeps it, and a slot a run does not reach keeps
// the earlier run's values.
constexpr int kUpFileCapacity = 129;
struct UpFileEntry {
    std::string name; // UTF-8, without padding
    std::int64_t size = 0;
};
using UpFileList = std::array<UpFileEntry, kUpFileCapacity>;

// kind "D" for a data file, "A" for an application file; the PC file is
// directory + fileName (directory ends in the separator).
int DownloadFile(link::Link& link, std::string_view kind, const std::string& directory, const std::string& fileName,
                 ProgressIndicator& progress);

// Sends names[0..] from directory in one exchange, a history line per file.
int DownloadFileSet(link::Link& link, const std::string& directory, std::span<const std::string> names,
                    ProgressIndicator& progress, AutoWindowLines lines);

// Why an upload failed on the PC's side, for a message that says so.
enum class PcSideFailure {
    None,          // nothing on the PC's side: the line or the hand-held
    NameNotUsable, // the name cannot be a file here, or would replace the program's own
    FileIo,        // the temporary file could not be written (a full disk, say)
    Commit,        // the data came, but could not reach the target (kept in DATA.TMP)
};

// Fetches the hand-held's file fileName (size as its list announced) into
// directory; mode 1 overwrite, 2 append, 3 leave the data in DATA.TMP. On
// -1, *why (when given) says whether the PC's side was the cause.
int UploadFile(link::Link& link, const std::string& directory, const std::string& fileName, std::int64_t size,
               ProgressIndicator& progress, int mode, PcSideFailure* why = nullptr);

// Takes every file the hand-held offers into temporary files, then moves the
// complete ones into directory by mode (1 overwrite, 2 append, 3 keep existing).
int UploadAllFiles(link::Link& link, const std::string& directory, ProgressIndicator& progress, int mode,
                   UpFileList& upFiles, AutoWindowLines lines);

// The wait limit of an upload-all: about 25 seconds of silence in all.
int UploadWaitLimit(int commTimeoutMs);

} // namespace tavelin::transfer
