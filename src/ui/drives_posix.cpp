// SPDX-License-Identifier: MIT
// The drives of a system without drive letters: its mounted file systems.
#include "drives.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace tavelin::ui {

// Only what a user can browse: a file system not ready, or a mount point
// that is not a readable directory, would offer a drive that shows nothing.
QStringList DriveRoots()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QFileInfo root(volume.rootPath());
        if (volume.isValid() && volume.isReady() && root.isDir() && root.isReadable() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    roots.sort(); // "/" first
    return roots;
}

QString DriveOf(const QString& path) { return QStorageInfo(path).rootPath(); }

} // namespace tavelin::ui
