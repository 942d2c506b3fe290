// SPDX-License-Identifier: MIT
// The drives of Windows: its drive letters.
#include "drives.h"

#include <QDir>
#include <QFileInfo>

namespace tavelin::ui {

QStringList DriveRoots()
{
    QStringList roots;
    for (const QFileInfo& drive : QDir::drives())
        roots << drive.absolutePath();
    return roots;
}

// "C:/" of "C:\dir\file" as of "C:/dir/file".
QString DriveOf(const QString& path) { return QDir::fromNativeSeparators(path).left(3); }

} // namespace tavelin::ui
