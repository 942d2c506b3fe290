// SPDX-License-Identifier: MIT
// The faces that show Japanese captions and file names best on this system:
// Windows has its own UI faces once its Japanese fonts are installed, a
// Linux distribution the free ones. Each system's list is in
// platform_posix.cpp or platform_win32.cpp.
#pragma once

#include <QString>
#include <QStringList>

namespace tavelin::ui {

// Family names, best first; not all of them need be installed.
QStringList PreferredJapaneseFaces();

// An installed face for Japanese when none of the preferred ones is: empty
// where the system names none.
QString AnyJapaneseFace();

} // namespace tavelin::ui
