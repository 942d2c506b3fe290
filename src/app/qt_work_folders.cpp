// SPDX-License-Identifier: MIT
#include "qt_work_folders.h"

#include "work_folder.h"
#include "settings/texts.h"
#include "ui/drives.h"

#include <QDir>
#include <QFileDialog>

namespace tavelin::app {

std::optional<std::string> QtWorkFolders::AskFolder(const std::string& start)
{
    QFileDialog dialog(parent_, QString::fromUtf8(texts::kAskWorkFolder.data(), qsizetype(texts::kAskWorkFolder.size())),
                       QString::fromStdString(start));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // Qt's own dialog lists a folder by name only: a FIFO or a device in the
    // folder shown must not hold the window.
    dialog.setIconProvider(ui::IconsByName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

bool QtWorkFolders::Enter(const std::string& dir)
{
    auto lock = std::make_unique<SingleInstance>(QString::fromStdString(dir));
    const bool start = lock->Folder() == start_.Folder();
    // The start folder's lock, and that of the folder the window is in, are held already.
    if (!start && !(entered_ && lock->Folder() == entered_->Folder())) {
        std::string why;
        switch (lock->Acquire()) {
        case InstanceLock::Acquired: break;
        case InstanceLock::HeldElsewhere:
            why = "another copy is already running there";
            if (const long long owner = lock->RecordedOwner())
                why += " (process " + std::to_string(owner) + ")";
            break;
        case InstanceLock::Unusable: why = "its lock cannot be used: " + lock->Problem(); break;
        }
        if (!why.empty()) {
            messages_.Show(std::string(texts::kMsgWorkFolderUnusable) + dir + "\n" + why);
            return false;
        }
    } else {
        lock.reset();
    }
    if (!SwitchWorkFolder(state_, messages_, dir, state_.settings.WorkDir))
        return false; // a lock taken for it goes with `lock`
    if (lock || start)
        entered_ = std::move(lock);
    user_.RememberWorkFolder(state_.settings.WorkDir);
    return true;
}

} // namespace tavelin::app
