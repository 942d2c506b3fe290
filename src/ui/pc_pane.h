// SPDX-License-Identifier: MIT
// The PC side of the manual window (FcDrive, FcDir, FcFile): the drives (on
// Linux the mounted file systems a user can browse, root first; on Windows
// the drive letters), the directory tree without hidden directories, and the
// plain files of the chosen directory, several of which can be selected
// and dragged to the hand-held list. The file list follows the directory:
// files that appear, vanish or change there are listed again by themselves,
// and what the operator had selected stays selected.
#pragma once

#include <QFileSystemWatcher>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

class QComboBox;
class QListWidget;
class QTreeView;

namespace tavelin::ui {

class DirBrowser;

class PcPane final : public QWidget {
    Q_OBJECT
public:
    explicit PcPane(QWidget* parent);

    // Moves the drive list, the tree and the file list to the directory.
    void SetDirectory(const QString& path);
    QString Directory() const;
    std::vector<std::string> SelectedFiles() const;
    void RefreshFiles(); // lists the directory's plain files again, nothing selected

    QListWidget* FileList() const { return FcFile; }
    QComboBox* DriveList() const { return FcDrive; }
    QTreeView* DirectoryTree() const { return FcDir; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FollowFiles(); // what the watcher saw come and go
    void RebuildKeepingSelection(const QStringList& names);
    void Watch(const QString& directory);

    QComboBox* FcDrive = nullptr;
    QTreeView* FcDir = nullptr;
    QListWidget* FcFile = nullptr;
    DirBrowser* browser_ = nullptr;
    QFileSystemWatcher watcher_;
    QTimer changed_; // a burst of changes (a copy, an unpacked archive) lists once
};

} // namespace tavelin::ui
