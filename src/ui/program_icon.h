// SPDX-License-Identifier: MIT
// The program's icon, drawn here: a hand-held terminal with a file arrow.
// Used as the windows' icon and in the version dialog.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tavelin::ui {

QPixmap ProgramPicture(int size);
QIcon ProgramIcon();

} // namespace tavelin::ui
