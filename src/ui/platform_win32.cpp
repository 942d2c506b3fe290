// SPDX-License-Identifier: MIT
// The windows' small differences on Windows: the drives, which are its
// drive letters (drives.h), and the Japanese faces (japanese_faces.h).
#include "drives.h"
#include "japanese_faces.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>

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

QStringList PreferredJapaneseFaces()
{
    return {QStringLiteral("Yu Gothic UI"), QStringLiteral("Meiryo UI"), QStringLiteral("MS UI Gothic"),
            QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP")};
}

// Any face Windows has for Japanese; those named with "@" are the vertical
// faces it lists beside each.
QString AnyJapaneseFace()
{
    for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese)) {
        if (!family.startsWith(QLatin1Char('@')))
            return family;
    }
    return {};
}

} // namespace tavelin::ui
