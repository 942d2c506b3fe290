// SPDX-License-Identifier: MIT
// The loops of the manual window's three progress dialogs: download of the
// selected PC files, upload of the selected hand-held files, install of one
// application file. Each runs its engine file by file on the open port,
// reports failures through the view's message boxes, and ends early on a
// stop or a wrong-mode answer (a stop shows no message). The dialog runs one
// of them once it is shown and closes when it returns.
#pragma once

#include "hht_files.h"
#include "settings/upload_mode.h"
#include "transfer/engines.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::modes {

// What a progress dialog offers its loop.
class TransferView : public transfer::MessageLine {
public:
    virtual transfer::ProgressIndicator& Progress() = 0;
    virtual void ShowMessage(std::string_view text) = 0;
    // A PC file of that name exists: overwrite, append or leave it (leave
    // also when the question is closed by its window frame).
    virtual settings::UploadMode AskExistingFile(std::string_view name) = 0;
};

enum class TransferKind { Download, Upload, Install };

// One dialog's work, as the manual window hands it over.
struct TransferJob {
    TransferKind kind = TransferKind::Download;
    std::string directory;                // the PC directory, as shown
    std::vector<std::string> pcNames;     // download: the selected PC files; install: the one file
    std::vector<HhtFileEntry> hhtFiles;   // upload: the selected hand-held files with their sizes
};

// The dialog's caption for a kind of job.
std::string_view TransferCaption(TransferKind kind);

// Runs the job's loop. The overwrite question's answer holds for the file
// it was asked about; the configured UploadMode (what /UP does and what the
// settings dialog writes) is never changed by it.
void RunTransferJob(link::Link& link, TransferView& view, const TransferJob& job);

} // namespace tavelin::modes
