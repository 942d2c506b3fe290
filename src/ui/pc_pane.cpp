// SPDX-License-Identifier: MIT
#include "pc_pane.h"

#include "controls.h"
#include "drives.h"
#include "file_drag.h"
#include "modes/pc_files.h"
#include "settings/texts.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListWidget>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace tavelin::ui {

namespace {

// How long the tree keeps a newly chosen directory in view while its
// listing arrives in the background.
constexpr int kFollowMs = 2000;

} // namespace

PcPane::PcPane(QWidget* parent) : QWidget(parent)
{
    FcDrive = new QComboBox(this);
    Name(FcDrive, "FcDrive", Q(texts::kA11yDrive));
    FcDir = ui::DirectoryTree(this);
    Name(FcDir, "FcDir", Q(texts::kA11yDirectory));
    model_ = static_cast<QFileSystemModel*>(FcDir->model());
    FcFile = new PcFileList(this);
    Name(FcFile, "FcFile", Q(texts::kA11yPcFiles));
    FcFile->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FcDrive);
    layout->addWidget(FcDir, 3);
    layout->addWidget(FcFile, 2);

    FillDriveList(FcDrive);
    connect(FcDrive, &QComboBox::activated, this, &PcPane::FcDrive_Change);
    connect(FcDir->selectionModel(), &QItemSelectionModel::currentChanged, this, &PcPane::FcDir_Change);
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
    connect(model_, &QFileSystemModel::layoutChanged, this, &PcPane::ScrollToDirectoryLater);
}

void PcPane::ScrollToDirectoryLater()
{
    if (scrollPending_ || follow_.hasExpired())
        return; // later changes come from the operator's own browsing
    scrollPending_ = true;
    QTimer::singleShot(0, this, [this] {
        scrollPending_ = false;
        FcDir->scrollTo(model_->index(directory_), QAbstractItemView::PositionAtCenter);
    });
}

void PcPane::ShowInTree(const QString& path)
{
    const QModelIndex index = model_->index(path);
    if (!index.isValid()) {
        FcDir->clearSelection(); // a hidden directory: the tree cannot show it
        return;
    }
    follow_.setRemainingTime(kFollowMs);
    showingInTree_ = true; // the tree follows the pane here, not the other way round
    FcDir->setCurrentIndex(index);
    showingInTree_ = false;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        FcDir->expand(parent);
    FcDir->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void PcPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A hidden tree cannot scroll: bring the directory into view once laid out.
    QTimer::singleShot(0, this, [this] { ShowInTree(directory_); });
}

void PcPane::SetDirectory(const QString& path)
{
    directory_ = QDir::cleanPath(QDir(path).absolutePath());
    SelectDrive(FcDrive, DriveOf(directory_));
    ShowInTree(directory_);
    RefreshFiles();
}

void PcPane::FcDrive_Change(int index)
{
    const QString root = FcDrive->itemData(index).toString();
    const QString why = WhyUnreadable(root);
    if (!why.isEmpty()) {
        ShowOkBox(this, why.toStdString()); // the drive list keeps the new drive
        return;
    }
    directory_ = root;
    ShowInTree(root);
    RefreshFiles();
}

void PcPane::FcDir_Change()
{
    const QModelIndex current = FcDir->currentIndex();
    if (showingInTree_ || !current.isValid())
        return;
    directory_ = model_->filePath(current);
    SelectDrive(FcDrive, DriveOf(directory_));
    RefreshFiles();
}

void PcPane::RefreshFiles()
{
    FcFile->clear();
    for (const std::string& name : modes::ListPcFiles(directory_.toStdString()))
        FcFile->addItem(QString::fromStdString(name));
}

std::vector<std::string> PcPane::SelectedFiles() const
{
    std::vector<std::string> names;
    for (int row = 0; row < FcFile->count(); ++row) {
        if (FcFile->item(row)->isSelected())
            names.push_back(FcFile->item(row)->text().toStdString());
    }
    return names;
}

} // namespace tavelin::ui
