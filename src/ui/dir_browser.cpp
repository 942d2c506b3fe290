// SPDX-License-Identifier: MIT
#include "dir_browser.h"

#include "controls.h"
#include "drives.h"
#include "modes/pc_file_ops.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QTimer>
#include <QTreeView>

namespace tavelin::ui {

namespace {

// How long the tree keeps a newly chosen directory in view while its
// listing arrives in the background.
constexpr int kFollowMs = 2000;

} // namespace

DirBrowser::DirBrowser(QComboBox* drives, QTreeView* tree, UnreadableDrive unreadable)
    : QObject(tree), drives_(drives), tree_(tree), model_(static_cast<QFileSystemModel*>(tree->model())),
      unreadable_(unreadable)
{
    FillDriveList(drives_);
    connect(drives_, &QComboBox::activated, this, &DirBrowser::DriveChanged);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, &DirBrowser::TreeChanged);
    // The tree fills itself in the background: show the directory once it is there.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (directory_.startsWith(loaded))
            ShowInTree(directory_);
    });
    // Rows that arrive or are sorted above the directory push it out of view.
    connect(model_, &QFileSystemModel::rowsInserted, this, [this](const QModelIndex& parent) {
        if (directory_.startsWith(model_->filePath(parent)))
            ScrollToDirectoryLater();
    });
    connect(model_, &QFileSystemModel::layoutChanged, this, &DirBrowser::ScrollToDirectoryLater);
}

void DirBrowser::Show(const QString& path, const QString& drive)
{
    directory_ = path;
    driveRoot_ = drive.isEmpty() ? DriveOf(path) : drive;
    SelectDrive(drives_, driveRoot_);
    ShowInTree(directory_);
}

void DirBrowser::ShowLater()
{
    QTimer::singleShot(0, this, [this] { ShowInTree(directory_); });
}

void DirBrowser::ScrollToDirectoryLater()
{
    if (scrollPending_ || follow_.hasExpired())
        return; // later changes come from the operator's own browsing
    scrollPending_ = true;
    QTimer::singleShot(0, this, [this] {
        scrollPending_ = false;
        tree_->scrollTo(model_->index(directory_), QAbstractItemView::PositionAtCenter);
    });
}

void DirBrowser::ShowInTree(const QString& path)
{
    const QModelIndex index = model_->index(path);
    if (!index.isValid()) {
        tree_->clearSelection(); // a hidden directory: the tree cannot show it
        return;
    }
    follow_.setRemainingTime(kFollowMs);
    showingInTree_ = true; // the tree follows the directory here, not the other way round
    tree_->setCurrentIndex(index);
    showingInTree_ = false;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        tree_->expand(parent);
    tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void DirBrowser::DriveChanged(int index)
{
    const QString root = drives_->itemData(index).toString();
    const QString why = WhyUnreadable(root);
    if (!why.isEmpty()) {
        if (unreadable_ == UnreadableDrive::IsUndone)
            SelectDrive(drives_, driveRoot_);
        ShowOkBox(drives_->window(), why.toStdString());
        return;
    }
    driveRoot_ = root;
    directory_ = root;
    ShowInTree(root);
    emit DirectoryChosen();
}

bool DirBrowser::KeepDirectory()
{
    if (directory_.isEmpty() || QFileInfo(directory_).isDir())
        return true;
    const QString gone = directory_;
    directory_ = QDir::cleanPath(
        QString::fromStdString(modes::NearestExistingDirectory(QDir::toNativeSeparators(gone).toStdString())));
    driveRoot_ = DriveOf(directory_);
    SelectDrive(drives_, driveRoot_);
    ShowInTree(directory_);
    emit DirectoryGone(gone);
    return false;
}

void DirBrowser::TreeChanged()
{
    const QModelIndex current = tree_->currentIndex();
    if (showingInTree_ || !current.isValid())
        return;
    // The row of the directory shown went away and the tree moved to the
    // one beside it: that is no choice of the operator's. Once the model has
    // removed the rows, the directory's parent is shown instead.
    if (!directory_.isEmpty() && !QFileInfo(directory_).isDir()) {
        QTimer::singleShot(0, this, &DirBrowser::KeepDirectory);
        return;
    }
    directory_ = model_->filePath(current);
    driveRoot_ = DriveOf(directory_);
    SelectDrive(drives_, driveRoot_);
    emit DirectoryChosen();
}

} // namespace tavelin::ui
