// SPDX-License-Identifier: MIT
// The drive list and the directory tree that go together in the PC pane and
// the directory chooser. The tree shows the directory chosen and keeps it in
// view while its listing arrives in the background; the drive list shows
// that directory's drive. What the operator chooses in either list becomes
// the directory. A drive that cannot be read is said in a message box (the
// system's words) and changes no directory. A directory shown that is
// deleted (it, or a parent of it) gives way to its nearest parent that is
// still there, never to the row the tree moves to in its place.
#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QTreeView;

namespace tavelin::ui {

class DirBrowser final : public QObject {
    Q_OBJECT
public:
    // After an unreadable drive the list keeps it (the PC pane) or shows the
    // drive before it again (the directory chooser).
    enum class UnreadableDrive { StaysChosen, IsUndone };

    // `tree` is a DirectoryTree(); both lists are filled and wired here.
    DirBrowser(QComboBox* drives, QTreeView* tree, UnreadableDrive unreadable);

    const QString& Directory() const { return directory_; }
    // Shows `path` in the tree and `drive` (else the path's own) in the list.
    void Show(const QString& path, const QString& drive = {});
    // Brings the directory into view again: a hidden tree cannot scroll, so
    // a window calls this once it is shown.
    void ShowLater();
    // True while the directory shown exists; else shows its nearest parent
    // that does, says DirectoryGone and returns false.
    bool KeepDirectory();

signals:
    void DirectoryChosen(); // the operator chose another directory in either list
    void DirectoryGone(const QString& gone); // Directory() is now its nearest parent still there

private:
    void ShowInTree(const QString& path);
    void ScrollToDirectoryLater();
    void DriveChanged(int index);
    void TreeChanged();

    QComboBox* drives_;
    QTreeView* tree_;
    QFileSystemModel* model_;
    UnreadableDrive unreadable_;
    QString directory_;
    QString driveRoot_;
    bool showingInTree_ = false;
    bool scrollPending_ = false;
    QDeadlineTimer follow_;
};

} // namespace tavelin::ui
