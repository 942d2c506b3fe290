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
    if (!SwitchWorkFolder(state_, messages_, dir, state_.settings.WorkDir))
        return false;
    user_.RememberWorkFolder(state_.settings.WorkDir);
    return true;
}

} // namespace tavelin::app
