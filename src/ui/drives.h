// Drives as the PC pane and the directory chooser show them: on Windows the
// drive letters; elsewhere the mounted file systems a user can browse, root
// first. "The drive of a path" is its letter or its mount point.
#pragma once

#include <QString>
#include <QStringList>

namespace tavelin::ui {

QStringList DriveRoots();
QString DriveOf(const QString& path);

// Empty when the directory can be read, else the system's words for why not.
QString WhyUnreadable(const QString& path);

} // namespace tavelin::ui
