// SPDX-License-Identifier: MIT
// The PC side of the manual window (FcDrive, FcDir, FcFile): the drives (on
// Linux the mounted file systems a user can browse, root first; on Windows
// the drive letters), the directory tree without hidden directories, and the
// plain files of the chosen directory, several of which can be selected
// and dragged to the hand-held list. The file list follows the directory:
// files that appear, vanish or change there are listed again by themselves,
// and what the operator had selected stays selected. A directory that is
// deleted while shown gives way to its nearest parent still there
// (DirectoryGone), never to another one.
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
    // True while the directory shown exists; else the pane moves to its
    // nearest parent that does, says DirectoryGone and returns false.
    bool KeepDirectory();

    QListWidget* FileList() const { return FcFile; }
    QComboBox* DriveList() const { return FcDrive; }
    QTreeView* DirectoryTree() const { return FcDir; }

signals:
    void DirectoryGone(const QString& gone);

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
