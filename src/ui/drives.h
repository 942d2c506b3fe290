// SPDX-License-Identifier: MIT
// Drives as the PC pane and the directory chooser show them: on Windows the
// drive letters; elsewhere the mounted file systems a user can browse, root
// first. "The drive of a path" is its letter or its mount point.
#pragma once

#include <QString>
#include <QStringList>

class QAbstractFileIconProvider;
class QComboBox;
class QTreeView;
class QWidget;

namespace tavelin::ui {

// Each system's own in platform_posix.cpp and platform_win32.cpp.
QStringList DriveRoots();
QString DriveOf(const QString& path);

// A drive list: every drive, each item's data its root; and the choice of
// one (added when the list did not have it). Neither emits the list's signals.
void FillDriveList(QComboBox* list);
void SelectDrive(QComboBox* list, const QString& root);

// Icons for a QFileSystemModel or a QFileDialog that never open a file
// (Qt's own provider reads each file listed to guess its type, and a file
// whose read waits for data, such as /proc/kmsg, would hold the window).
QAbstractFileIconProvider* IconsByName();

// A tree of the file system's directories, hidden ones left out, showing
// names only; its QFileSystemModel is its own child.
QTreeView* DirectoryTree(QWidget* parent);

// Empty when the directory can be read, else the system's words for why not.
QString WhyUnreadable(const QString& path);

} // namespace tavelin::ui
