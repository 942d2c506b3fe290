// SPDX-License-Identifier: MIT
// The PC side of the manual window (FcDrive, FcDir, FcFile): the drives (on
// Linux the mounted file systems a user can browse, root first; on Windows
// the drive letters), the directory tree without hidden directories, and the
// plain files of the chosen directory, several of which can be selected
// and dragged to the hand-held list.
#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <QWidget>

#include <string>
#include <vector>

class QComboBox;
class QFileSystemModel;
class QListWidget;
class QTreeView;

namespace tavelin::ui {

class PcPane final : public QWidget {
    Q_OBJECT
public:
    explicit PcPane(QWidget* parent);

    // Moves the drive list, the tree and the file list to the directory.
    void SetDirectory(const QString& path);
    QString Directory() const { return directory_; }
    std::vector<std::string> SelectedFiles() const;
    void RefreshFiles(); // lists the directory's plain files again

    QListWidget* FileList() const { return FcFile; }
    QComboBox* DriveList() const { return FcDrive; }
    QTreeView* DirectoryTree() const { return FcDir; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowInTree(const QString& path);
    void ScrollToDirectoryLater();
    void FcDrive_Change(int index);
    void FcDir_Change();

    QComboBox* FcDrive = nullptr;
    QTreeView* FcDir = nullptr;
    QListWidget* FcFile = nullptr;
    QFileSystemModel* model_ = nullptr;
    QString directory_;
    bool showingInTree_ = false;
    bool scrollPending_ = false;
    QDeadlineTimer follow_;
};

} // namespace tavelin::ui
