// SPDX-License-Identifier: MIT
#include "manual_transfers.h"

#include "link/commands.h"
#include "settings/paths.h"
#include "settings/texts.h"
#include "transfer/pc_file_attributes.h"
#include "transfer/pc_file_rules.h"

#include <filesystem>
#include <system_error>

namespace tavelin::modes {

namespace texts = tavelin::texts;
namespace fs = std::filesystem;

namespace {

std::string MessageLine(const link::Link& link, std::string_view name)
{
    return std::string(texts::kHandyIdLabel) + link.state.CurHhtId + "\r\n" + std::string(name);
}

bool Exists(const fs::path& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// How a loop goes on after one file: false ends it (a stop, or the hand-held
// in the wrong mode); other failures are said and the loop goes on.
bool GoOn(TransferView& view, int result, std::string_view failure)
{
    if (result == -2)
        return false;
    if (result == -4) {
        view.ShowMessage(texts::kMsgHhtWrongMode);
        return false;
    }
    if (result != 0)
        view.ShowMessage(failure);
    return true;
}

void Downloads(link::Link& link, TransferView& view, const std::string& directory, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        if (!link::IsHhtFileName(name)) {
            view.ShowMessage(std::string(texts::kNameNotForHhtPrefix) + name + std::string(texts::kNameNotForHhtSuffix));
            continue;
        }
        view.SetMessage(MessageLine(link, name));
        const int result = transfer::DownloadFile(link, "D", directory, name, view.Progress());
        view.Progress().SetValue(0);
        if (!GoOn(view, result, texts::kMsgDownloadFailed))
            return;
        link::WaitSec(link.pump, 0.05);
    }
}

// The failure box says what on the PC's side stood in the way, in the
// words the upload history uses.
std::string UploadFailure(transfer::PcSideFailure why)
{
    std::string_view reason;
    switch (why) {
    case transfer::PcSideFailure::None: return std::string(texts::kMsgUploadFailed);
    case transfer::PcSideFailure::NameNotUsable: reason = texts::kNameNotUsable; break;
    case transfer::PcSideFailure::FileIo: reason = texts::kHistoryFileIo; break;
    case transfer::PcSideFailure::Commit: reason = texts::kCommitFailed; break;
    }
    return std::string(texts::kMsgUploadFailed) + "\r\n" + std::string(reason);
}

// Only a file the upload could write is asked about: a refused name goes to
// the engine, which refuses it and says why, without a question first.
settings::UploadMode ModeFor(link::Link& link, TransferView& view, const std::string& directory, const std::string& name)
{
    if (transfer::IsRefusedUploadName(name, directory, link.state.settings.WorkDir))
        return settings::UploadMode::Overwrite; // never looked up as a path
    const fs::path target = settings::FsPath(directory + name);
    if (!Exists(target))
        return settings::UploadMode::Overwrite;
    if (transfer::IsProtectedPcFile(target)) {
        view.ShowMessage(std::string(texts::kProtectedPcFilePrefix) + name + std::string(texts::kProtectedPcFileMiddle) +
                         "\r\n\r\n" + std::string(texts::kProtectedPcFileSuffix));
        return settings::UploadMode::Leave;
    }
    return view.AskExistingFile(name);
}

void Uploads(link::Link& link, TransferView& view, const std::string& directory, const std::vector<HhtFileEntry>& files)
{
    for (const HhtFileEntry& file : files) {
        view.SetMessage(MessageLine(link, file.Name));
        const settings::UploadMode mode = ModeFor(link, view, directory, file.Name);
        if (mode == settings::UploadMode::Leave)
            continue;
        transfer::PcSideFailure why = transfer::PcSideFailure::None;
        const int result =
            transfer::UploadFile(link, directory, file.Name, file.Size, view.Progress(), int(mode), &why);
        view.Progress().SetValue(0);
        if (!GoOn(view, result, UploadFailure(why)))
            return;
    }
}

void Install(link::Link& link, TransferView& view, const std::string& directory, const std::string& name)
{
    if (!link::IsApplicationFile(name)) {
        view.ShowMessage(std::string(texts::kNotApFilePrefix) + name + std::string(texts::kNotApFileSuffix));
        return;
    }
    view.SetMessage(MessageLine(link, name));
    const int result = transfer::DownloadFile(link, "A", directory, name, view.Progress());
    view.Progress().SetValue(0);
    GoOn(view, result, texts::kMsgApDownloadFailed);
}

} // namespace

std::string_view TransferCaption(TransferKind kind)
{
    switch (kind) {
    case TransferKind::Download: return texts::kCaptionDownload;
    case TransferKind::Upload: return texts::kCaptionUpload;
    case TransferKind::Install: return texts::kCaptionApInstall;
    }
    return texts::kCaptionDownload;
}

void RunTransferJob(link::Link& link, TransferView& view, const TransferJob& job)
{
    const std::string directory = settings::WithTrailingSeparator(job.directory);
    switch (job.kind) {
    case TransferKind::Download: Downloads(link, view, directory, job.pcNames); break;
    case TransferKind::Upload: Uploads(link, view, directory, job.hhtFiles); break;
    case TransferKind::Install:
        if (!job.pcNames.empty())
            Install(link, view, directory, job.pcNames.front());
        break;
    }
}

} // namespace tavelin::modes
