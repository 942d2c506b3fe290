// SPDX-License-Identifier: MIT
// The windows' small differences on POSIX systems: the drives, which are
// the mounted file systems here (drives.h), and the Japanese faces
// (japanese_faces.h).
#include "drives.h"
#include "japanese_faces.h"

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

QStringList PreferredJapaneseFaces()
{
    return {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"), QStringLiteral("IPAGothic"),
            QStringLiteral("Yu Gothic UI"), QStringLiteral("Meiryo UI")};
}

// The font system here finds a face for glyphs the application font lacks
// by itself: without a preferred face the application font stays.
QString AnyJapaneseFace() { return {}; }

} // namespace tavelin::ui
